// Qt SerialPort behind the panel's serial seam.
#include "line/QtSerialService.h"

#include <fcntl.h>
#include <unistd.h>

#include <QMetaObject>
#include <cerrno>

#include "doctor/DevicePaths.h"
#include "doctor/LineCheck.h"
#include "line/LineSettings.h"
#include "protocol/Utf8.h"
#include "wording/PortMessages.h"
#include "wording/PortWording.h"

namespace qd40 {

namespace {

// Other readers are looked for at most this often: each look goes through
// every process, and a reader makes an error of every reply it takes.
constexpr auto kReaderLookInterval = std::chrono::seconds(1);
// No library error stands behind a refusal found before the library tried.
constexpr int kNoLibraryError = -1;

// Whether the device still refuses to open as busy: the kernel's answer to
// an open that the library, which would take a lock first, never makes.
bool stillBusy(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY;
  ::close(fd);
  return false;
}

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
  if (m_readerLook.joinable()) m_readerLook.join();
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
    return PortStatus::failure(
        PortMessages::tr("Invalid line settings: %1").arg(wordOf(settings)).toStdString());
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
  return PortStatus::failure(printablePath(devicePath()) + ": " +
                             PortMessages::tr("the line settings %1 were refused (%2).")
                                 .arg(wordOf(m_settings), wordOf(why))
                                 .toStdString());
}

PortStatus QtSerialService::open() {
  if (m_port.isOpen()) return PortStatus::success();
  const PortIdentity port = m_ports.identity(m_number);
  m_checkPending = false;
  CallScope scope(m_inCall);
  if (refusalStands(port)) return refusal();
  // The device is opened by its own path, links resolved, so that its lock
  // file and exclusive mode are the same whatever name the operator gave it.
  const std::string path = openablePath(port.device);
  // A live lock by the other naming rule, or one Qt cannot read, does not
  // stop Qt at once; it stops us.
  const std::string& temporary = m_ports.temporaryFolder();
  if (const std::optional<Diagnosis> held = foreignLock(port.device, path, temporary)) {
    return refuse(port, path, kNoLibraryError, [&] { return *held; });
  }
  if (path.empty() || !isValidUtf8(path)) {
    return refuse(port, path, kNoLibraryError,
                  [&] { return diagnoseOpenFailure(port.device, "", temporary); });
  }
  m_port.setPortName(QString::fromStdString(path));
  if (!m_port.open(QIODevice::ReadWrite)) {
    const QSerialPort::SerialPortError error = m_port.error();
    const std::string detail = m_port.errorString().toStdString();
    m_port.clearError();
    return refuse(port, path, static_cast<int>(error),
                  [&] { return diagnoseOpenFailure(port.device, detail, temporary); });
  }
  m_refusal = {};
  m_openPath = path;
  m_readersTold.clear();
  m_readersLookedFor.reset();
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

PortStatus QtSerialService::refuse(const PortIdentity& port, const std::string& path,
                                   int libraryError, const std::function<Diagnosis()>& diagnose) {
  // While nothing the last refusal depended on has changed, its diagnosis
  // still holds, and the look through every process is not repeated.
  std::string signature = failureSignature(port, path, libraryError, m_ports.temporaryFolder());
  if (signature != m_refusal.signature) {
    const Diagnosis diagnosis = diagnose();
    m_refusal = {std::move(signature),
                 refusalStamp(port.device, path, m_ports.temporaryFolder()),
                 port.number,
                 port.device,
                 path,
                 libraryError,
                 diagnosis.failure,
                 diagnosis.holder.pid,
                 diagnosis.lockPath,
                 describeOpenFailure(port, diagnosis)};
  }
  return refusal();
}

PortStatus QtSerialService::refusal() const {
  PortStatus refused = PortStatus::failure(m_refusal.description);
  // A port held by a live process, or busy with no holder this user may
  // see, waits for someone else; the others want a change here.
  refused.held = m_refusal.cause == OpenFailure::InUse || m_refusal.cause == OpenFailure::Exclusive;
  return refused;
}

bool QtSerialService::refusalStands(const PortIdentity& port) const {
  if (m_refusal.signature.empty() || m_refusal.number != port.number ||
      m_refusal.device != port.device ||
      refusalStamp(port.device, m_refusal.path, m_ports.temporaryFolder()) != m_refusal.stamp) {
    return false;
  }
  // The nodes and the lock are as they were; what they do not show is
  // checked by the cheapest look that shows it.
  switch (m_refusal.cause) {
    case OpenFailure::InUse:
      if (!m_refusal.lockPath.empty()) {
        return m_refusal.holderPid <= 0 || processAlive(m_refusal.holderPid);
      }
      return stillBusy(m_refusal.path);
    case OpenFailure::Exclusive:
      return stillBusy(m_refusal.path);
    case OpenFailure::Permission:
      return access(m_refusal.path.c_str(), R_OK | W_OK) != 0;
    case OpenFailure::Other:
      return false;
    case OpenFailure::Missing:
    case OpenFailure::NotSerial:
    case OpenFailure::StaleLock:
    case OpenFailure::NameTooLong:
    case OpenFailure::NotUtf8:
      break;
  }
  return true;
}

void QtSerialService::close() {
  if (!m_port.isOpen()) return;
  CallScope scope(m_inCall);
  m_port.close();
  m_port.clearError();
}

PortStatus QtSerialService::output(const std::string& bytes) {
  if (!m_port.isOpen()) {
    return PortStatus::failure(printablePath(devicePath()) + ": " +
                               PortMessages::tr("the port is not open.").toStdString());
  }
  CallScope scope(m_inCall);
  const qint64 written = m_port.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (written != static_cast<qint64>(bytes.size())) {
    const std::string why = m_port.errorString().toStdString();
    m_port.clearError();
    return PortStatus::failure(
        printablePath(devicePath()) + ": " +
        PortMessages::tr("the line could not be sent (%1).").arg(wordOf(why)).toStdString());
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
  if (!m_port.isOpen() || m_checkPending) return;
  // A hang-up makes QSerialPort raise errors in a tight loop while the port
  // still counts as open. The port cannot be closed from inside its own
  // notification, so the check is queued and the loop ends with it.
  m_checkPending = true;
  QMetaObject::invokeMethod(this, &QtSerialService::checkLine, Qt::QueuedConnection);
}

void QtSerialService::checkLine() {
  if (!std::exchange(m_checkPending, false) || !m_port.isOpen()) return;
  const auto now = std::chrono::steady_clock::now();
  const bool look = !m_readersLookedFor || now - *m_readersLookedFor >= kReaderLookInterval;
  const LineCheck check =
      checkOpenLine(nativeHandle(), m_openPath, look ? ReaderScan::Scan : ReaderScan::Skip);
  const PortIdentity port = m_ports.identity(m_number);
  if (check.state != LineState::Working) {
    const std::string node = m_openPath;
    close();
    if (m_onLost) m_onLost(describeLostPort(port, check.state, node));
    return;
  }
  // No loss: most likely another reader took what was waiting. Qt stops
  // reading after such an error; a read request starts it again.
  {
    CallScope scope(m_inCall);
    m_port.clearError();
    char next = 0;
    m_port.peek(&next, 1);
  }
  if (!look) return;
  m_readersLookedFor = now;
  tellOtherReaders(port, check.readers, check.sawAllProcesses);
}

void QtSerialService::replyMissing() {
  if (!m_port.isOpen() || m_readerLook.joinable()) return;
  const auto now = std::chrono::steady_clock::now();
  if (m_readersLookedFor && now - *m_readersLookedFor < kReaderLookInterval) return;
  m_readersLookedFor = now;
  m_readerLookPath = m_openPath;
  m_readerLook = std::thread([this, path = m_openPath] {
    m_readersSeen = holdersFromProc(path, kMostReadersNamed);
    QMetaObject::invokeMethod(this, &QtSerialService::deliverReaderLook, Qt::QueuedConnection);
  });
}

void QtSerialService::deliverReaderLook() {
  if (!m_readerLook.joinable()) return;
  m_readerLook.join();
  // A missing reply proves no reader: only readers that can be seen are
  // told, and a hidden one is not guessed at. A look at a device closed
  // since then says nothing of the port open now.
  if (!m_port.isOpen() || m_readerLookPath != m_openPath || m_readersSeen.holders.empty()) return;
  tellOtherReaders(m_ports.identity(m_number), m_readersSeen.holders, true);
}

void QtSerialService::tellOtherReaders(const PortIdentity& port,
                                       const std::vector<Process>& readers, bool sawAllProcesses) {
  std::string told = describeOtherReaders(port, readers, sawAllProcesses);
  if (told.empty() || told == m_readersTold) return;
  m_readersTold = std::move(told);
  if (m_onTrouble) m_onTrouble(m_readersTold);
}

}  // namespace qd40
