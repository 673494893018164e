#pragma once
// The serial service the panel holds when COM1 and COM2 may be of different
// kinds: each call goes to the device service or to the network service,
// whichever serves the name the current port number stands for (a device
// path, or socket:// or rfc2217://). Both keep the same number and settings,
// so a port selection finds either ready.
#include <functional>

#include "line/SerialService.h"

namespace qd40 {

class SerialRouter final : public SerialService {
 public:
  // `isNetwork` tells, for a port number, whether its name is a network URL.
  SerialRouter(SerialService& device, SerialService& network, std::function<bool(int)> isNetwork);

  PortStatus setCommPort(int number) override;
  int commPort() const override { return m_number; }
  PortStatus setSettings(const std::string& settings) override;
  std::string settings() const override { return m_settings; }
  PortStatus open() override { return active().open(); }
  void close() override;
  bool isOpen() const override { return active().isOpen(); }
  PortStatus output(const std::string& bytes) override { return active().output(bytes); }
  std::string input() override { return active().input(); }
  CommEvent commEvent() const override { return active().commEvent(); }
  void setCommHandler(std::function<void()> onComm) override;
  void setLostHandler(std::function<void(const std::string&)> onLost) override;
  void setTroubleHandler(std::function<void(const std::string&)> onTrouble) override;
  void replyMissing() override { active().replyMissing(); }
  void setNoticeHandler(std::function<void(const std::string&)> onNotice) override;
  bool connected() const override { return active().connected(); }
  void setConnectedHandler(std::function<void()> onConnected) override;

 private:
  SerialService& active() const;

  SerialService& m_device;
  SerialService& m_network;
  std::function<bool(int)> m_isNetwork;
  int m_number;
  std::string m_settings;
};

}  // namespace qd40
