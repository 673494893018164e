#pragma once
// Debian's ser2net as a real serial device server on loopback, in front of a
// pseudo-terminal; and the simulated projector on a pseudo-terminal of its
// own. Both are started and stopped by the test.
#include <QProcess>
#include <QTemporaryDir>
#include <string>

namespace qd40::test {

// A TCP port on 127.0.0.1 that nothing listens on just now.
int freeLoopbackPort();
// Whether something listens on 127.0.0.1:`port`, from /proc/net/tcp (asking
// by connecting would make ser2net open its device).
bool listening(int port);

class DeviceServer final {
 public:
  enum class Mode { Raw, Rfc2217 };

  DeviceServer(std::string device, Mode mode);
  ~DeviceServer();

  // Starts ser2net on a free port (the same port again after a stop) and
  // returns once it listens.
  bool start();
  void stop();
  int port() const { return m_port; }
  // socket://127.0.0.1:PORT or rfc2217://127.0.0.1:PORT
  std::string url() const;

 private:
  std::string m_device;
  Mode m_mode;
  int m_port = 0;
  QTemporaryDir m_dir;
  QProcess m_process;
};

// qd40-sim on a fresh pseudo-terminal.
class SimulatedProjector final {
 public:
  ~SimulatedProjector();
  // Starts it and returns the path of its terminal, empty on failure.
  std::string start();

 private:
  QProcess m_process;
};

}  // namespace qd40::test
