// The panel ends, in bounded time, while the filesystem of its session log
// is frozen: the log's file calls wait in a writer process of their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <chrono>

#include "PtyPair.h"
#include "TempFolder.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

bool run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
         process.exitCode() == 0;
}

// A small ext4 filesystem on a loop device, mounted for the test alone.
class FrozenLog : public testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting and freezing a filesystem needs root";
    mountPoint = dir.filePath("mnt");
    ASSERT_TRUE(QDir().mkpath(mountPoint));
    ASSERT_TRUE(run("truncate", {"-s", "8M", dir.filePath("fs.img")}));
    ASSERT_TRUE(run("mkfs.ext4", {"-q", "-F", dir.filePath("fs.img")}));
    ASSERT_TRUE(run("mount", {"-o", "loop", dir.filePath("fs.img"), mountPoint}));
    mounted = true;
    log = mountPoint + "/session.log";
  }
  void TearDown() override {
    if (!mounted) return;
    run("fsfreeze", {"-u", mountPoint});
    // A writer left behind holds the file open, and the filesystem busy,
    // until it has died.
    EXPECT_TRUE(waitUntil([&] { return run("umount", {mountPoint}); }, milliseconds(10000)))
        << "a writer process outlives the thaw";
  }
  void startPanel(QProcess& panel) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QD40_COM2", "/dev/qd40-test-no-such-device");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    panel.setProcessEnvironment(env);
    panel.start(QD40_CONTROL_PATH,
                {"--com1", QString::fromStdString(pty.slavePath()), "--log", log});
    ASSERT_TRUE(panel.waitForStarted(5000));
  }
  // SIGTERM ends the panel as END does; it must be gone within the log's
  // bound and a margin for a loaded machine.
  std::string endedWithin(QProcess& panel, milliseconds bound) {
    const auto start = Clock::now();
    panel.terminate();
    EXPECT_TRUE(panel.waitForFinished(static_cast<int>(bound.count())));
    EXPECT_LT(Clock::now() - start, bound);
    return panel.readAllStandardError().toStdString();
  }

  TempFolder dir;
  QString mountPoint, log;
  bool mounted = false;
  PtyPair pty;
};

TEST_F(FrozenLog, ThePanelEndsAndSaysWhatWasNotWritten) {
  QProcess panel;
  startPanel(panel);
  const std::string opened = "COM1 (" + pty.slavePath() + ") opened";
  ASSERT_TRUE(waitUntil(
      [&] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(opened.c_str());
      },
      milliseconds(5000)));
  ASSERT_TRUE(run("fsfreeze", {"-f", mountPoint}));
  // The port's closing is logged as the panel ends, and waits for the thaw.
  const std::string err = endedWithin(panel, milliseconds(6000));
  EXPECT_NE(err.find("qd40-control: the session log " + log.toStdString() +
                     " did not answer within 2 s; the program ends without its last 1 line ("),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("bytes); the first of them may yet be written when its filesystem answers."),
            std::string::npos)
      << err;
}

TEST_F(FrozenLog, APanelStartedOnAFrozenLogRunsWithoutItAndEnds) {
  ASSERT_TRUE(run("fsfreeze", {"-f", mountPoint}));
  QProcess panel;
  startPanel(panel);
  // The opening gives up after its bound; the window then shows and takes
  // the port.
  EXPECT_TRUE(
      waitUntil([&] { return holdsOpen(panel.processId(), pty.slavePath()); }, milliseconds(8000)));
  const std::string err = endedWithin(panel, milliseconds(4000));
  EXPECT_EQ(err.find("did not answer"), std::string::npos) << err;
}

}  // namespace
}  // namespace qd40::test
