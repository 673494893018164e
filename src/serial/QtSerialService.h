#pragma once
// The serial service over Qt SerialPort. COM1 and COM2 stand for the devices
// the port configuration names at the moment each is opened. Receive notifications arrive on the Qt
// event thread. A port that hangs up or disappears is closed at the first error and reported once;
// the panel's next send opens it again.
#include <QObject>
#include <QSerialPort>

#include "serial/PortDiagnostics.h"
#include "serial/SerialService.h"

namespace qd40 {

class QtSerialService final : public QObject, public SerialService {
  Q_OBJECT

 public:
  explicit QtSerialService(const PortConfig& ports, QObject* parent = nullptr);
  ~QtSerialService() override;

  PortStatus setCommPort(int number) override;
  int commPort() const override { return m_number; }
  PortStatus setSettings(const std::string& settings) override;
  std::string settings() const override { return m_settings; }
  PortStatus open() override;
  void close() override;
  bool isOpen() const override { return m_port.isOpen(); }
  PortStatus output(const std::string& bytes) override;
  std::string input() override;
  CommEvent commEvent() const override { return m_event; }
  void setCommHandler(std::function<void()> onComm) override { m_onComm = std::move(onComm); }
  void setLostHandler(std::function<void(const std::string&)> onLost) override {
    m_onLost = std::move(onLost);
  }

  // The open descriptor, so tests can read the line's real settings.
  int nativeHandle() const { return static_cast<int>(m_port.handle()); }
  std::string devicePath() const;

 private:
  void onReadyRead();
  void onError(QSerialPort::SerialPortError error);
  void dropLostPort();
  PortStatus applySettings();
  // Whether the foreign lock that refused the last open is still there, made
  // by a process that still runs: two cheap checks instead of a search.
  bool stillHeld(const PortIdentity& port) const;
  static std::string lockStamp(const std::string& lockPath);
  PortStatus openFailed(const PortIdentity& port, const std::string& path, int error,
                        const std::string& detail);

  const PortConfig& m_ports;
  QSerialPort m_port;
  int m_number = 1;
  std::string m_settings = "19200,N,8,1";
  CommEvent m_event = CommEvent::None;
  // Errors raised inside our own calls are answered by those calls.
  bool m_inCall = false;
  bool m_lostPending = false;
  struct HeldBy {
    int number = 0;
    std::string device;
    std::string lockPath;
    long pid = 0;
    std::string stamp;
    std::string description;
  };
  HeldBy m_heldBy;
  // The last failed open: what it depended on, and what it was told.
  std::string m_failureKey;
  std::string m_failure;
  std::function<void()> m_onComm;
  std::function<void(const std::string&)> m_onLost;
};

}  // namespace qd40
