// Logs what passes through the serial seam.
#include "serial/LoggingSerialService.h"

#include "protocol/LogText.h"
#include "serial/NetworkPort.h"

namespace qd40 {

LoggingSerialService::LoggingSerialService(SerialService& inner, SessionLog& log,
                                           const PortConfig& ports)
    : m_inner(inner), m_log(log), m_ports(ports) {
  m_inner.setConnectedHandler([this] {
    m_stood = true;
    this->log("opened");
    if (m_onConnected) m_onConnected();
  });
}

void LoggingSerialService::log(const std::string& event) {
  m_log.write(formatLogTime(std::chrono::system_clock::now()) + " " +
              portLabel(m_ports.identity(m_inner.commPort())) + " " + event);
}

std::string LoggingSerialService::reason(const std::string& description) const {
  const std::string prefix = portLabel(m_ports.identity(m_inner.commPort())) + ": ";
  return description.starts_with(prefix) ? description.substr(prefix.size()) : description;
}

PortStatus LoggingSerialService::open() {
  const bool wasOpen = m_inner.isOpen();
  PortStatus opened = m_inner.open();
  if (!opened) {
    log("failed: " + reason(opened.description));
  } else if (!wasOpen) {
    m_stood = m_inner.connected();
    log(m_stood ? "opened" : "connecting");
  }
  return opened;
}

void LoggingSerialService::close() {
  const bool wasOpen = m_inner.isOpen();
  m_inner.close();
  m_stood = false;
  if (wasOpen) log("closed");
}

PortStatus LoggingSerialService::output(const std::string& bytes) {
  PortStatus written = m_inner.output(bytes);
  log(written ? "TX " + renderBytes(bytes) : "failed: " + reason(written.description));
  return written;
}

std::string LoggingSerialService::input() {
  std::string received = m_inner.input();
  if (!received.empty()) log("RX " + renderBytes(received));
  return received;
}

void LoggingSerialService::setLostHandler(std::function<void(const std::string&)> onLost) {
  m_inner.setLostHandler([this, onLost = std::move(onLost)](const std::string& description) {
    this->log((m_stood ? "lost: " : "failed: ") + reason(description));
    m_stood = false;
    if (onLost) onLost(description);
  });
}

}  // namespace qd40
