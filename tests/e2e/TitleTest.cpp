// The shipped binary on a real X server: the title bar reads exactly the
// panel's caption, with nothing appended by the toolkit.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "PtyPair.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
// A generous bound for a server or a window to appear on a loaded machine;
// the test waits only as long as it takes.
constexpr milliseconds kAppears{30000};

// Runs an X11 tool against `display` and returns what it printed.
QString runTool(const QString& display, const QString& tool, QStringList arguments) {
  QProcess process;
  arguments << "-display" << display;
  process.start(tool, arguments);
  if (!process.waitForFinished(5000)) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

class TitleTest : public testing::Test {
 protected:
  void TearDown() override {
    for (QProcess* process : {&panel, &server}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(3000)) process->kill();
      process->waitForFinished(3000);
    }
  }
  QProcess server, panel;
};

TEST_F(TitleTest, X11TitleIsExactlyTheCaption) {
  // The server picks a free display and writes its number to standard output.
  server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
  ASSERT_TRUE(server.waitForStarted(5000));
  ASSERT_TRUE(waitUntil([&] { return server.canReadLine(); }, kAppears));
  const QString display = ":" + QString::fromUtf8(server.readLine().trimmed());

  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "xcb");
  env.insert("DISPLAY", display);
  env.insert("QD40_COM1", "/dev/qd40-test-no-such-device");
  env.insert("QD40_COM2", "/dev/qd40-test-no-such-device");
  panel.setProcessEnvironment(env);
  panel.setProcessChannelMode(QProcess::MergedChannels);
  panel.start(QD40_CONTROL_PATH, {});
  ASSERT_TRUE(panel.waitForStarted(5000));

  // The panel's top-level window is the one whose name starts with the caption.
  const QRegularExpression listed(R"(^\s*(0x[0-9a-f]+) "ORVEN)",
                                  QRegularExpression::MultilineOption);
  QString id;
  ASSERT_TRUE(waitUntil(
      [&] {
        const auto match = listed.match(runTool(display, "xwininfo", {"-root", "-tree"}));
        if (match.hasMatch()) id = match.captured(1);
        return match.hasMatch();
      },
      kAppears))
      << "panel " << (panel.state() == QProcess::Running ? "running" : "ended") << ": "
      << panel.readAll().toStdString();
  // Start-up could not open COM1: its message box keeps its own title.
  EXPECT_TRUE(waitUntil(
      [&] {
        return runTool(display, "xwininfo", {"-root", "-tree"}).contains("\"QD40 Control\": (");
      },
      kAppears));
  const QString names = runTool(display, "xprop", {"-id", id, "_NET_WM_NAME", "WM_NAME"});
  // Window managers read either name; both must be the caption alone.
  const QString caption = QRegularExpression::escape("\"ORVEN   QD40   CONTROL   Ver.1.40\"");
  for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
    const QRegularExpression exact(
        QString("^%1\\([A-Z0-9_]+\\) = %2$").arg(QString::fromLatin1(name), caption),
        QRegularExpression::MultilineOption);
    EXPECT_TRUE(exact.match(names).hasMatch()) << names.toStdString();
  }
}

}  // namespace
}  // namespace qd40::test
