// The panel on network ports, measured on the real binary under X: a held
// button on a refused port, servers that flood it and never read, and a
// link to ser2net that goes dead inside a network namespace of our own.
#include "NetworkBench.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "Loopback.h"
#include "VethNamespace.h"

namespace qd40::bench {

namespace {

using namespace std::chrono_literals;

constexpr auto kMapTimeout = 10s;
constexpr auto kStartSettle = 1500ms;  // for the start-up attempts to fail and be told
constexpr auto kTapHold = 20ms;
constexpr auto kHoldFor = 5s;
constexpr auto kAfterRelease = 500ms;
constexpr auto kFloodFor = 10s;
constexpr auto kRssProbe = 100ms;
constexpr auto kConnectSettle = 2s;  // for a panel to connect to ser2net and settle
constexpr auto kToldWithin = 30s;
constexpr auto kServerStart = 5s;
constexpr auto kPoll = 20ms;
constexpr const char* kStderrMark = "qd40-control: ";

int countLines(const std::string& file, std::string_view part) {
  std::ifstream in(file);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.find(part) != std::string::npos;
  return count;
}

// A loopback listener on a port of the system's choice.
class Listener final {
 public:
  Listener() : m_fd(test::listenOnLoopback(4, port)) {
    if (m_fd < 0) throw std::runtime_error("no loopback listener");
  }
  ~Listener() { ::close(m_fd); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  int fd() const { return m_fd; }
  int port = 0;

 private:
  int m_fd;
};

// A port nothing listens on: one the system just handed out and took back.
int refusedPort() {
  return Listener().port;
}

// Floods each connection it accepts with `flood`, over and over, and never
// reads; keeps each connection open until it is destroyed.
class FloodServer final {
 public:
  explicit FloodServer(std::string flood) : m_flood(std::move(flood)) {
    m_thread = std::thread([this] { run(); });
  }
  ~FloodServer() {
    m_stop = true;
    m_thread.join();
  }
  int port() const { return m_listener.port; }

 private:
  void run() {
    std::vector<int> open;
    int current = -1;
    std::size_t at = 0;
    while (!m_stop) {
      pollfd p[2] = {{m_listener.fd(), POLLIN, 0}, {current, POLLOUT, 0}};
      if (::poll(p, current >= 0 ? 2 : 1, static_cast<int>(kPoll.count())) <= 0) continue;
      if (p[0].revents & POLLIN) {
        current = ::accept4(m_listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (current >= 0) open.push_back(current);
        at = 0;
      }
      if (current < 0 || !(p[1].revents & POLLOUT)) continue;
      const ssize_t n =
          ::send(current, m_flood.data() + at, m_flood.size() - at, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno != EAGAIN) current = -1;
      if (n > 0) at = (at + static_cast<std::size_t>(n)) % m_flood.size();
    }
    for (int fd : open) ::close(fd);
  }

  std::string m_flood;
  Listener m_listener;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// A program with arguments, ended with SIGTERM when the object goes.
class Spawned final {
 public:
  explicit Spawned(const std::vector<std::string>& args) {
    m_pid = ::fork();
    if (m_pid < 0) throw std::runtime_error("fork failed");
    if (m_pid == 0) {
      // ser2net says on every start that it cannot announce itself (mdns).
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDERR_FILENO);
      std::vector<char*> argv;
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
  }
  ~Spawned() {
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
  }
  Spawned(const Spawned&) = delete;
  Spawned& operator=(const Spawned&) = delete;
  pid_t pid() const { return m_pid; }

 private:
  pid_t m_pid = -1;
};

// Whether process `pid` has a TCP socket listening on `port`, in its own
// network namespace.
bool listening(pid_t pid, int port) {
  std::ifstream table("/proc/" + std::to_string(pid) + "/net/tcp");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    char local[64] = {};
    char state[8] = {};
    if (std::sscanf(line.c_str(), "%*s %63s %*s %7s", local, state) != 2) continue;
    const char* colon = std::strchr(local, ':');
    if (colon != nullptr && std::strtol(colon + 1, nullptr, 16) == port &&
        std::string(state) == "0A") {
      return true;
    }
  }
  return false;
}

bool waitFor(const std::function<bool()>& done, Millis timeout) {
  const auto start = Clock::now();
  while (!done()) {
    if (Clock::now() - start > timeout) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

// The panel with COM1 on a network port, its standard error in a file.
class NetworkPanel final {
 public:
  NetworkPanel(XSession& x, const CentreOf& centreOf, const std::string& control,
               const std::string& url, const std::string& errors)
      : m_x(x),
        m_centreOf(centreOf),
        m_child(control, {{"QD40_COM1", url}, {"QD40_COM2", "/dev/qd40-bench-no-such-device"}},
                errors) {
    if (!x.waitMapped(m_child.pid(), kMapTimeout, &m_window)) {
      throw std::runtime_error(control + ": no window within 10 s");
    }
  }
  Child& child() { return m_child; }
  void button(std::string_view control, bool down) {
    const auto [x, y] = m_centreOf(control);
    m_x.moveTo(m_window, x, y);
    m_x.button(down);
  }
  void click(std::string_view control) {
    button(control, true);
    std::this_thread::sleep_for(kTapHold);
    button(control, false);
  }

 private:
  XSession& m_x;
  const CentreOf& m_centreOf;
  Child m_child;
  Window m_window = 0;
};

std::string telnet(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

void refusedHold(XSession& x, const CentreOf& centreOf, const std::string& control,
                 const std::string& dir, int runs, std::vector<NetworkFigure>& figures) {
  const std::string errors = dir + "/refused.err";
  NetworkPanel panel(x, centreOf, control, "socket://127.0.0.1:" + std::to_string(refusedPort()),
                     errors);
  std::this_thread::sleep_for(kStartSettle);
  std::vector<double> cpu;
  for (int run = 0; run < runs; ++run) {
    // "↓" repeats every 5 ms after a D.Zoom tap.
    panel.click("Command48");
    const double before = panel.child().cpuSeconds();
    const auto start = Clock::now();
    panel.button("Command7", true);
    std::this_thread::sleep_for(kHoldFor);
    panel.button("Command7", false);
    cpu.push_back(100.0 * (panel.child().cpuSeconds() - before) / (msSince(start) / 1000.0));
    std::this_thread::sleep_for(kAfterRelease);
  }
  figures.push_back({"5 ms hold on a refused network port: CPU", "% core", cpu, 5, "< 5"});
  const double lines = countLines(errors, kStderrMark);
  figures.push_back({"refused network port: stderr lines", "lines", {lines}, 1, "1 an episode"});
}

void floodingServers(XSession& x, const CentreOf& centreOf, const std::string& control,
                     const std::string& dir, int runs, std::vector<NetworkFigure>& figures) {
  std::string requests;
  for (int option = 0; option < 256; ++option) {
    requests += telnet({255, 253, option, 255, 251, option});
  }
  const std::string flips = telnet({255, 253, 0, 255, 254, 0});
  std::vector<double> peak;
  for (int run = 0; run < runs; ++run) {
    double most = 0;
    for (const std::string& flood : {requests, flips}) {
      FloodServer server(flood);
      NetworkPanel panel(x, centreOf, control,
                         "rfc2217://127.0.0.1:" + std::to_string(server.port()),
                         dir + "/flood.err");
      for (const auto start = Clock::now(); Clock::now() - start < kFloodFor;) {
        most = std::max(most, panel.child().rssMiB());
        std::this_thread::sleep_for(kRssProbe);
      }
    }
    peak.push_back(most);
  }
  figures.push_back({"RSS, server floods and never reads", "MiB", peak, 100, "< 100"});
}

// ser2net in a namespace of its own on a pseudo-terminal; the link to it is
// taken down under a standing connection, after which POWER ON is pressed or
// nothing is done. The time runs from the link going down to the panel's
// line about it on standard error.
void deadLink(XSession& x, const CentreOf& centreOf, const std::string& control,
              const std::string& dir, int runs, std::vector<NetworkFigure>& figures) {
  test::VethNamespace place;
  if (!place.failure().empty()) {
    std::printf("dead link: figure left out: %s\n", place.failure().c_str());
    return;
  }
  constexpr int kPort = 4001;
  const std::string config = dir + "/ser2net.yaml";
  Pty device;
  std::ofstream(config) << "connection: &projector\n"
                        << "  accepter: telnet(rfc2217),tcp," << place.address() << "," << kPort
                        << "\n  connector: serialdev," << device.slavePath() << ",19200n81,local\n";
  std::vector<double> pressed, idle;
  for (int run = 0; run < 2 * runs; ++run) {
    std::vector<std::string> command = place.enter();
    command.insert(command.end(), {"ser2net", "-n", "-u", "-c", config});
    Spawned server(command);
    if (!waitFor([&] { return listening(server.pid(), kPort); }, kServerStart)) {
      throw std::runtime_error("ser2net did not listen in the namespace");
    }
    const std::string errors = dir + "/dead-link.err";
    NetworkPanel panel(x, centreOf, control,
                       "rfc2217://" + place.address() + ":" + std::to_string(kPort), errors);
    std::this_thread::sleep_for(kConnectSettle);
    device.awaitQuiet(Millis(kPoll));
    place.setLink(false);
    const auto down = Clock::now();
    const bool press = run % 2 == 0;
    if (press) panel.click("Command17");
    const bool told =
        waitFor([&] { return countLines(errors, " was lost (") > 0; }, Millis(kToldWithin));
    (press ? pressed : idle).push_back(told ? msSince(down) / 1000.0 : 1e9);
    place.setLink(true);
  }
  figures.push_back({"dead link -> operator told, after a press", "s", pressed, 15, "< 15"});
  figures.push_back({"dead link -> operator told, idle", "s", idle, 15, "< 15"});
}

// The port box of a panel may come and go while the benchmark looks at the
// windows being mapped; a window gone by the time it is asked about is no
// error here.
int ignoreVanishedWindows(::Display*, XErrorEvent* error) {
  if (error->error_code == BadWindow) return 0;
  std::fprintf(stderr, "bench: X error %d\n", error->error_code);
  return 0;
}

}  // namespace

std::vector<NetworkFigure> measureNetworkPorts(XSession& x, const std::string& control,
                                               const std::string& dir, int runs,
                                               const CentreOf& centreOf) {
  XSetErrorHandler(ignoreVanishedWindows);
  std::vector<NetworkFigure> figures;
  refusedHold(x, centreOf, control, dir, runs, figures);
  floodingServers(x, centreOf, control, dir, std::max(1, runs / 2), figures);
  deadLink(x, centreOf, control, dir, std::max(1, runs / 2), figures);
  return figures;
}

}  // namespace qd40::bench
