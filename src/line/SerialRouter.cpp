// Sends each serial call to the service that serves the current port's name.
#include "line/SerialRouter.h"

namespace qd40 {

SerialRouter::SerialRouter(SerialService& device, SerialService& network,
                           std::function<bool(int)> isNetwork)
    : m_device(device),
      m_network(network),
      m_isNetwork(std::move(isNetwork)),
      m_number(device.commPort()),
      m_settings(device.settings()) {}

SerialService& SerialRouter::active() const {
  return m_isNetwork(m_number) ? m_network : m_device;
}

PortStatus SerialRouter::setCommPort(int number) {
  // Asked first, so that the two services never disagree on the number.
  if (isOpen()) return PortStatus::failure("The port number cannot change while the port is open.");
  if (PortStatus set = m_device.setCommPort(number); !set) return set;
  if (PortStatus set = m_network.setCommPort(number); !set) return set;
  m_number = number;
  return PortStatus::success();
}

PortStatus SerialRouter::setSettings(const std::string& settings) {
  SerialService& idle = m_isNetwork(m_number) ? m_device : m_network;
  if (PortStatus set = active().setSettings(settings); !set) return set;
  idle.setSettings(settings);
  m_settings = settings;
  return PortStatus::success();
}

void SerialRouter::close() {
  m_device.close();
  m_network.close();
}

void SerialRouter::setCommHandler(std::function<void()> onComm) {
  m_device.setCommHandler(onComm);
  m_network.setCommHandler(std::move(onComm));
}

void SerialRouter::setLostHandler(std::function<void(const std::string&)> onLost) {
  m_device.setLostHandler(onLost);
  m_network.setLostHandler(std::move(onLost));
}

void SerialRouter::setNoticeHandler(std::function<void(const std::string&)> onNotice) {
  m_device.setNoticeHandler(onNotice);
  m_network.setNoticeHandler(std::move(onNotice));
}

void SerialRouter::setTroubleHandler(std::function<void(const std::string&)> onTrouble) {
  m_device.setTroubleHandler(onTrouble);
  m_network.setTroubleHandler(std::move(onTrouble));
}

void SerialRouter::setConnectedHandler(std::function<void()> onConnected) {
  m_device.setConnectedHandler(onConnected);
  m_network.setConnectedHandler(std::move(onConnected));
}

}  // namespace qd40
