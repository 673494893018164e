// Qt SerialPort behind the panel's serial seam.
#include "serial/QtSerialService.h"

#include <signal.h>
#include <sys/stat.h>

#include <QMetaObject>

#include "serial/LineSettings.h"
#include "serial/PortDiagnostics.h"

namespace qd40 {

namespace {

// Guards a call into QSerialPort so that errors it raises are not taken for a
// lost line.
class CallScope {
 public:
  explicit CallScope(bool& flag) : m_flag(flag), m_saved(flag) { m_flag = true; }
  ~CallScope() { m_flag = m_saved; }

 private:
  bool& m_flag;
  bool m_saved;
};

QSerialPort::Parity qtParity(Parity parity) {
  switch (parity) {
    case Parity::Even:
      return QSerialPort::EvenParity;
    case Parity::Odd:
      return QSerialPort::OddParity;
    case Parity::None:
      break;
  }
  return QSerialPort::NoParity;
}

}  // namespace

QtSerialService::QtSerialService(const PortConfig& ports, QObject* parent)
    : QObject(parent), m_ports(ports) {
  setObjectName("MSComm1");
  // Everything waiting is read in one go; the panel keeps its own limit.
  m_port.setReadBufferSize(0);
  connect(&m_port, &QSerialPort::readyRead, this, &QtSerialService::onReadyRead);
  connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialService::onError);
}

QtSerialService::~QtSerialService() {
  close();
}

std::string QtSerialService::devicePath() const {
  return m_ports.identity(m_number).device;
}

PortStatus QtSerialService::setCommPort(int number) {
  PortStatus accepted = acceptPortNumber(number, m_port.isOpen());
  if (accepted) m_number = number;
  return accepted;
}

PortStatus QtSerialService::setSettings(const std::string& settings) {
  if (!parseLineSettings(settings))
    return PortStatus::failure("Invalid line settings: " + settings);
  m_settings = settings;
  return m_port.isOpen() ? applySettings() : PortStatus::success();
}

PortStatus QtSerialService::applySettings() {
  const LineSettings line = *parseLineSettings(m_settings);
  CallScope scope(m_inCall);
  const bool ok =
      m_port.setBaudRate(line.baud) && m_port.setParity(qtParity(line.parity)) &&
      m_port.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits)) &&
      m_port.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
      m_port.setFlowControl(QSerialPort::NoFlowControl);
  if (ok) return PortStatus::success();
  const std::string why = m_port.errorString().toStdString();
  m_port.clearError();
  return PortStatus::failure(devicePath() + ": the line settings " + m_settings +
                             " were refused (" + why + ").");
}

PortStatus QtSerialService::open() {
  if (m_port.isOpen()) return PortStatus::success();
  const PortIdentity port = m_ports.identity(m_number);
  m_lostPending = false;
  CallScope scope(m_inCall);
  // The device is opened by its own path, links resolved, so that its lock
  // file and exclusive mode are the same whatever name the operator gave it.
  const std::string path = openablePath(port.device);
  // A live lock by the other naming rule does not stop Qt; it stops us.
  if (stillHeld(port)) return PortStatus::failure(m_heldBy.description);
  if (const std::optional<Diagnosis> held = foreignLock(port.device, path)) {
    m_heldBy = {port.number,
                port.device,
                held->lockPath,
                held->holder.pid,
                lockStamp(held->lockPath),
                describeOpenFailure(port, *held)};
    return PortStatus::failure(m_heldBy.description);
  }
  m_heldBy = {};
  if (path.empty() || !pathIsUtf8(path)) return openFailed(port, path, -1, "");
  m_port.setPortName(QString::fromStdString(path));
  if (!m_port.open(QIODevice::ReadWrite)) {
    const QSerialPort::SerialPortError error = m_port.error();
    const std::string detail = m_port.errorString().toStdString();
    m_port.clearError();
    return openFailed(port, path, static_cast<int>(error), detail);
  }
  m_failureKey.clear();
  if (PortStatus applied = applySettings(); !applied) {
    m_port.close();
    return applied;
  }
  // The projector link uses no handshake; DTR and RTS stay asserted for
  // adapters and cables that take power or a ready signal from them. A
  // pseudo-terminal has neither line, which is no failure.
  m_port.setDataTerminalReady(true);
  m_port.setRequestToSend(true);
  m_port.clearError();
  return PortStatus::success();
}

PortStatus QtSerialService::openFailed(const PortIdentity& port, const std::string& path, int error,
                                       const std::string& detail) {
  // A send on a closed port tries to open it each time; while nothing about
  // the device has changed, the last diagnosis still holds.
  std::string key = failureSignature(port, path, error);
  if (key != m_failureKey) {
    m_failure = describeOpenFailure(port, diagnoseOpenFailure(port.device, detail));
    m_failureKey = std::move(key);
  }
  return PortStatus::failure(m_failure);
}

bool QtSerialService::stillHeld(const PortIdentity& port) const {
  return !m_heldBy.lockPath.empty() && m_heldBy.number == port.number &&
         m_heldBy.device == port.device && lockStamp(m_heldBy.lockPath) == m_heldBy.stamp &&
         kill(static_cast<pid_t>(m_heldBy.pid), 0) == 0;
}

std::string QtSerialService::lockStamp(const std::string& lockPath) {
  struct stat info {};
  if (stat(lockPath.c_str(), &info) != 0) return {};
  return std::to_string(info.st_ino) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec);
}

void QtSerialService::close() {
  if (!m_port.isOpen()) return;
  CallScope scope(m_inCall);
  m_port.close();
  m_port.clearError();
}

PortStatus QtSerialService::output(const std::string& bytes) {
  if (!m_port.isOpen()) return PortStatus::failure(devicePath() + ": the port is not open.");
  CallScope scope(m_inCall);
  const qint64 written = m_port.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (written != static_cast<qint64>(bytes.size())) {
    const std::string why = m_port.errorString().toStdString();
    m_port.clearError();
    return PortStatus::failure(devicePath() + ": the line could not be sent (" + why + ").");
  }
  return PortStatus::success();
}

std::string QtSerialService::input() {
  const QByteArray waiting = m_port.readAll();
  return std::string(waiting.constData(), static_cast<std::size_t>(waiting.size()));
}

void QtSerialService::onReadyRead() {
  if (!m_onComm) return;
  m_event = CommEvent::Receive;
  m_onComm();
  m_event = CommEvent::None;
}

void QtSerialService::onError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || m_inCall) return;
  if (!m_port.isOpen() || m_lostPending) return;
  // A hang-up makes QSerialPort raise errors in a tight loop while the port
  // still counts as open. The port cannot be closed from inside its own
  // notification, so the close is queued and the loop ends with it.
  m_lostPending = true;
  QMetaObject::invokeMethod(this, &QtSerialService::dropLostPort, Qt::QueuedConnection);
}

void QtSerialService::dropLostPort() {
  if (!m_lostPending) return;
  const std::string detail = m_port.errorString().toStdString();
  close();
  m_lostPending = false;
  if (m_onLost) m_onLost(describeLostPort(m_ports.identity(m_number), detail));
}

}  // namespace qd40
