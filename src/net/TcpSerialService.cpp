// A serial device server behind the panel's serial seam, over Qt Network.
#include "net/TcpSerialService.h"

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <QHostAddress>
#include <QMetaObject>

namespace qd40 {

namespace {

ConnectFailure connectFailure(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::HostNotFoundError:
      return ConnectFailure::UnknownHost;
    case QAbstractSocket::ConnectionRefusedError:
      return ConnectFailure::Refused;
    case QAbstractSocket::NetworkError:
      // Raised for a connect that fails with "network unreachable" or "host
      // unreachable"; Qt's own text, which names which, goes with it.
      return ConnectFailure::Unreachable;
    case QAbstractSocket::SocketTimeoutError:
      return ConnectFailure::TimedOut;
    default:
      return ConnectFailure::Other;
  }
}

void setOption(int fd, int level, int name, int value) {
  ::setsockopt(fd, level, name, &value, sizeof value);
}

// Keepalive probes an idle connection; the timeout bounds how long written
// data may stay unacknowledged, probes included, before the kernel fails
// the connection with ETIMEDOUT.
void boundSilence(int fd) {
  setOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  setOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, static_cast<int>(kKeepIdle.count()));
  setOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, static_cast<int>(kKeepInterval.count()));
  setOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
  setOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT,
            static_cast<int>(std::chrono::milliseconds(kUnacknowledgedLimit).count()));
}

}  // namespace

TcpSerialService::TcpSerialService(const PortConfig& ports, QObject* parent)
    : QObject(parent),
      m_attemptTimer("ConnectDeadline", 0, this),
      m_retryTimer("ConnectRetry", 0, this),
      m_sendWaitTimer("SendWait", 0, this),
      m_watchTimer("ConnectionWatch", 0, this),
      m_pressGateTimer("PressAttemptGap", 0, this),
      m_link(ports, *this,
             LinkTimers{m_attemptTimer, m_retryTimer, m_sendWaitTimer, m_watchTimer,
                        m_pressGateTimer}) {
  setObjectName("MSComm1");
}

TcpSerialService::~TcpSerialService() {
  m_link.close();
}

void TcpSerialService::connectTo(const NetworkAddress& address) {
  end(Ending::Discard);
  m_address = address;
  m_lastUnacknowledged = 0;
  const quint64 attempt = ++m_attempt;
  // An address needs no lookup; the attempt starts from the event loop all
  // the same, so its outcome never comes back inside open(). Qt 6.4 also
  // leaks the callback of a lookup it answers at once for an address.
  if (!QHostAddress(QString::fromStdString(address.host)).isNull()) {
    QMetaObject::invokeMethod(
        this,
        [this, attempt] {
          if (attempt == m_attempt) startConnecting();
        },
        Qt::QueuedConnection);
    return;
  }
  m_lookupId = QHostInfo::lookupHost(QString::fromStdString(address.host), this,
                                     [this, attempt](const QHostInfo& info) {
                                       if (attempt == m_attempt) onLookedUp(info);
                                     });
}

void TcpSerialService::onLookedUp(const QHostInfo& info) {
  m_lookupId = -1;
  if (info.error() == QHostInfo::HostNotFound) {
    m_link.socketFailed(ConnectFailure::UnknownHost, "");
  } else if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    m_link.socketFailed(ConnectFailure::LookupFailed, info.errorString().toStdString());
  } else {
    startConnecting();
  }
}

void TcpSerialService::startConnecting() {
  m_connected = false;
  m_socket = new QTcpSocket(this);
  // A connection the panel gave up on may still stand at the server, which
  // never heard of it and keeps the port for it. Connecting again from the
  // same local port makes the server's TCP answer with what it holds for
  // that port pair, ours resets it, and the server frees the port at once.
  if (m_reuse && m_reuse->to == m_address.host + ":" + std::to_string(m_address.port)) {
    m_socket->bind(m_reuse->from, m_reuse->port, QAbstractSocket::ReuseAddressHint);
  }
  connect(m_socket, &QTcpSocket::connected, this, &TcpSerialService::onConnected);
  connect(m_socket, &QTcpSocket::readyRead, this, &TcpSerialService::onReadyRead);
  connect(m_socket, &QTcpSocket::errorOccurred, this, &TcpSerialService::onError);
  connect(m_socket, &QTcpSocket::disconnected, this, &TcpSerialService::onDisconnected);
  // By name again, which lets Qt try each address the name has.
  m_socket->connectToHost(QString::fromStdString(m_address.host), m_address.port);
}

void TcpSerialService::onConnected() {
  m_connected = true;
  // Replies are a few characters; each should leave at once.
  m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  boundSilence(static_cast<int>(m_socket->socketDescriptor()));
  ++m_inSignal;
  m_link.socketConnected();
  --m_inSignal;
}

void TcpSerialService::onReadyRead() {
  const QByteArray bytes = m_socket->readAll();
  ++m_inSignal;
  m_link.socketReceived(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  --m_inSignal;
}

void TcpSerialService::onError(QAbstractSocket::SocketError error) {
  unacknowledged();
  ConnectFailure failure = connectFailure(error);
  // On a standing connection the kernel reports only a reset or a close by
  // the far end, or that it gave up because nothing was acknowledged in
  // time (as ETIMEDOUT, or as the last unreachable it met on the way).
  if (m_connected) {
    failure = error == QAbstractSocket::RemoteHostClosedError ? ConnectFailure::Closed
                                                              : ConnectFailure::TimedOut;
  }
  ++m_inSignal;
  m_link.socketFailed(failure, m_socket->errorString().toStdString());
  --m_inSignal;
}

void TcpSerialService::onDisconnected() {
  ++m_inSignal;
  m_link.socketFailed(ConnectFailure::Closed, "");
  --m_inSignal;
}

void TcpSerialService::write(std::string_view bytes) {
  if (m_socket != nullptr) m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::size_t TcpSerialService::unacknowledged() {
  if (m_socket == nullptr) return m_lastUnacknowledged;
  const int fd = static_cast<int>(m_socket->socketDescriptor());
  int queued = 0;
  if (fd < 0 || ::ioctl(fd, SIOCOUTQ, &queued) != 0) return m_lastUnacknowledged;
  m_lastUnacknowledged = static_cast<std::size_t>(m_socket->bytesToWrite()) +
                         static_cast<std::size_t>(std::max(queued, 0));
  return m_lastUnacknowledged;
}

void TcpSerialService::end(Ending ending) {
  ++m_attempt;
  if (m_lookupId >= 0) QHostInfo::abortHostLookup(m_lookupId);
  m_lookupId = -1;
  if (m_socket == nullptr) return;
  QTcpSocket* socket = std::exchange(m_socket, nullptr);
  socket->disconnect(this);
  const int fd = static_cast<int>(socket->socketDescriptor());
  if (ending == Ending::Flush) {
    // Closed in order: the server hears of it.
    m_reuse.reset();
    socket->flush();
  } else if (fd >= 0) {
    if (m_connected) {
      m_reuse = Reuse{m_address.host + ":" + std::to_string(m_address.port), socket->localAddress(),
                      socket->localPort()};
    }
    // Closing with a zero linger resets the connection: what waits in the
    // kernel is thrown away rather than delivered late.
    const linger now{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    if (m_inSignal == 0) socket->abort();
  }
  socket->deleteLater();
}

}  // namespace qd40
