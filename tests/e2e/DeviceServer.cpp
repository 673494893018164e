#include "DeviceServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <fstream>
#include <sstream>

#include "PtyPair.h"

namespace qd40::test {

namespace {
using std::chrono::milliseconds;
constexpr milliseconds kStartTime{5000};
}  // namespace

int freeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

bool listening(int port) {
  constexpr const char* kListen = "0A";
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    const auto colon = local.find(':');
    if (colon != std::string::npos && std::stoi(local.substr(colon + 1), nullptr, 16) == port &&
        state == kListen) {
      return true;
    }
  }
  return false;
}

DeviceServer::DeviceServer(std::string device, Mode mode)
    : m_device(std::move(device)), m_mode(mode) {
  // It complains on every start that it cannot announce itself (mdns),
  // which is no concern of the tests.
  m_process.setStandardErrorFile(QProcess::nullDevice());
}

DeviceServer::~DeviceServer() {
  stop();
}

std::string DeviceServer::url() const {
  return (m_mode == Mode::Raw ? "socket://127.0.0.1:" : "rfc2217://127.0.0.1:") +
         std::to_string(m_port);
}

bool DeviceServer::start() {
  if (m_port == 0) m_port = freeLoopbackPort();
  const QString config = m_dir.filePath("ser2net.yaml");
  std::ofstream(config.toStdString())
      << "connection: &projector\n"
      << "  accepter: " << (m_mode == Mode::Rfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
      << "127.0.0.1," << m_port << "\n"
      << "  connector: serialdev," << m_device << ",19200n81,local\n";
  // -n: stay in the foreground; -u: no UUCP lock files.
  m_process.start("ser2net", {"-n", "-u", "-c", config});
  if (!m_process.waitForStarted(static_cast<int>(kStartTime.count()))) return false;
  return waitUntil([&] { return listening(m_port); }, kStartTime);
}

void DeviceServer::stop() {
  if (m_process.state() == QProcess::NotRunning) return;
  m_process.terminate();
  if (!m_process.waitForFinished(static_cast<int>(kStartTime.count()))) m_process.kill();
  m_process.waitForFinished();
  waitUntil([&] { return !listening(m_port); }, kStartTime);
}

SimulatedProjector::~SimulatedProjector() {
  m_process.terminate();
  if (!m_process.waitForFinished(3000)) m_process.kill();
}

std::string SimulatedProjector::start() {
  m_process.start(QD40_SIM_PATH, {});
  if (!m_process.waitForStarted(5000)) return {};
  if (!waitUntil([&] { return m_process.canReadLine(); }, kStartTime)) return {};
  return m_process.readLine().trimmed().toStdString();
}

}  // namespace qd40::test
