#pragma once
// The serial service for a port that stands for a serial device server:
// socket://HOST:PORT carries the line's bytes as they are, rfc2217://HOST:PORT
// speaks Telnet and sets the far line's speed with the COM-PORT-OPTION. The
// connection's life is NetworkLink's; this gives it a socket over Qt Network
// (the name lookup on Qt's resolver threads, so a slow name server cannot
// hold the window) with the kernel's keepalive and timeout for unacknowledged
// data set, so that a dead link is noticed within seconds.
#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QTcpSocket>
#include <optional>

#include "net/NetworkLink.h"
#include "toolkit/QtTimer.h"

namespace qd40 {

class TcpSerialService final : public QObject, public SerialService, private LinkSocket {
  Q_OBJECT

 public:
  explicit TcpSerialService(const PortConfig& ports, QObject* parent = nullptr);
  ~TcpSerialService() override;

  PortStatus setCommPort(int number) override { return m_link.setCommPort(number); }
  int commPort() const override { return m_link.commPort(); }
  PortStatus setSettings(const std::string& settings) override {
    return m_link.setSettings(settings);
  }
  std::string settings() const override { return m_link.settings(); }
  PortStatus open() override { return m_link.open(); }
  void close() override { m_link.close(); }
  bool isOpen() const override { return m_link.isOpen(); }
  PortStatus output(const std::string& bytes) override { return m_link.output(bytes); }
  std::string input() override { return m_link.input(); }
  CommEvent commEvent() const override { return m_link.commEvent(); }
  void setCommHandler(std::function<void()> onComm) override {
    m_link.setCommHandler(std::move(onComm));
  }
  void setLostHandler(std::function<void(const std::string&)> onLost) override {
    m_link.setLostHandler(std::move(onLost));
  }
  void setNoticeHandler(std::function<void(const std::string&)> onNotice) override {
    m_link.setNoticeHandler(std::move(onNotice));
  }
  bool connected() const override { return m_link.connected(); }
  void setConnectedHandler(std::function<void()> onConnected) override {
    m_link.setConnectedHandler(std::move(onConnected));
  }

  NetworkLink::State state() const { return m_link.state(); }

 private:
  void connectTo(const NetworkAddress& address) override;
  bool lookingUp() const override { return m_lookupId >= 0; }
  void write(std::string_view bytes) override;
  std::size_t unacknowledged() override;
  void end(Ending ending) override;

  void onLookedUp(const QHostInfo& info);
  void startConnecting();
  void onConnected();
  void onReadyRead();
  void onError(QAbstractSocket::SocketError error);
  void onDisconnected();

  QtTimer m_attemptTimer;
  QtTimer m_retryTimer;
  QtTimer m_sendWaitTimer;
  QtTimer m_watchTimer;
  QtTimer m_pressGateTimer;
  NetworkLink m_link;
  NetworkAddress m_address;
  // One socket per attempt: an ended one is let go of with deleteLater(),
  // as it may be ending inside one of its own signals.
  QTcpSocket* m_socket = nullptr;
  bool m_connected = false;
  // Counts attempts, so that news queued for an earlier one is dropped.
  quint64 m_attempt = 0;
  int m_lookupId = -1;
  // Inside one of the socket's own signals, where it is not to be aborted.
  int m_inSignal = 0;
  std::size_t m_lastUnacknowledged = 0;
  // The local end of the last connection given up on, and where it went.
  struct Reuse {
    std::string to;
    QHostAddress from;
    quint16 port;
  };
  std::optional<Reuse> m_reuse;
};

}  // namespace qd40
