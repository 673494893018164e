// What a script relies on, against the qd40ctl binary: a reply belongs to
// its own line, "ok" means a valid answer, a fleet runs past a typo in its
// ports file, and nothing fails in silence.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <map>

#include "CtlRun.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

std::vector<QJsonObject> jsonLines(const std::string& out) {
  std::vector<QJsonObject> lines;
  for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
    if (!line.isEmpty()) lines.push_back(QJsonDocument::fromJson(line).object());
  }
  return lines;
}

TEST(CtlTrust, AReplyThatComesLateIsNeverGivenToTheNextRead) {
  PtyPair pty;
  std::string wire;
  const CtlRun run = runAgainst(
      pty,
      {"--port", q(pty.slavePath()), "--json", "read", "l-time", "read", "setting", "read", "mode",
       "read", "temp"},
      {{"CR3", "01234\r"}, {"CR4", "11\r"}, {"CR1", "1\r"}, {"CR6", "035.5C,42.0,038.2\r"}}, &wire,
      milliseconds(700));
  EXPECT_EQ(wire, "CR3\rCR4\rCR1\rCR6\r");
  const std::vector<QJsonObject> lines = jsonLines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  // Each read has no reply, or (on a machine so loaded that the program saw
  // its window close late) its own; never the one before it.
  const std::map<QString, QString> own = {
      {"CR3", "01234\r"}, {"CR4", "11\r"}, {"CR1", "1\r"}, {"CR6", "035.5C,42.0,038.2\r"}};
  for (const QJsonObject& line : lines) {
    const QString code = line["code"].toString();
    EXPECT_TRUE(line["reply"].isNull() || line["reply"].toString() == own.at(code))
        << code.toStdString()
        << " got another read's answer: " << line["reply"].toString().toStdString();
    EXPECT_EQ(line["ok"].toBool(), !line["reply"].isNull()) << code.toStdString();
  }
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find(pty.slavePath() + ": late reply to CR3 ("), std::string::npos) << run.err;
}

TEST(CtlTrust, AStatusReadWhoseReplyEndedLateIsMarkedSo) {
  // Each reply's first byte comes at once and the rest 600 ms later, after
  // the 400 ms wait and before as long again has passed.
  QProcess sim;
  const std::string path = startSim(sim, {"--split", "1", "--gap", "600"});
  const CtlRun run = runCtl({"--port", q(path), "--json", "--timeout", "400", "status"});
  sim.terminate();
  sim.waitForFinished(3000);
  const QJsonObject values =
      QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object()["values"].toObject();
  EXPECT_EQ(values["power"].toObject()["error"].toString(), "late reply to CR0 discarded");
  EXPECT_FALSE(values["input"].toObject()["ok"].toBool());
  EXPECT_NE(run.err.find(path + ": late reply to CR0 (2 bytes) discarded"), std::string::npos)
      << run.err;
}

TEST(CtlTrust, OkMeansAValidAnswerAndHostileRepliesAreKeptRaw) {
  std::string everyByte;
  for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
  PtyPair pty;
  const CtlRun run = runAgainst(
      pty, {"--port", q(pty.slavePath()), "--json", "--timeout", "1500", "status", "send", "CR9"},
      {{"CR0", "00\r"},
       {"CR1", "1\r"},
       {"CR3", everyByte + "\r"},
       {"CR4", "11\r"},
       {"CR6", "035.5C,42.0,038.2\r"},
       {"CR7", "01\r"},
       {"CRA", "00\r"},
       {"CR PRESSURE", "123456789\r"},
       {"CR9", std::string(40000, 'x') + "\r"}});
  const std::vector<QJsonObject> lines = jsonLines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  const QJsonObject values = lines[0]["values"].toObject();
  EXPECT_FALSE(lines[0]["ok"].toBool());
  EXPECT_EQ(lines[0]["error"].toString(), "lamp_hours: unexpected reply");
  const QJsonObject hours = values["lamp_hours"].toObject();
  EXPECT_FALSE(hours["ok"].toBool());
  EXPECT_EQ(hours["error"].toString(), "unexpected reply");
  EXPECT_EQ(hours["reply"].toString().size(), 257) << "every byte kept, one character each";
  EXPECT_TRUE(hours["value"].isNull());
  EXPECT_FALSE(values["pressure"].toObject()["ok"].toBool());
  EXPECT_TRUE(values["power"].toObject()["ok"].toBool());
  EXPECT_EQ(values["power"].toObject()["value"].toString(), "00");
  EXPECT_EQ(values["temperatures"].toObject()["value"].toVariant().toList().size(), 3);
  EXPECT_TRUE(lines[1]["truncated"].toBool());
  EXPECT_EQ(lines[1]["reply"].toString().size(), 32767);
  EXPECT_EQ(lines[1]["error"].toString(), "reply cut at 32767 bytes");
}

TEST(CtlTrust, APortsFileWithALinkADuplicateAndCommentsRunsEachDeviceOnce) {
  PtyPair pty;
  const std::string folder = testing::TempDir() + "qd40-ports-" + std::to_string(getpid());
  std::filesystem::create_directories(folder);
  const std::string link = folder + "/projector-101";
  std::filesystem::create_symlink(pty.slavePath(), link);
  const std::string missing = "/dev/qd40-test-missing-" + std::to_string(getpid());
  const std::string file = folder + "/projectors";
  std::ofstream(file) << "# the first floor\n"
                      << pty.slavePath() << "   # room 101\n"
                      << link << "\n"
                      << missing << "\t# room 102\n"
                      << pty.slavePath() << "\n";
  std::string wire;
  const CtlRun run = runAgainst(pty, {"--ports", q(file), "--timeout", "3000", "power", "off"},
                                {{"C01", "\x06"}}, &wire);
  std::filesystem::remove_all(folder);
  EXPECT_EQ(wire, "C01\r") << "one device, switched off once";
  EXPECT_EQ(run.exitCode, 3) << run.err;
  EXPECT_NE(run.out.find(pty.slavePath() + " power off: reply ACK \n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(missing + " power off: not sent: "), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(pty.slavePath() + " (" + file + " line 2) and " + link + " (" + file +
                         " line 3) are the same device; it is used once"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find(" (" + file + " line 2) and again (" + file + " line 5)"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("stale"), std::string::npos) << run.err;
}

TEST(CtlTrust, NothingFailsInSilence) {
  // Results written to a closed standard output reach nobody.
  {
    PtyPair pty;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CTL", QD40_CTL_PATH);
    env.insert("PORT", q(pty.slavePath()));
    QProcess shell;
    shell.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    shell.start("/bin/sh", {"-c", "exec \"$CTL\" --port \"$PORT\" --timeout 50 power on >&-"});
    const CtlRun run = finish(shell, clock);
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.err.find("qd40ctl: the results could not be written: standard output is closed"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(pty.drain(milliseconds(50)), "C00\r") << "the results did not go to the line";
  }

  // A watch stopped before its first round has nothing to show for itself.
  PtyPair pty;
  QProcess watch;
  startCtl(watch, {"--port", q(pty.slavePath()), "--timeout", "20000", "watch"});
  ASSERT_TRUE(
      waitUntil([&] { return holdsOpen(watch.processId(), pty.slavePath()); }, milliseconds(5000)));
  ::kill(static_cast<pid_t>(watch.processId()), SIGTERM);
  ASSERT_TRUE(watch.waitForFinished(5000));
  EXPECT_EQ(watch.exitCode(), 1);
  EXPECT_EQ(watch.readAllStandardError().toStdString(),
            "qd40ctl: " + pty.slavePath() + ": stopped before \"watch\" was done\n");
}

TEST(CtlTrust, WithNothingToNameThePortItSaysWhichItUsesAndWhy) {
  QString program = QD40_CTL_PATH;
  QStringList args{"--timeout", "50", "power", "off"};
  struct stat info {};
  if (stat("/dev/ttyS0", &info) == 0) {
    // A real line: run as nobody, whom its mode keeps out, so nothing is sent.
    if (geteuid() != 0 || (info.st_mode & 0006) != 0) GTEST_SKIP() << "/dev/ttyS0 is open to all";
    args = QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", program} + args;
    program = "/usr/bin/setpriv";
  }
  QProcessEnvironment cron;
  cron.insert("PATH", "/usr/bin:/bin");
  QProcess ctl;
  ctl.setProcessEnvironment(cron);
  QElapsedTimer clock;
  clock.start();
  ctl.start(program, args);
  const CtlRun run = finish(ctl, clock);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err.find("qd40ctl: using /dev/ttyS0, the panel's COM1 by default: no --port or "
                         "--ports, QD40_COM1 is not set, and no saved choice can be read (HOME "
                         "is not set)\n"),
            0u)
      << run.err;
  EXPECT_NE(run.out.find("/dev/ttyS0 power off: not sent: "), std::string::npos) << run.out;
}

}  // namespace
}  // namespace qd40::test
