#pragma once
// The serial service for a port that stands for a serial device server:
// socket://HOST:PORT carries the line's bytes as they are, rfc2217://HOST:PORT
// speaks Telnet and sets the far line's speed with the COM-PORT-OPTION.
// Opening starts the name lookup and the connection in the background and
// returns at once; a line written before the connection stands is refused
// with the reason. A failed or lost connection is reported once through the
// lost handler, and the next open() tries again.
#include <QHostInfo>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <optional>

#include "serial/NetworkPort.h"
#include "serial/SerialService.h"
#include "serial/TelnetCodec.h"

namespace qd40 {

class TcpSerialService final : public QObject, public SerialService {
  Q_OBJECT

 public:
  explicit TcpSerialService(const PortConfig& ports, QObject* parent = nullptr);
  ~TcpSerialService() override;

  PortStatus setCommPort(int number) override;
  int commPort() const override { return m_number; }
  PortStatus setSettings(const std::string& settings) override;
  std::string settings() const override { return m_settings; }
  PortStatus open() override;
  void close() override;
  bool isOpen() const override { return m_state != State::Closed; }
  PortStatus output(const std::string& bytes) override;
  std::string input() override;
  CommEvent commEvent() const override { return m_event; }
  void setCommHandler(std::function<void()> onComm) override { m_onComm = std::move(onComm); }
  void setLostHandler(std::function<void(const std::string&)> onLost) override {
    m_onLost = std::move(onLost);
  }
  bool connected() const override { return m_state == State::Connected; }
  void setConnectedHandler(std::function<void()> onConnected) override {
    m_onConnected = std::move(onConnected);
  }

 private:
  enum class State { Closed, LookingUp, Connecting, Connected };

  void onLookedUp(const QHostInfo& info);
  void onConnected();
  void onReadyRead();
  void onSocketError(QAbstractSocket::SocketError error);
  void onDisconnected();
  void onDeadline();
  // Ends the attempt or the connection and reports `description` once.
  void fail(const std::string& description);
  void shutDown();
  void writeRaw(const std::string& bytes);

  const PortConfig& m_ports;
  QTcpSocket m_socket;
  QTimer m_deadline;
  State m_state = State::Closed;
  int m_number = 1;
  std::string m_settings = "19200,N,8,1";
  PortIdentity m_port{1, "", ""};
  NetworkAddress m_address;
  TelnetCodec m_codec;
  int m_lookupId = -1;
  // Counts attempts, so that news queued for an earlier one is dropped.
  quint64 m_attempt = 0;
  bool m_failing = false;
  std::string m_failure;
  std::string m_received;
  CommEvent m_event = CommEvent::None;
  std::function<void()> m_onComm;
  std::function<void(const std::string&)> m_onLost;
  std::function<void()> m_onConnected;
};

}  // namespace qd40
