#pragma once
// Debian's ser2net as a real serial device server on loopback, in front of a
// pseudo-terminal; and the simulated projector on a pseudo-terminal of its
// own. Both are started and stopped by the test.
#include <QProcess>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "TempFolder.h"

namespace qd40::test {

class VethNamespace;

// A TCP port on 127.0.0.1 that nothing listens on just now.
int freeLoopbackPort();
// Whether something listens on TCP `port` in the network namespace of
// process `pid` (this one's by default), from its /proc/PID/net/tcp (asking
// by connecting would make ser2net open its device).
bool listening(int port, const std::string& pid = "self");

class DeviceServer final {
 public:
  enum class Mode { Raw, Rfc2217 };

  // Runs on loopback, or in `place`'s network namespace on its address.
  DeviceServer(std::string device, Mode mode, const VethNamespace* place = nullptr);
  ~DeviceServer();

  // Starts ser2net on a free port (the same port again after a stop) and
  // returns once it listens.
  bool start();
  void stop();
  int port() const { return m_port; }
  // socket://ADDRESS:PORT or rfc2217://ADDRESS:PORT
  std::string url() const;

 private:
  std::string m_device;
  Mode m_mode;
  const VethNamespace* m_place;
  std::string m_address = "127.0.0.1";
  int m_port = 0;
  TempFolder m_dir;
  QProcess m_process;
};

// A hostile device server on a free loopback port: each connection it
// accepts runs `script` on the server's own thread, one after the other,
// until the server is destroyed. Scripts poll stopping() in their loops.
class ScriptedServer final {
 public:
  using Script = std::function<void(ScriptedServer& server, int fd, int connection)>;
  // `receiveBuffer` bytes of receive buffer for each connection, 0 for the
  // system's default.
  explicit ScriptedServer(Script script, int receiveBuffer = 0);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  int port() const { return m_port; }
  int connections() const { return m_connections; }
  bool stopping() const { return m_stop; }
  // Sends what the socket takes without blocking for long; false once the
  // peer is gone.
  bool send(int fd, std::string_view bytes);
  // What arrives within `time`, or until the peer hangs up.
  std::string receive(int fd, std::chrono::milliseconds time);

 private:
  void run();

  Script m_script;
  int m_listener = -1;
  int m_port = 0;
  std::atomic<int> m_connections{0};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
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
