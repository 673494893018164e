// A serial device server behind the panel's serial seam, over Qt Network.
#include "serial/TcpSerialService.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QMetaObject>

namespace qd40 {

namespace {

ConnectFailure classify(QAbstractSocket::SocketError error) {
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

}  // namespace

TcpSerialService::TcpSerialService(const PortConfig& ports, QObject* parent)
    : QObject(parent), m_ports(ports) {
  setObjectName("MSComm1");
  m_deadline.setSingleShot(true);
  m_deadline.setInterval(kConnectTimeout);
  connect(&m_deadline, &QTimer::timeout, this, &TcpSerialService::onDeadline);
  connect(&m_socket, &QTcpSocket::connected, this, &TcpSerialService::onConnected);
  connect(&m_socket, &QTcpSocket::readyRead, this, &TcpSerialService::onReadyRead);
  connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpSerialService::onSocketError);
  connect(&m_socket, &QTcpSocket::disconnected, this, &TcpSerialService::onDisconnected);
}

TcpSerialService::~TcpSerialService() {
  m_socket.disconnect(this);
  shutDown();
}

PortStatus TcpSerialService::setCommPort(int number) {
  PortStatus accepted = acceptPortNumber(number, isOpen());
  if (accepted) m_number = number;
  return accepted;
}

PortStatus TcpSerialService::setSettings(const std::string& settings) {
  const std::optional<LineSettings> line = parseLineSettings(settings);
  if (!line) return PortStatus::failure("Invalid line settings: " + settings);
  m_settings = settings;
  if (m_state == State::Connected && m_address.protocol == NetworkProtocol::Rfc2217) {
    writeRaw(m_codec.changeSettings(*line));
  }
  return PortStatus::success();
}

PortStatus TcpSerialService::open() {
  if (isOpen()) return PortStatus::success();
  m_port = m_ports.identity(m_number);
  const std::optional<NetworkAddress> address = parseNetworkAddress(m_port.device);
  if (!address) return PortStatus::failure(describeBadAddress(m_port));
  m_address = *address;
  ++m_attempt;
  m_failing = false;
  m_received.clear();
  m_codec = TelnetCodec();
  m_state = State::LookingUp;
  m_deadline.start();
  // The lookup runs on Qt's resolver threads, so a slow name server cannot
  // hold the window. The connection itself goes by name again, which lets Qt
  // try each address the name has.
  const quint64 attempt = m_attempt;
  // An address needs no lookup. Qt 6.4 also leaks the callback of a lookup it
  // answers at once for an address.
  if (const QHostAddress literal(QString::fromStdString(m_address.host)); !literal.isNull()) {
    QMetaObject::invokeMethod(
        this,
        [this, attempt, literal] {
          QHostInfo info;
          info.setAddresses({literal});
          if (attempt == m_attempt) onLookedUp(info);
        },
        Qt::QueuedConnection);
    return PortStatus::success();
  }
  m_lookupId = QHostInfo::lookupHost(QString::fromStdString(m_address.host), this,
                                     [this, attempt](const QHostInfo& info) {
                                       if (attempt == m_attempt) onLookedUp(info);
                                     });
  return PortStatus::success();
}

void TcpSerialService::onLookedUp(const QHostInfo& info) {
  m_lookupId = -1;
  if (m_state != State::LookingUp) return;
  if (info.error() == QHostInfo::HostNotFound) {
    fail(describeConnectFailure(m_port, m_address, ConnectFailure::UnknownHost, ""));
    return;
  }
  if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
    fail(describeConnectFailure(m_port, m_address, ConnectFailure::LookupFailed,
                                info.errorString().toStdString()));
    return;
  }
  m_state = State::Connecting;
  m_socket.connectToHost(QString::fromStdString(m_address.host), m_address.port);
}

void TcpSerialService::onConnected() {
  if (m_state != State::Connecting) return;
  m_deadline.stop();
  m_state = State::Connected;
  // Replies are a few characters; each should leave at once.
  m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  if (m_address.protocol == NetworkProtocol::Rfc2217) {
    writeRaw(m_codec.start(parseLineSettings(m_settings).value_or(LineSettings{})));
  }
  if (m_onConnected) m_onConnected();
}

void TcpSerialService::onReadyRead() {
  if (m_state != State::Connected) return;
  const QByteArray bytes = m_socket.readAll();
  std::string data(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (m_address.protocol == NetworkProtocol::Rfc2217) {
    TelnetCodec::Decoded decoded = m_codec.decode(data);
    writeRaw(decoded.reply);
    data = std::move(decoded.data);
  }
  // A piece made only of Telnet commands is no reception.
  if (data.empty()) return;
  m_received += data;
  if (!m_onComm) return;
  m_event = CommEvent::Receive;
  m_onComm();
  m_event = CommEvent::None;
}

void TcpSerialService::onSocketError(QAbstractSocket::SocketError error) {
  if (m_state == State::Closed || m_failing) return;
  std::string description;
  if (m_state == State::Connected) {
    const std::string detail = error == QAbstractSocket::RemoteHostClosedError
                                   ? "the device server closed it"
                                   : m_socket.errorString().toStdString();
    description = describeConnectionLost(m_port, m_address, detail);
  } else {
    description = describeConnectFailure(m_port, m_address, classify(error),
                                         m_socket.errorString().toStdString());
  }
  fail(description);
}

void TcpSerialService::onDisconnected() {
  if (m_state != State::Connected || m_failing) return;
  fail(describeConnectionLost(m_port, m_address, "the device server closed it"));
}

void TcpSerialService::onDeadline() {
  if (m_state == State::LookingUp) {
    fail(describeConnectFailure(
        m_port, m_address, ConnectFailure::LookupFailed,
        "no answer within " + std::to_string(kConnectTimeout.count()) + " s"));
  } else if (m_state == State::Connecting) {
    fail(describeConnectFailure(m_port, m_address, ConnectFailure::TimedOut, ""));
  }
}

void TcpSerialService::fail(const std::string& description) {
  // The socket is not to be torn down inside its own signal, so the close
  // and the report follow from the event loop, once.
  m_failing = true;
  m_failure = description;
  const quint64 attempt = m_attempt;
  QMetaObject::invokeMethod(
      this,
      [this, attempt, description] {
        if (attempt != m_attempt || m_state == State::Closed) return;
        shutDown();
        if (m_onLost) m_onLost(description);
      },
      Qt::QueuedConnection);
}

void TcpSerialService::close() {
  shutDown();
}

void TcpSerialService::shutDown() {
  if (m_state == State::Closed) return;
  ++m_attempt;
  m_deadline.stop();
  if (m_lookupId >= 0) QHostInfo::abortHostLookup(m_lookupId);
  m_lookupId = -1;
  // A line just written still goes out if the connection stands.
  const bool wasConnected = m_state == State::Connected;
  m_state = State::Closed;
  if (wasConnected) m_socket.flush();
  m_socket.abort();
  m_received.clear();
  m_failing = false;
}

PortStatus TcpSerialService::output(const std::string& bytes) {
  if (m_state == State::Closed) {
    return PortStatus::failure(portLabel(m_ports.identity(m_number)) + ": the port is not open.");
  }
  if (m_failing) return PortStatus::failure(m_failure);
  if (m_state != State::Connected) {
    return PortStatus::failure(describeStillConnecting(m_port, m_address));
  }
  writeRaw(m_address.protocol == NetworkProtocol::Rfc2217 ? TelnetCodec::encodeData(bytes) : bytes);
  return PortStatus::success();
}

void TcpSerialService::writeRaw(const std::string& bytes) {
  if (bytes.empty()) return;
  m_socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string TcpSerialService::input() {
  return std::exchange(m_received, {});
}

}  // namespace qd40
