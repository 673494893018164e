// Logs what passes through the serial seam.
#include "log/LoggingSerialService.h"

#include <unistd.h>

#include "wording/NetworkMessages.h"

namespace qd40 {

std::string sessionHeader(std::string_view program, std::string_view version,
                          const PortConfig& ports) {
  return std::string(program) + " " + std::string(version) + " pid " + std::to_string(::getpid()) +
         ": COM1 is " + ports.identity(1).device + ", COM2 is " + ports.identity(2).device;
}

LoggingSerialService::LoggingSerialService(SerialService& inner, SessionLog& log,
                                           const PortConfig& ports)
    : m_inner(inner), m_log(log), m_ports(ports) {
  m_inner.setConnectedHandler([this] {
    m_stood = true;
    this->log("opened");
    if (m_onConnected) m_onConnected();
  });
}

LoggingSerialService::~LoggingSerialService() {
  logRepeats();
}

// A button held on a port that cannot be opened fails at every tick of its
// repeat: the log keeps the first failure and counts the same ones after it.
void LoggingSerialService::log(const std::string& event) {
  std::string line = portName(m_ports.identity(m_inner.commPort())) + " " + event;
  const bool failure = event.starts_with("failed: ");
  if (failure && line == m_lastFailure) {
    ++m_repeats;
    return;
  }
  logRepeats();
  m_lastFailure = failure ? line : std::string();
  m_log.write(line);
}

void LoggingSerialService::logRepeats() {
  if (m_repeats == 0) return;
  m_log.write(m_lastFailure.substr(0, m_lastFailure.find(" failed: ")) + " failed the same way " +
              std::to_string(m_repeats) + (m_repeats == 1 ? " more time" : " more times"));
  m_repeats = 0;
}

// The bytes are copied here and rendered on the log's own thread.
void LoggingSerialService::logBytes(LogEntryKind kind, std::string_view bytes) {
  if (bytes.empty()) return;
  logRepeats();
  m_lastFailure.clear();
  m_log.writeBytes(kind, portName(m_ports.identity(m_inner.commPort())), bytes);
}

std::string LoggingSerialService::reason(const std::string& description) const {
  const std::string prefix = portName(m_ports.identity(m_inner.commPort())) + ": ";
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
  if (written) {
    logBytes(LogEntryKind::Sent, bytes);
  } else {
    log("failed: " + reason(written.description));
  }
  return written;
}

std::string LoggingSerialService::input() {
  std::string received = m_inner.input();
  logBytes(LogEntryKind::Received, received);
  return received;
}

void LoggingSerialService::setLostHandler(std::function<void(const std::string&)> onLost) {
  m_inner.setLostHandler([this, onLost = std::move(onLost)](const std::string& description) {
    this->log((m_stood ? "lost: " : "failed: ") + reason(description));
    m_stood = false;
    if (onLost) onLost(description);
  });
}

void LoggingSerialService::setNoticeHandler(std::function<void(const std::string&)> onNotice) {
  m_inner.setNoticeHandler([this, onNotice = std::move(onNotice)](const std::string& description) {
    this->log("notice: " + reason(description));
    if (onNotice) onNotice(description);
  });
}

}  // namespace qd40
