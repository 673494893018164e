// The real programs over real pseudo-terminals: the shipped panel binary on a
// line the test holds, and the panel's window against the simulated projector.
#include <gtest/gtest.h>
#include <signal.h>

#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "PtyPair.h"
#include "app/Application.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kReplyWindowClosed{600};
constexpr milliseconds kStartUpSettles{300};

// Resident memory of this process, in KiB.
long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Whether process `pid` holds `device` open.
bool holds(qint64 pid, const std::string& device) {
  std::error_code ec;
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    std::error_code linkError;
    if (std::filesystem::read_symlink(fd.path(), linkError) == device) return true;
  }
  return false;
}

class BinaryTest : public testing::Test {
 protected:
  void start(const std::string& com1) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QD40_COM1", QString::fromStdString(com1));
    env.insert("QD40_COM2", "/dev/qd40-test-no-such-device");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    panel.setProcessEnvironment(env);
    panel.start(QD40_CONTROL_PATH, {});
    ASSERT_TRUE(panel.waitForStarted(5000));
  }
  void TearDown() override {
    if (panel.state() != QProcess::NotRunning) {
      panel.kill();
      panel.waitForFinished(5000);
    }
  }
  QProcess panel;
};

TEST_F(BinaryTest, OpensCom1AndSendsNothingAtStartUp) {
  PtyPair pty;
  start(pty.slavePath());
  EXPECT_TRUE(
      waitUntil([&] { return holds(panel.processId(), pty.slavePath()); }, milliseconds(5000)));
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
      waitUntil([&] { return holds(panel.processId(), pty.slavePath()); }, milliseconds(5000)));
  pty.hangUp();
  EXPECT_TRUE(
      waitUntil([&] { return !holds(panel.processId(), pty.slavePath()); }, milliseconds(3000)))
      << "the lost line is closed";
  EXPECT_EQ(panel.state(), QProcess::Running);
}

TEST_F(BinaryTest, APortHeldByAnotherPanelIsReportedWithItsHolder) {
  PtyPair pty;
  start(pty.slavePath());
  ASSERT_TRUE(
      waitUntil([&] { return holds(panel.processId(), pty.slavePath()); }, milliseconds(5000)));
  // Start-up opens COM1 and then selects it, which closes and reopens it; the
  // port is free for a moment in between, so let start-up finish first.
  runFor(kStartUpSettles);
  ASSERT_TRUE(holds(panel.processId(), pty.slavePath()));
  qputenv("QD40_COM1", QByteArray::fromStdString(pty.slavePath()));
  QtSerialService second;
  const PortStatus opened = second.open();
  EXPECT_FALSE(opened.ok);
  EXPECT_NE(opened.description.find("in use by qd40-control (process " +
                                    std::to_string(panel.processId()) + ")"),
            std::string::npos)
      << opened.description;
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
    panel = std::make_unique<Panel>();
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
