#include "DeviceServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "Loopback.h"
#include "PtyPair.h"
#include "VethNamespace.h"

namespace qd40::test {

namespace {
using std::chrono::milliseconds;
constexpr milliseconds kStartTime{5000};
}  // namespace

int freeLoopbackPort() {
  int port = 0;
  const int fd = listenOnLoopback(1, port);
  if (fd >= 0) ::close(fd);
  return port;
}

bool listening(int port, const std::string& pid) {
  constexpr const char* kListen = "0A";
  std::ifstream table("/proc/" + pid + "/net/tcp");
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

DeviceServer::DeviceServer(std::string device, Mode mode, const VethNamespace* place)
    : m_device(std::move(device)), m_mode(mode), m_place(place) {
  if (m_place != nullptr) m_address = m_place->address();
  // It complains on every start that it cannot announce itself (mdns),
  // which is no concern of the tests.
  m_process.setStandardErrorFile(QProcess::nullDevice());
}

DeviceServer::~DeviceServer() {
  stop();
}

std::string DeviceServer::url() const {
  return (m_mode == Mode::Raw ? "socket://" : "rfc2217://") + m_address + ":" +
         std::to_string(m_port);
}

bool DeviceServer::start() {
  if (m_port == 0) m_port = freeLoopbackPort();
  const QString config = m_dir.filePath("ser2net.yaml");
  std::ofstream(config.toStdString())
      << "connection: &projector\n"
      << "  accepter: " << (m_mode == Mode::Rfc2217 ? "telnet(rfc2217),tcp," : "tcp,") << m_address
      << "," << m_port << "\n"
      << "  connector: serialdev," << m_device << ",19200n81,local\n";
  // -n: stay in the foreground; -u: no UUCP lock files.
  QStringList command;
  if (m_place != nullptr) {
    for (const std::string& word : m_place->enter()) command << QString::fromStdString(word);
  }
  command << "ser2net"
          << "-n"
          << "-u"
          << "-c" << config;
  m_process.start(command.takeFirst(), command);
  if (!m_process.waitForStarted(static_cast<int>(kStartTime.count()))) return false;
  const std::string pid = std::to_string(m_process.processId());
  return waitUntil([&] { return listening(m_port, pid); }, kStartTime);
}

void DeviceServer::stop() {
  if (m_process.state() == QProcess::NotRunning) return;
  m_process.terminate();
  if (!m_process.waitForFinished(static_cast<int>(kStartTime.count()))) m_process.kill();
  m_process.waitForFinished();
  if (m_place == nullptr) waitUntil([&] { return !listening(m_port); }, kStartTime);
}

ScriptedServer::ScriptedServer(Script script, int receiveBuffer) : m_script(std::move(script)) {
  m_listener = listenOnLoopback(4, m_port, receiveBuffer);
  m_thread = std::thread([this] { run(); });
}

ScriptedServer::~ScriptedServer() {
  m_stop = true;
  m_thread.join();
  ::close(m_listener);
}

void ScriptedServer::run() {
  while (!m_stop) {
    pollfd p{m_listener, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    m_script(*this, fd, m_connections++);
    ::close(fd);
  }
}

bool ScriptedServer::send(int fd, std::string_view bytes) {
  while (!bytes.empty() && !m_stop) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EAGAIN) continue;
    if (n < 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string ScriptedServer::receive(int fd, milliseconds time) {
  std::string out;
  const auto end = std::chrono::steady_clock::now() + time;
  while (!m_stop && std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
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
