// The real programs over real pseudo-terminals: the shipped panel binary on a
// line the test holds, and the panel's window against the simulated projector.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "PtyPair.h"
#include "app/Application.h"
#include "doctor/PortDiagnostics.h"
#include "toolkit/SignalWatcher.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kReplyWindowClosed{600};

// Resident memory of this process, in KiB.
long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// The lock files there are, with the process each names, for a failure.
std::string lockFiles() {
  std::string out;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/var/lock", ec)) {
    std::string pid;
    std::getline(std::ifstream(entry.path()), pid);
    std::string command;
    std::getline(std::ifstream("/proc/" + pid + "/cmdline"), command, '\0');
    out += entry.path().filename().string() + " (" + pid + (command.empty() ? "" : " " + command) +
           ") ";
  }
  return out;
}

// Whether the unprivileged user 'nobody' can open `device`; nullopt when this
// process cannot become that user.
std::optional<bool> opensAsNobody(const std::string& device) {
  if (geteuid() != 0) return std::nullopt;
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNoGroup = 65534;
  const pid_t child = fork();
  if (child == 0) {
    // Only async-signal-safe calls in the child of a threaded process.
    if (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0) _exit(2);
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    _exit(fd >= 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 2) return std::nullopt;
  return WEXITSTATUS(status) == 0;
}

class BinaryTest : public testing::Test {
 protected:
  // `wrapper` runs the panel, as nohup does.
  void start(const std::string& com1, const QString& wrapper = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QD40_COM1", QString::fromStdString(com1));
    env.insert("QD40_COM2", "/dev/qd40-test-no-such-device");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    panel.setProcessEnvironment(env);
    if (wrapper.isEmpty()) {
      panel.start(QD40_CONTROL_PATH, {});
    } else {
      panel.start(wrapper, {QD40_CONTROL_PATH});
    }
    ASSERT_TRUE(panel.waitForStarted(5000));
  }
  // Starts the panel and waits until its start-up is over: it opens COM1,
  // closes it and opens it again, so the port is held for good only once
  // its lock file has been made the second time.
  void startSettled(const std::string& com1, const std::string& device,
                    const QString& wrapper = {}) {
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    // Deletions are watched too: two creations in a row that are not read
    // in between would be merged into one event.
    ASSERT_GE(inotify_add_watch(watch, "/var/lock", IN_CREATE | IN_DELETE), 0);
    const std::string lockName = qtLockName(device);
    int made = 0;
    start(com1, wrapper);
    const bool settled = waitUntil(
        [&] {
          alignas(inotify_event) char buffer[4096];
          for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + n;) {
              const auto* event = reinterpret_cast<const inotify_event*>(at);
              if ((event->mask & IN_CREATE) && event->len > 0 && lockName == event->name) ++made;
              at += sizeof(inotify_event) + event->len;
            }
          }
          return made >= 2 && holdsOpen(panel.processId(), device);
        },
        milliseconds(5000));
    close(watch);
    ASSERT_TRUE(settled) << "lock made " << made << " times; panel " << panel.processId() << "; "
                         << lockFiles();
  }
  void TearDown() override { endPanel(panel); }
  QProcess panel;
};

TEST_F(BinaryTest, OpensCom1AndSendsNothingAtStartUp) {
  PtyPair pty;
  start(pty.slavePath());
  EXPECT_TRUE(
      waitUntil([&] { return holdsOpen(panel.processId(), pty.slavePath()); }, milliseconds(5000)));
  EXPECT_EQ(pty.drain(milliseconds(500)), "");
  EXPECT_EQ(panel.state(), QProcess::Running);
  ::kill(static_cast<pid_t>(panel.processId()), SIGTERM);
  EXPECT_TRUE(panel.waitForFinished(5000));
}

TEST_F(BinaryTest, KeepsRunningWhenCom1IsMissingOrHangsUp) {
  start("/dev/qd40-test-missing-com1");
  runFor(milliseconds(1000));
  EXPECT_EQ(panel.state(), QProcess::Running);

  BinaryTest::TearDown();
  PtyPair pty;
  start(pty.slavePath());
  ASSERT_TRUE(
      waitUntil([&] { return holdsOpen(panel.processId(), pty.slavePath()); }, milliseconds(5000)));
  pty.hangUp();
  EXPECT_TRUE(
      waitUntil([&] { return !holdsOpen(panel.processId(), pty.slavePath()); }, milliseconds(3000)))
      << "the lost line is closed";
  EXPECT_EQ(panel.state(), QProcess::Running);
}

TEST_F(BinaryTest, APortHeldByAnotherPanelIsReportedWithItsHolder) {
  // The panel holds the pty under one name; a second panel tries it under
  // the same name or the other one (a link and its target).
  PtyPair pty;
  const std::string link = "/tmp/qd40-test-held-" + std::to_string(getpid());
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slavePath(), link);
  struct Case {
    std::string held, tried;
  };
  for (const Case& c : {Case{pty.slavePath(), pty.slavePath()}, Case{link, pty.slavePath()},
                        Case{pty.slavePath(), link}}) {
    startSettled(c.held, pty.slavePath());
    const PortConfig ports({"", c.tried, ""}, {});
    QtSerialService second(ports);
    const PortStatus opened = second.open();
    EXPECT_FALSE(opened.ok) << c.held << " then " << c.tried;
    EXPECT_FALSE(second.isOpen());
    EXPECT_NE(opened.description.find("COM1 (" + c.tried + "): in use by qd40-control (process " +
                                      std::to_string(panel.processId()) + " of user "),
              std::string::npos)
        << opened.description;
    BinaryTest::TearDown();
  }
  std::filesystem::remove(link);
}

TEST_F(BinaryTest, TerminationSignalsCloseThePortRemoveTheLockAndExitCleanly) {
  for (const int signo : {SIGTERM, SIGINT, SIGHUP}) {
    PtyPair pty;
    chmod(pty.slavePath().c_str(), 0666);
    startSettled(pty.slavePath(), pty.slavePath());
    const std::string lock = "/var/lock/" + qtLockName(pty.slavePath());
    ASSERT_TRUE(std::filesystem::exists(lock));
    ::kill(static_cast<pid_t>(panel.processId()), signo);
    ASSERT_TRUE(panel.waitForFinished(5000)) << strsignal(signo);
    EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit) << strsignal(signo);
    EXPECT_EQ(panel.exitCode(), 0) << strsignal(signo);
    EXPECT_FALSE(std::filesystem::exists(lock)) << strsignal(signo);
    // Exclusive mode would refuse every user but root.
    const std::optional<bool> reopened = opensAsNobody(pty.slavePath());
    if (!reopened) GTEST_SKIP() << "cannot become the user 'nobody' to try the pty";
    EXPECT_TRUE(*reopened) << "the pty was left in exclusive mode after " << strsignal(signo);
  }
}

TEST_F(BinaryTest, UnderNohupAHangUpSignalLeavesThePanelRunningAndTermEndsIt) {
  PtyPair pty;
  startSettled(pty.slavePath(), pty.slavePath(), "nohup");
  ::kill(static_cast<pid_t>(panel.processId()), SIGHUP);
  EXPECT_FALSE(panel.waitForFinished(1000)) << "a hang-up ended the panel under nohup";
  EXPECT_TRUE(holdsOpen(panel.processId(), pty.slavePath()));
  ::kill(static_cast<pid_t>(panel.processId()), SIGTERM);
  ASSERT_TRUE(panel.waitForFinished(5000));
  EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(panel.exitCode(), 0);
}

void testSignalHandler(int) {}

TEST(SignalWatcher, LeavesAnIgnoredSignalIgnoredAndGivesEveryDispositionBack) {
  struct sigaction ignore {
  }, mine{}, saved[2]{};
  ignore.sa_handler = SIG_IGN;
  mine.sa_handler = testSignalHandler;
  sigaction(SIGHUP, &ignore, &saved[0]);
  sigaction(SIGINT, &mine, &saved[1]);
  const auto handler = [](int signo) {
    struct sigaction now {};
    sigaction(signo, nullptr, &now);
    return now.sa_handler;
  };
  {
    const SignalWatcher watcher([] {});
    EXPECT_EQ(handler(SIGHUP), SIG_IGN);
    EXPECT_NE(handler(SIGINT), testSignalHandler);
  }
  EXPECT_EQ(handler(SIGHUP), SIG_IGN);
  EXPECT_EQ(handler(SIGINT), testSignalHandler);
  sigaction(SIGHUP, &saved[0], nullptr);
  sigaction(SIGINT, &saved[1], nullptr);
}

// The panel's window in this process, the simulated projector in another.
class SimulatorTest : public testing::Test {
 protected:
  void startSim(const QStringList& options) {
    sim.setProcessChannelMode(QProcess::SeparateChannels);
    sim.start(QD40_SIM_PATH, options);
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return sim.canReadLine(); }, milliseconds(5000)));
    const QByteArray path = sim.readLine().trimmed();
    ASSERT_TRUE(path.startsWith("/dev/")) << path.toStdString();
    qputenv("QD40_COM1", path);
    qputenv("QD40_COM2", "/dev/qd40-test-no-such-device");
    panel = std::make_unique<Panel>(loadPortSetup({}));
    panel->start();
    runFor(milliseconds(50));
    ASSERT_TRUE(panel->serial().isOpen());
  }
  void TearDown() override {
    panel.reset();
    sim.terminate();
    if (!sim.waitForFinished(3000)) sim.kill();
  }
  void click(const char* name) { QTest::mouseClick(panel->window().control(name), Qt::LeftButton); }
  std::string status() {
    return qobject_cast<QLabel*>(panel->window().control("Label22"))->text().toStdString();
  }
  bool statusAfter(const char* button, const std::string& expected) {
    click(button);
    return waitUntil([&] { return status() == expected; }, milliseconds(900));
  }

  QProcess sim;
  std::unique_ptr<Panel> panel;
};

TEST_F(SimulatorTest, PowerOnCountsDownThenIsOn) {
  startSim({"--countdown-ms", "1500"});
  EXPECT_TRUE(statusAfter("Command44", " Stand by"));
  // Each query waits for the reply window of the command before it to
  // close; an acknowledgement arriving after the query would stand in front
  // of its reply.
  click("Command17");
  runFor(kReplyWindowClosed);
  EXPECT_TRUE(statusAfter("Command44", " Count down"));
  runFor(milliseconds(1500));
  EXPECT_TRUE(statusAfter("Command44", " Power ON"));
}

TEST_F(SimulatorTest, InputModeFollowsTheInputButtons) {
  startSim({});
  click("Command28");
  runFor(kReplyWindowClosed);
  EXPECT_TRUE(statusAfter("Command45", " Computer 2"));
  runFor(kReplyWindowClosed);
  click("Command29");
  runFor(kReplyWindowClosed);
  EXPECT_TRUE(statusAfter("Command45", " Video"));
}

TEST_F(SimulatorTest, FloodOfUnsolicitedCharactersLeavesTheWindowResponsiveAndMemoryFlat) {
  startSim({"--chatter", "20000", "--chatter-seconds", "10"});
  // How late a 20 ms timer fires tells whether the event loop keeps up.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, worstGap = 0;
  QTimer probe;
  probe.setInterval(20);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    worstGap = std::max(worstGap, clock.elapsed() - last);
    last = clock.elapsed();
  });
  probe.start();
  runFor(milliseconds(2000));
  const long early = residentKiB();
  const auto label12 = qobject_cast<QLabel*>(panel->window().control("Label12"));
  EXPECT_GT(label12->text().size(), 1000) << "the flood reaches the monitor";
  worstGap = 0;
  last = clock.elapsed();
  runFor(milliseconds(8000));
  const long late = residentKiB();
  EXPECT_LT(worstGap, 1000) << "the window kept handling events";
  std::printf("resident memory %ld KiB after 2 s, %ld KiB after 10 s; longest gap %lld ms\n", early,
              late, static_cast<long long>(worstGap));
#ifndef __SANITIZE_ADDRESS__
  // AddressSanitizer holds freed memory back, so only a plain build can tell.
  EXPECT_LT(late - early, 20 * 1024) << "resident memory grew by " << (late - early) << " KiB";
#endif
  // Once the flood is over, the first reply window empties the full buffer
  // and the next query is answered and decoded as always.
  runFor(milliseconds(1000));
  click("Command44");
  runFor(milliseconds(600));
  EXPECT_TRUE(statusAfter("Command44", " Stand by"));
}

}  // namespace
}  // namespace qd40::test
