#pragma once
// The serial service over Qt SerialPort. COM1 and COM2 stand for the devices
// the port configuration names at the moment each is opened. Receive notifications arrive on the Qt
// event thread. An error on the open line is checked before anything is said: a device that is gone
// or hung up is closed and reported once, and the panel's next send opens it again; a working line
// stays open, and other programs that read it too are named once.
#include <QObject>
#include <QSerialPort>
#include <chrono>
#include <optional>
#include <thread>

#include "doctor/PortDiagnostics.h"
#include "line/SerialService.h"

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
  void setTroubleHandler(std::function<void(const std::string&)> onTrouble) override {
    m_onTrouble = std::move(onTrouble);
  }

  // Looks for other readers away from the window's thread: a look through
  // every process can take longer than a press-and-hold repeat.
  void replyMissing() override;
  // Tells what the last look found, once it is done; the look calls it on
  // the window's thread, and a test may call it to wait for the look.
  void deliverReaderLook();

  // The open descriptor, so tests can read the line's real settings.
  int nativeHandle() const { return static_cast<int>(m_port.handle()); }
  std::string devicePath() const;

 private:
  void onReadyRead();
  void onError(QSerialPort::SerialPortError error);
  void checkLine();
  void tellOtherReaders(const PortIdentity& port, const std::vector<Process>& readers,
                        bool sawAllProcesses);
  PortStatus applySettings();

  // An open that was refused, and what it depended on. While nothing it
  // depended on has changed, the next attempt is answered from here: a
  // held button tries to open the port every few milliseconds.
  struct Refusal {
    std::string signature;  // everything the diagnosis depended on; empty for none
    std::string stamp;      // what would have to change for the port to open
    int number = 0;
    std::string device;
    std::string path;
    int libraryError = 0;
    OpenFailure cause = OpenFailure::Other;
    long holderPid = 0;
    std::string lockPath;
    std::string description;
  };
  bool refusalStands(const PortIdentity& port) const;
  PortStatus refusal() const;
  PortStatus refuse(const PortIdentity& port, const std::string& path, int libraryError,
                    const std::function<Diagnosis()>& diagnose);

  const PortConfig& m_ports;
  QSerialPort m_port;
  int m_number = 1;
  std::string m_settings = "19200,N,8,1";
  // The node the open port was opened as.
  std::string m_openPath;
  CommEvent m_event = CommEvent::None;
  // Errors raised inside our own calls are answered by those calls.
  bool m_inCall = false;
  bool m_checkPending = false;
  Refusal m_refusal;
  // What was said about other readers since the port opened, and when they
  // were last looked for.
  std::string m_readersTold;
  std::optional<std::chrono::steady_clock::time_point> m_readersLookedFor;
  // The look started by a missing reply, the device it looks at, and what
  // it found (written by the look, read once it has been joined).
  std::thread m_readerLook;
  std::string m_readerLookPath;
  ProcScan m_readersSeen;
  std::function<void()> m_onComm;
  std::function<void(const std::string&)> m_onLost;
  std::function<void(const std::string&)> m_onTrouble;
};

}  // namespace qd40
