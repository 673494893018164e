// A path or address that holds control, bidirectional or line-separating
// characters reaches no surface as it is: the port box, the status line, the
// standard error of both programs and the session log all show it escaped
// the one way, so it can neither act on a terminal nor forge a line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "PtyPair.h"
#include "TempFolder.h"
#include "panel/MessageText.h"
#include "protocol/LogText.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

// The bytes as printf's %b makes them, so that QProcess, which passes text,
// can hand any byte to a program.
QString printfBytes(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\0%03o", c);
    out += octal;
  }
  return QString::fromLatin1(out);
}

struct Said {
  std::string err, log;
};

// Starts `program` with `option` naming `device`, then `more`, and returns
// what it said on the standard error (and in its session log) once it has
// said `until`.
Said run(const QString& program, const QString& option, const std::string& device,
         const QStringList& more, const std::string& until) {
  TempFolder dir;
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QD40_LOG", dir.filePath("session.log"));
  process.setProcessEnvironment(env);
  process.start(
      "sh",
      QStringList{
          "-c", R"sh(p="$1"; o="$2"; d="$(printf '%b' "$3")"; shift 3; exec "$p" "$o" "$d" "$@")sh",
          "sh", program, option, printfBytes(device)} +
          more);
  std::string err;
  waitUntil(
      [&] {
        err += process.readAllStandardError().toStdString();
        return err.find(until) != std::string::npos || process.state() == QProcess::NotRunning;
      },
      milliseconds(20000));
  // Ended as a desktop ends it, so that the log is closed as it would be.
  process.terminate();
  if (!process.waitForFinished(5000)) process.kill();
  err += process.readAllStandardError().toStdString();
  std::stringstream log;
  log << std::ifstream(dir.filePath("session.log").toStdString()).rdbuf();
  return {err, log.str()};
}

bool holdsRaw(const std::string& text) {
  return text.find('\x1b') != std::string::npos || text.find('\r') != std::string::npos ||
         text.find("\xe2\x80") != std::string::npos || text.find('\xff') != std::string::npos;
}

TEST(Escaping, ANameIsEscapedTheOneWayOnEverySurface) {
  struct Case {
    std::string raw, shown;
  };
  for (const Case& c : {
           Case{"/tmp/qd40-x\x1b[31mRED\nFAKE: ok", "/tmp/qd40-x<ESC>[31mRED<LF>FAKE: ok"},
           Case{"/tmp/qd40-\xe2\x80\xae"
                "1moc",
                "/tmp/qd40-<U+202E>1moc"},
           Case{"/tmp/qd40-a\xe2\x80\xa8"
                "b\rc",
                "/tmp/qd40-a<U+2028>b<CR>c"},
           Case{"/tmp/qd40-\xff\xfe\x7f", "/tmp/qd40-<xFF><xFE><DEL>"},
       }) {
    // The box and the status line show the port's message, built with
    // printablePath; the box escapes again whatever it is given.
    EXPECT_EQ(printablePath(c.raw), c.shown);
    EXPECT_EQ(boxText("COM1 (" + c.raw + "): no such device.").toStdString(),
              "COM1 (" + c.shown + "): no such device.");

    const Said panel = run(QD40_CONTROL_PATH, "--com1", c.raw, {}, "no such device");
    EXPECT_NE(panel.err.find("qd40-control: COM1 (" + c.shown + "): no such device. "),
              std::string::npos)
        << panel.err;
    EXPECT_EQ(panel.err.find("\nFAKE"), std::string::npos) << "a forged line: " << panel.err;
    EXPECT_FALSE(holdsRaw(panel.err)) << panel.err;
    EXPECT_NE(panel.log.find("COM1 is " + c.shown), std::string::npos) << panel.log;
    EXPECT_FALSE(holdsRaw(panel.log)) << panel.log;

    const Said ctl = run(QD40_CTL_PATH, "--port", c.raw, {"status"}, "no such device");
    EXPECT_NE(ctl.err.find(c.shown + ": no such device. "), std::string::npos) << ctl.err;
    EXPECT_FALSE(holdsRaw(ctl.err)) << ctl.err;
  }
}

}  // namespace
}  // namespace qd40::test
