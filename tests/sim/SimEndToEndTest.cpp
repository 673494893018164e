// Runs the real qd40-sim binary on its pseudo-terminal with short timings and checks what a
// panel would see: replies, line trouble, the link, reopening the port and clean exits. Every
// wait is bounded by a poll() timeout, and a simulator a test did not stop is killed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TempFolder.h"

extern char** environ;

namespace qd40sim {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Generous enough for a loaded two-core machine; only reached when something is broken.
constexpr milliseconds kPatience{std::chrono::seconds(10)};
constexpr milliseconds kQuietWait{500};
constexpr milliseconds kPollPeriod{100};
constexpr milliseconds kExitPollInterval{20};

// Appends what arrives on `fd` before the deadline; false on timeout or end of file.
bool readMore(int fd, std::string& buffer, Clock::time_point deadline) {
  const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
  pollfd pfd{fd, POLLIN, 0};
  if (::poll(&pfd, 1, static_cast<int>(std::max<long long>(left, 0))) <= 0) return false;
  char chunk[4096];
  const ssize_t count = ::read(fd, chunk, sizeof chunk);
  if (count <= 0) return false;
  buffer.append(chunk, static_cast<std::size_t>(count));
  return true;
}

// The simulator process with pipes on its standard streams.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
      return;
    }
    args.insert(args.begin(), QD40_SIM_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    for (const int fd : {in[0], out[1], err[1]}) ::close(fd);
    m_fds = {in[1], out[0], err[0]};
  }

  ~SimProcess() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    for (const int fd : m_fds) ::close(fd);
  }

  bool started() const { return m_pid > 0; }

  std::optional<std::string> readLine(milliseconds timeout = kPatience) {
    const auto deadline = Clock::now() + timeout;
    std::size_t end;
    while ((end = m_out.find('\n')) == std::string::npos) {
      if (!readMore(m_fds[1], m_out, deadline)) return std::nullopt;
    }
    std::string line = m_out.substr(0, end);
    m_out.erase(0, end + 1);
    return line;
  }

  // Skips log lines until one contains `text`.
  bool waitForLog(std::string_view text) {
    const auto deadline = Clock::now() + kPatience;
    while (const auto line = readLine(std::chrono::ceil<milliseconds>(deadline - Clock::now()))) {
      if (line->find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::string readStderr() {
    std::string text;
    while (readMore(m_fds[2], text, Clock::now() + kPatience)) {
    }
    return text;
  }

  void closeStdin() { ::close(std::exchange(m_fds[0], -1)); }
  void signal(int number) { ::kill(m_pid, number); }

  // The exit status, or -1 when a signal ended it; nothing while it still runs.
  std::optional<int> waitExit(milliseconds timeout = kPatience) {
    if (m_pid <= 0) return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) != m_pid) {
      if (Clock::now() >= deadline) return std::nullopt;
      ::poll(nullptr, 0, static_cast<int>(kExitPollInterval.count()));
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t m_pid = -1;
  std::vector<int> m_fds;
  std::string m_out;
};

// The panel's end: the slave terminal opened read-write and set to raw mode.
class PanelPort {
 public:
  explicit PanelPort(const std::string& path)
      : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios settings{};
    if (m_fd < 0 || ::tcgetattr(m_fd, &settings) != 0) return;
    m_wasRaw = (settings.c_lflag & (ECHO | ICANON)) == 0;
    ::cfmakeraw(&settings);
    ::tcsetattr(m_fd, TCSANOW, &settings);
  }
  ~PanelPort() { ::close(m_fd); }

  bool isOpen() const { return m_fd >= 0; }
  // Whether echo and canonical input were already off before this port changed anything.
  bool wasRawBeforeOpen() const { return m_wasRaw; }
  void send(std::string_view bytes) {
    ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  std::string readUntil(std::string_view needle) {
    const auto deadline = Clock::now() + kPatience;
    std::string text;
    while (text.find(needle) == std::string::npos && readMore(m_fd, text, deadline)) {
    }
    return text;
  }
  // What one read returns once anything arrives, or "" after the timeout.
  std::string readSome(milliseconds timeout = kPatience) {
    std::string text;
    readMore(m_fd, text, Clock::now() + timeout);
    return text;
  }

 private:
  int m_fd;
  bool m_wasRaw = false;
};

class SimEndToEndTest : public ::testing::Test {
 protected:
  // Starts the simulator and returns its terminal path, or "" (with a failure) if it did not.
  std::string start(const std::vector<std::string>& args) {
    m_sim = std::make_unique<SimProcess>(args);
    EXPECT_TRUE(m_sim->started());
    const auto path = m_sim->readLine();
    EXPECT_TRUE(path && path->starts_with("/dev/")) << path.value_or("no first line");
    return path.value_or("");
  }

  void expectCleanExitOn(int signal) {
    m_sim->signal(signal);
    EXPECT_EQ(m_sim->waitExit(), 0);
  }

  std::unique_ptr<SimProcess> m_sim;
};

TEST_F(SimEndToEndTest, PowersOnThroughTheCountdown) {
  PanelPort port(start({"--countdown-ms", "2000"}));
  ASSERT_TRUE(port.isOpen());
  EXPECT_TRUE(port.wasRawBeforeOpen());
  port.send("CR0\r");
  EXPECT_EQ(port.readUntil("\r"), "80\r");
  port.send("C00\r");
  EXPECT_EQ(port.readUntil("\x06"), "\x06");
  port.send("CR0\r");
  EXPECT_EQ(port.readUntil("\r"), "40\r");

  std::string state;
  const auto deadline = Clock::now() + kPatience;
  while (state != "00\r" && Clock::now() < deadline) {
    // Nothing else is sent to us, so this is just a bounded pause between status reads.
    port.readSome(kPollPeriod);
    port.send("CR0\r");
    state = port.readUntil("\r");
    if (state != "00\r") {
      EXPECT_EQ(state, "40\r");
    }
  }
  EXPECT_EQ(state, "00\r");
  EXPECT_TRUE(m_sim->waitForLog("TX \"00\"<CR>"));
}

TEST_F(SimEndToEndTest, LineTroubleShapesTheReply) {
  struct Case {
    std::vector<std::string> args;
    std::string firstRead;
    milliseconds atLeast;
  };
  const std::vector<Case> cases = {
      {{}, "QD40SIM 1.0\r", milliseconds(0)},
      {{"--delay", "600"}, "QD40SIM 1.0\r", milliseconds(600)},
      {{"--split", "2", "--gap", "1000"}, "QD", milliseconds(1000)},
      {{"--split", "4", "--gap", "800", "--delay", "300"}, "QD40", milliseconds(1100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    PanelPort port(start(c.args));
    ASSERT_TRUE(port.isOpen());
    const auto sent = Clock::now();
    port.send("CR9\r");
    std::string reply = port.readSome();
    EXPECT_EQ(reply, c.firstRead);
    if (!reply.ends_with('\r')) reply += port.readUntil("\r");
    EXPECT_GE(Clock::now() - sent, c.atLeast);
    EXPECT_EQ(reply, "QD40SIM 1.0\r");
    expectCleanExitOn(SIGTERM);
  }
}

TEST_F(SimEndToEndTest, SilentLogsButNeverReplies) {
  PanelPort port(start({"--silent"}));
  ASSERT_TRUE(port.isOpen());
  port.send("CR0\r");
  EXPECT_TRUE(m_sim->waitForLog("RX \"CR0\"<CR>"));
  EXPECT_EQ(port.readSome(kQuietWait), "");
}

TEST_F(SimEndToEndTest, BlockedLineNeitherStallsNorLosesTheNextReply) {
  const std::string path = start({"--chatter", "100000", "--chatter-seconds", "1.5"});
  EXPECT_TRUE(m_sim->waitForLog("line blocked"));
  PanelPort port(path);
  port.send("CR4\r");
  EXPECT_TRUE(m_sim->waitForLog("RX \"CR4\"<CR>"));
  EXPECT_NE(m_sim->readLine().value_or("").find("TX \"11\"<CR>"), std::string::npos);
  // Reading only after the chatter is over checks that the backlog drains by itself.
  EXPECT_TRUE(m_sim->waitForLog("chatter finished"));
  const std::string received = port.readUntil("11\r");
  EXPECT_GT(received.size(), 64u * 1024);
  EXPECT_EQ(received.find_first_not_of("0123456789"), received.find("11\r") + 2);
  expectCleanExitOn(SIGTERM);
}

TEST_F(SimEndToEndTest, LinkIsCreatedAndRemoved) {
  const qd40::test::TempFolder folder("sim-e2e");
  const fs::path link = fs::path(folder.path()) / "projector";
  const std::string path = start({"--link", link});
  EXPECT_EQ(fs::read_symlink(link), path);
  {
    PanelPort port(link);
    port.send("CR4\r");
    EXPECT_EQ(port.readUntil("\r"), "11\r");
  }
  expectCleanExitOn(SIGTERM);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(SimEndToEndTest, PanelCanCloseAndReopenThePort) {
  const std::string path = start({"--countdown-ms", "60000"});
  for (const char* command : {"C00\r", "CR0\r", "CR1\r", "CR3\r"}) {
    PanelPort port(path);
    ASSERT_TRUE(port.isOpen());
    port.send(command);
    EXPECT_FALSE(port.readSome().empty()) << command;
  }
  PanelPort port(path);
  port.send("CR0\r");
  EXPECT_EQ(port.readUntil("\r"), "40\r");
}

TEST_F(SimEndToEndTest, StopSignalsExitCleanly) {
  for (const int signal : {SIGINT, SIGTERM}) {
    start({});
    expectCleanExitOn(signal);
  }
}

TEST_F(SimEndToEndTest, StdinEndOfFileStopsOnlyWhenAsked) {
  PanelPort port(start({}));
  m_sim->closeStdin();
  port.send("CR4\r");
  EXPECT_EQ(port.readUntil("\r"), "11\r");
  EXPECT_EQ(m_sim->waitExit(kQuietWait), std::nullopt);

  start({"--stdin-quit"});
  m_sim->closeStdin();
  EXPECT_EQ(m_sim->waitExit(), 0);
}

TEST_F(SimEndToEndTest, BadOptionExitsWithUsageError) {
  m_sim = std::make_unique<SimProcess>(std::vector<std::string>{"--split", "x"});
  EXPECT_EQ(m_sim->waitExit(), 2);
  EXPECT_NE(m_sim->readStderr().find("--split"), std::string::npos);
  EXPECT_EQ(m_sim->readLine(kQuietWait), std::nullopt);
}

}  // namespace
}  // namespace qd40sim
