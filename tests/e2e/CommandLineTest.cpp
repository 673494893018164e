// The programs' command lines: what parsing makes of them, and what the real
// binaries print and return for them with no display to open a window on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <filesystem>

#include "PtyPair.h"
#include "TempFolder.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/PortSetup.h"
#include "wording/PortMessages.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

TEST(CommandLine, PortOptionsNameTheDevices) {
  struct Case {
    QStringList arguments;
    std::optional<std::string> com1, com2;
  };
  for (const Case& c : {
           Case{{}, {}, {}},
           Case{{"--com1", "/dev/ttyUSB0"}, "/dev/ttyUSB0", {}},
           Case{{"--com2=/dev/pts/3"}, {}, "/dev/pts/3"},
           Case{{"--com2", "/dev/b", "--com1", "/dev/a"}, "/dev/a", "/dev/b"},
           Case{{"--com1", "/dev/serial/by-id/usb-Ünï-if00"}, "/dev/serial/by-id/usb-Ünï-if00", {}},
       }) {
    const CommandLine line = parseCommandLine(QStringList{"qd40-control"} + c.arguments);
    const std::string shown = c.arguments.join(' ').toStdString();
    EXPECT_EQ(line.outcome, CommandLine::Outcome::Run) << shown << ": " << line.err;
    EXPECT_EQ(line.options.com1, c.com1) << shown;
    EXPECT_EQ(line.options.com2, c.com2) << shown;
    EXPECT_EQ(line.out + line.err, "") << shown;
  }
}

TEST(CommandLine, OptionsOverTheEnvironmentAndReasonsNameTheOption) {
  setenv("QD40_COM1", "/dev/ttyUSB3", 1);
  const PortIdentity com1 = loadPortSetup({"/dev/ttyUSB5", {}, {}}).config.identity(1);
  EXPECT_EQ(com1.device, "/dev/ttyUSB5");
  EXPECT_EQ(com1.variable, "--com1");
  Diagnosis diagnosis;
  diagnosis.failure = OpenFailure::Missing;
  const std::string missing = describeOpenFailure(com1, diagnosis);
  EXPECT_NE(missing.find("Set --com1 to the projector's serial device"), std::string::npos)
      << missing;
  EXPECT_EQ(loadPortSetup({}).config.identity(1).device, "/dev/ttyUSB3")
      << "without the option the variable counts";
  setenv("QD40_COM1", "", 1);
  EXPECT_EQ(loadPortSetup({}).config.choice(1).source, PortSource::Default)
      << "an empty variable counts as unset";
  unsetenv("QD40_COM1");
}

struct Finished {
  int exitCode;
  std::string out, err;
};

// Runs a program with no display (or only `display`, which nothing serves),
// no platform and no port it could open; in the language of `lang`, when
// given, as LANG and LANGUAGE.
Finished runWithoutDisplay(const QString& program, const QStringList& arguments,
                           const QString& display = {}, const QStringList& lang = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  if (!display.isEmpty()) env.insert("DISPLAY", display);
  if (!lang.isEmpty()) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) env.remove(name);
    env.insert("LANG", lang.first());
    if (lang.size() > 1) env.insert("LANGUAGE", lang.last());
  }
  env.insert("QD40_COM1", "/dev/qd40-test-no-such-device");
  process.setProcessEnvironment(env);
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForFinished(10000)) << program.toStdString();
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

TEST(CommandLine, BinariesAnswerAndRefuseWithoutOpeningAWindow) {
  struct Case {
    QString program;
    QStringList arguments;
    int exitCode;
    std::string out;  // found in stdout
    std::string err;  // found in stderr
  };
  const QString panel = QD40_CONTROL_PATH, sim = QD40_SIM_PATH;
  for (const Case& c : {
           Case{panel, {"--version"}, 0, "qd40-control 1.40\n", ""},
           Case{panel, {"-v"}, 0, "qd40-control 1.40\n", ""},
           Case{panel, {"--help"}, 0, "Usage: qd40-control [options]", ""},
           Case{panel, {"--help"}, 0, "--com1 <path>", ""},
           Case{panel, {"--help"}, 0, "QD40_COM1", ""},
           Case{panel, {"--help"}, 0, "/qd40/qd40-control.conf\n", ""},
           Case{panel, {"--bogus"}, 2, "", "qd40-control: Unknown option 'bogus'."},
           Case{panel, {"--bogus"}, 2, "", "Usage: qd40-control [options]"},
           Case{panel, {"stray"}, 2, "", "Unexpected argument 'stray'."},
           Case{panel, {"--com1", "/dev/ttyS0", "--", "more"}, 2, "", "argument 'more'"},
           Case{panel, {"--com1"}, 2, "", "Missing value after '--com1'."},
           Case{panel, {"--com2="}, 2, "", "--com2 needs a device path."},
           Case{panel, {"--help"}, 0, "--log <file>", ""},
           Case{panel, {"--help"}, 0, "QD40_LOG", ""},
           Case{panel, {"--log="}, 2, "", "--log needs a file name."},
           Case{panel, {"--help"}, 0, "--log-max <size>", ""},
           Case{panel, {"--log-max", "1K"}, 2, "", "--log-max takes a size from 64K up"},
           Case{panel, {"-platform", "xcb"}, 2, "", "Unknown option"},
           Case{sim, {"--version"}, 0, "qd40-sim 1.40\n", ""},
       }) {
    const std::string shown = c.program.toStdString() + " " + c.arguments.join(' ').toStdString();
    const Finished run = runWithoutDisplay(c.program, c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << shown << "\n" << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << shown << " printed: " << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << shown << " said: " << run.err;
    EXPECT_EQ(c.exitCode == 0 ? run.err : run.out, "") << shown;
  }
}

TEST(CommandLine, HelpAndMistakesInTheLanguageOfTheLocale) {
  struct Case {
    QStringList lang;  // LANG, then LANGUAGE
    QStringList arguments;
    std::string said;  // found in stdout, else in stderr
  };
  for (const Case& c : {
           // No generated ja_JP locale is needed: Qt reads LANG itself.
           Case{{"ja_JP.UTF-8"},
                {"--help"},
                "  -h, --help        このヘルプを表示して終了します。\n"},
           Case{{"ja_JP.UTF-8"}, {"--help"}, "使い方: qd40-control [オプション]\n"},
           Case{{"ja_JP.UTF-8"},
                {"--log-max", "1K"},
                "qd40-control: --log-max には 500K、10M、1G のように 64K 以上のサイズを指定して"
                "ください。\n"},
           Case{{"ja_JP.UTF-8"},
                {},
                "qd40-control: ウィンドウを開くディスプレイがありません。DISPLAY も "
                "WAYLAND_DISPLAY も設定されていません。"},
           Case{{"ja_JP.UTF-8", "en_GB:ja"}, {"--help"}, "  -h, --help        Show this help"},
           Case{{"de_DE.UTF-8"}, {"--bogus"}, "qd40-control: Unknown option 'bogus'."},
           // gettext's rule: LANGUAGE does not count in the C locale.
           Case{{"C", "fr:ja"}, {"--help"}, "  -h, --help        Show this help"},
           Case{{"POSIX", "ja"}, {"--log-max", "1K"}, "qd40-control: --log-max takes a size"},
           // The terminal gets the locale's encoding ("には" in EUC-JP), not UTF-8.
           Case{{"ja_JP.EUC-JP"},
                {"--log-max", "1K"},
                "qd40-control: --log-max \xA4\xCB\xA4\xCF 500K"},
       }) {
    const std::string shown = (c.lang.join(' ') + " " + c.arguments.join(' ')).toStdString();
    const Finished run = runWithoutDisplay(QD40_CONTROL_PATH, c.arguments, {}, c.lang);
    EXPECT_NE((run.out.empty() ? run.err : run.out).find(c.said), std::string::npos)
        << shown << " said: " << run.out << run.err;
  }
}

TEST(CommandLine, WithoutADisplayThePanelSaysSoInOneLineAndExitsWithThree) {
  struct Case {
    QString display;
    std::string says;
  };
  for (const Case& c : {
           Case{"",
                "qd40-control: no display to open the window on: neither DISPLAY nor "
                "WAYLAND_DISPLAY is set. Start the panel in a desktop session, or set DISPLAY "
                "(X11) or WAYLAND_DISPLAY (Wayland).\n"},
           Case{":9876",
                "qd40-control: no display to open the window on: DISPLAY=:9876 cannot be "
                "reached. Check it, or start the panel in a desktop session.\n"},
       }) {
    const Finished run = runWithoutDisplay(QD40_CONTROL_PATH, {}, c.display);
    EXPECT_EQ(run.exitCode, kExitNoDisplay) << c.display.toStdString() << ": " << run.err;
    EXPECT_EQ(run.err, c.says);
  }
}

TEST(CommandLine, PathsKeepTheirBytesFromTheCommandLineToTheDevice) {
  PtyPair pty;
  const std::string tail = "-" + std::to_string(getpid());
  const std::string link = testing::TempDir() + "qd40-\xff\xfe" + tail;
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty.slavePath(), link);
  const CommandLine parsed = parseCommandLine(std::vector<std::string>{
      "qd40-control", "--com1", link, "--com2=" + link, "--log", link + ".log"});
  EXPECT_EQ(parsed.options.com1, link);
  EXPECT_EQ(parsed.options.com2, link);
  EXPECT_EQ(parsed.options.log, link + ".log");

  // QProcess passes text; the shell makes the bytes.
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QD40_COM1", "/dev/qd40-test-no-such-device");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  process.setProcessEnvironment(env);
  process.start("sh", {"-c", R"sh(exec "$0" --com1 "$(printf '%b' "$1")")sh", QD40_CONTROL_PATH,
                       QString::fromStdString(testing::TempDir() + "qd40-\\0377\\0376" + tail)});
  EXPECT_TRUE(waitUntil([&] { return holdsOpen(process.processId(), pty.slavePath()); },
                        milliseconds(5000)));
  endPanel(process);
  EXPECT_EQ(process.exitCode(), 0);
  std::filesystem::remove(link);
}

TEST(CommandLine, Com1OptionOpensItsDeviceOverTheVariable) {
  PtyPair pty;
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QD40_COM1", "/dev/qd40-test-no-such-device");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  process.setProcessEnvironment(env);
  process.start(QD40_CONTROL_PATH, {"--com1", QString::fromStdString(pty.slavePath())});
  ASSERT_TRUE(process.waitForStarted(5000));
  EXPECT_TRUE(waitUntil([&] { return holdsOpen(process.processId(), pty.slavePath()); },
                        milliseconds(5000)));
  endPanel(process);
}

TEST(CommandLine, LogOptionWritesTheSessionLogOverTheVariable) {
  PtyPair pty;
  TempFolder dir;
  const QString byVariable = dir.filePath("variable.log"), byOption = dir.filePath("option.log");
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QD40_LOG", byVariable);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  process.setProcessEnvironment(env);
  process.start(QD40_CONTROL_PATH,
                {"--com1", QString::fromStdString(pty.slavePath()), "--log", byOption});
  ASSERT_TRUE(process.waitForStarted(5000));
  const std::string opened = "COM1 (" + pty.slavePath() + ") opened";
  EXPECT_TRUE(waitUntil(
      [&] {
        QFile log(byOption);
        return log.open(QIODevice::ReadOnly) && log.readAll().contains(opened.c_str());
      },
      milliseconds(5000)));
  endPanel(process);
  EXPECT_FALSE(QFile::exists(byVariable));
}

TEST(Desktop, TheApplicationNamesItsDesktopEntryAndItsWindowHasItsIcon) {
  // The Wayland app_id: a desktop finds the entry org.qd40.control.desktop by it.
  EXPECT_EQ(QGuiApplication::desktopFileName(), "org.qd40.control");
  // The icon comes once the window is shown.
  PtyPair pty;
  qputenv("QD40_COM1", QByteArray::fromStdString(pty.slavePath()));
  qputenv("QD40_COM2", "/dev/qd40-test-no-such-device");
  Panel panel(loadPortSetup({}));
  panel.start();
  ASSERT_TRUE(waitUntil([&] { return !panel.window().windowIcon().isNull(); }, milliseconds(5000)));
  const QIcon icon = panel.window().windowIcon();
  for (const int size : {48, 128, 256}) {
    EXPECT_FALSE(icon.pixmap(size, size).isNull()) << size;
  }
  // The small sizes are the drawn ones, not the large ones scaled down.
  for (const int size : {16, 22, 24, 32}) {
    const QImage drawn(QString(":/icons/org.qd40.control-%1.png").arg(size));
    ASSERT_FALSE(drawn.isNull()) << size;
    EXPECT_EQ(icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32),
              drawn.convertToFormat(QImage::Format_ARGB32))
        << size;
  }
}

}  // namespace
}  // namespace qd40::test
