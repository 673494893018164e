// The qd40ctl binary against projectors on real pseudo-terminals: the test
// itself, the simulator, ser2net in front of the simulator, and the panel
// holding the same port.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <filesystem>
#include <map>

#include "CtlRun.h"
#include "DeviceServer.h"
#include "PtyPair.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

TEST(CtlProgram, EveryNamedActionPutsItsCodeOnTheLine) {
  const std::vector<std::pair<QStringList, std::string>> actions = {
      {{"power", "on"}, "C00"},
      {{"power", "off"}, "C01"},
      {{"input", "pc1"}, "C05"},
      {{"input", "pc2"}, "C06"},
      {{"input", "video"}, "C07"},
      {{"mute", "on"}, "C0B"},
      {{"mute", "off"}, "C0C"},
      {{"noshow", "on"}, "C0D"},
      {{"noshow", "off"}, "C0E"},
      {{"avsize", "regular"}, "C0F"},
      {{"avsize", "wide"}, "C10"},
      {{"menu", "on"}, "C1C"},
      {{"menu", "off"}, "C1D"},
      {{"freeze", "on"}, "C43"},
      {{"freeze", "off"}, "C44"},
      {{"a-image"}, "C89"},
      {{"image"}, "C27"},
      {{"p-timer"}, "C8A"},
      {{"display", "clear"}, "C1E"},
      {{"picture", "stand"}, "C11"},
      {{"picture", "real"}, "C12"},
      {{"picture", "cinema"}, "C13"},
      {{"picture", "image1"}, "C14"},
      {{"picture", "image2"}, "C15"},
      {{"picture", "image3"}, "C16"},
      {{"picture", "image4"}, "C17"},
      {{"picture", "bboard"}, "C18"},
      {{"read", "status"}, "CR0"},
      {{"read", "mode"}, "CR1"},
      {{"read", "l-time"}, "CR3"},
      {{"read", "setting"}, "CR4"},
      {{"read", "temp"}, "CR6"},
      {{"signal", "pc1", "rgb"}, "C50"},
      {{"signal", "pc1", "scart"}, "C51"},
      {{"signal", "pc1", "component"}, "C54"},
      {{"signal", "pc2", "rgb"}, "C25"},
      {{"signal", "video", "auto"}, "C32"},
      {{"signal", "video", "video"}, "C33"},
      {{"signal", "video", "s-video"}, "C34"},
      {{"vol", "+"}, "C09"},
      {{"vol", "-"}, "C0A"},
      {{"brightness", "+"}, "C20"},
      {{"brightness", "-"}, "C21"},
      {{"zoom", "+"}, "C30"},
      {{"zoom", "-"}, "C31"},
      {{"keystone", "+"}, "C8E"},
      {{"keystone", "-"}, "C8F"},
      {{"select"}, "C3F"},
      {{"up"}, "C3C"},
      {{"down"}, "C3D"},
      {{"left"}, "C3B"},
      {{"right"}, "C3A"},
      {{"send", "CR PRESSURE"}, "CR PRESSURE"},
  };
  PtyPair pty;
  QStringList args{"--port", q(pty.slavePath()), "--timeout", "20"};
  std::string expected;
  for (const auto& [words, code] : actions) {
    args += words;
    expected += code + "\r";
  }
  std::string wire;
  const CtlRun run = runAgainst(pty, args, {}, &wire);
  wire += pty.drain(milliseconds(50));
  EXPECT_EQ(wire, expected);
  EXPECT_EQ(run.exitCode, 1) << "nothing answered";
}

TEST(CtlProgram, StatusJsonDecodesEachReplyAsThePanelShowsIt) {
  PtyPair pty;
  const CtlRun run =
      runAgainst(pty, {"--port", q(pty.slavePath()), "--json", "--timeout", "3000", "status"},
                 {{"CR0", "24\r"},
                  {"CR1", "3\r"},
                  {"CR3", "01234\r"},
                  {"CR4", "01\r"},
                  {"CR6", "035.5C,42.0,038.2\r"},
                  {"CR7", "22\r"},
                  {"CRA", "ff\r"},
                  {"CR PRESSURE", "1023\r"}});
  EXPECT_EQ(run.exitCode, 1) << "CRA's lower-case reply decodes to nothing";
  const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  EXPECT_EQ(object["port"].toString().toStdString(), pty.slavePath());
  EXPECT_FALSE(object["ok"].toBool());
  const QJsonObject values = object["values"].toObject();
  const std::vector<std::tuple<QString, QString, QString>> expected = {
      {"power", "24\r", "Cooling down  PWR Management"},
      {"input", "3\r", " Video"},
      {"lamp_hours", "01234\r", " 0 1 2 3 4 CR  Hour Use"},
      {"orientation", "01\r", " Left/Right reversal"},
      {"temperatures", "035.5C,42.0,038.2\r",
       "  S1= 0 3 5 . 5 C  ,   S2=  4 2 . 0 C , S3= 0 3 8 . 2 C"},
      {"lamp_mode", "22\r", " No2 ON  : 1 Lamp mode(No2 USE)"},
      {"mute_signal", "ff\r", ""},
      {"pressure", "1023\r", "1194 hPa"},
  };
  for (const auto& [key, reply, text] : expected) {
    const QJsonObject value = values[key].toObject();
    EXPECT_EQ(value["reply"].toString(), reply) << key.toStdString();
    EXPECT_EQ(value["text"].toString(), text) << key.toStdString();
  }
  EXPECT_TRUE(values["mute_signal"].toObject()["text"].isNull());
  EXPECT_EQ(values["mute_signal"].toObject()["monitor"].toString(), " f f CR ");
}

TEST(CtlProgram, AFleetWithASilentProjectorTakesAboutOneReplyWindow) {
  QProcess sims[3];
  QStringList args{"--timeout", "1500"};
  std::vector<std::string> paths;
  for (int i = 0; i < 3; ++i) {
    paths.push_back(startSim(sims[i], i == 2 ? QStringList{"--silent"} : QStringList{}));
    ASSERT_FALSE(paths.back().empty());
    args += {"--port", q(paths.back())};
  }
  args += {"power", "on"};
  const CtlRun run = runCtl(args);
  EXPECT_EQ(run.exitCode, 1);
  // One after the other they would take three windows, 4500 ms.
  EXPECT_LT(run.ms, 3500) << "the projectors wait side by side";
  EXPECT_NE(run.out.find(paths[0] + " power on: reply ACK \n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(paths[1] + " power on: reply ACK \n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(paths[2] + " power on: no reply\n"), std::string::npos) << run.out;
  for (QProcess& sim : sims) sim.terminate(), sim.waitForFinished(3000);
}

TEST(CtlProgram, ExitStatusSaysHowTheProjectorsDid) {
  struct Case {
    const char* name;
    std::optional<QStringList> sim;  // nothing: no projector
    QStringList args;
    int exitCode;
    const char* err;
    const char* lang = "C.UTF-8";
  };
  const std::string missing = "/dev/qd40-test-missing-" + std::to_string(getpid());
  const Case cases[] = {
      {"answered", QStringList{}, {"read", "status"}, 0, ""},
      {"silent", QStringList{"--silent"}, {"read", "status"}, 1, ""},
      {"usage", std::nullopt, {"--speed", "4800", "status"}, 2, "--speed is 19200 or 9600"},
      {"missing device",
       std::nullopt,
       {"--port", q(missing), "power", "on"},
       3,
       "no such device. Set --port to the projector's serial device"},
      // In the operator's language, and in the terminal's encoding.
      {"missing, Japanese",
       std::nullopt,
       {"--port", q(missing), "power", "on"},
       3,
       "デバイスがありません。",
       "ja_JP.UTF-8"},
      {"missing, Japanese in EUC-JP",
       std::nullopt,
       {"--port", q(missing), "power", "on"},
       3,
       "\xA5\xC7\xA5\xD0\xA5\xA4\xA5\xB9\xA4\xAC\xA4\xA2\xA4\xEA\xA4\xDE\xA4\xBB\xA4\xF3",
       "ja_JP.EUC-JP"},
  };
  for (const Case& c : cases) {
    QProcess sim;
    QStringList args = c.args;
    if (c.sim) args = QStringList{"--timeout", "500", "--port", q(startSim(sim, *c.sim))} + args;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* other : {"LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LANGUAGE"}) env.remove(other);
    env.insert("LANG", c.lang);
    const CtlRun run = runCtl(args, env);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.name << ": " << run.err;
    sim.terminate();
    sim.waitForFinished(3000);
  }
}

TEST(CtlProgram, ThePanelAndQd40ctlRefuseEachOthersPort) {
  PtyPair pty;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QD40_COM1", q(pty.slavePath()));
  env.insert("QD40_COM2", "/dev/qd40-test-no-such-device");
  env.insert("QT_QPA_PLATFORM", "offscreen");

  QProcess panel;
  panel.setProcessEnvironment(env);
  panel.start(QD40_CONTROL_PATH, {});
  ASSERT_TRUE(panel.waitForStarted(5000));
  // The panel opens COM1 twice at start-up; it holds it once that is over.
  ASSERT_TRUE(
      waitUntil([&] { return holdsOpen(panel.processId(), pty.slavePath()); }, milliseconds(5000)));
  runFor(milliseconds(500));
  const CtlRun refused = runCtl({"power", "on"}, env);  // the panel's COM1, from QD40_COM1
  EXPECT_EQ(refused.exitCode, 4) << refused.err;
  EXPECT_NE(
      refused.err.find("in use by qd40-control (process " + std::to_string(panel.processId())),
      std::string::npos)
      << refused.err;
  EXPECT_EQ(pty.drain(milliseconds(100)), "") << "nothing reached the panel's line";
  endPanel(panel);

  QProcess ctl;
  startCtl(ctl, {"--port", q(pty.slavePath()), "watch", "--interval", "60"});
  ASSERT_TRUE(
      waitUntil([&] { return holdsOpen(ctl.processId(), pty.slavePath()); }, milliseconds(5000)));
  panel.start(QD40_CONTROL_PATH, {});
  ASSERT_TRUE(waitUntil([&] { return panel.readAllStandardError().contains("in use by qd40ctl"); },
                        milliseconds(5000)));
  endPanel(panel);
  ::kill(static_cast<pid_t>(ctl.processId()), SIGTERM);
  EXPECT_TRUE(ctl.waitForFinished(5000));
  EXPECT_EQ(ctl.exitStatus(), QProcess::NormalExit);
}

QString powerText(const QJsonObject& round) {
  return round["values"].toObject()["power"].toObject()["text"].toString();
}

TEST(CtlProgram, WatchPrintsWhatChangedAsJsonLinesUntilItIsStopped) {
  QProcess sim;
  // A round of eight reads takes 3.2 s: the first sees the count-down, a
  // later one the projector on. The windows leave room for a loaded machine.
  const std::string path = startSim(sim, {"--countdown-ms", "3000"});
  QProcess ctl;
  startCtl(ctl, {"--port", q(path), "--json", "--timeout", "400", "power", "on", "watch",
                 "--interval", "0.3"});
  std::vector<QJsonObject> rounds;
  const bool poweredOn = waitUntil(
      [&] {
        while (ctl.canReadLine()) {
          const QJsonObject object = QJsonDocument::fromJson(ctl.readLine()).object();
          if (object["action"] == "watch") rounds.push_back(object);
        }
        return !rounds.empty() && powerText(rounds.back()) == " Power ON";
      },
      milliseconds(30000));
  ::kill(static_cast<pid_t>(ctl.processId()), SIGTERM);
  ASSERT_TRUE(poweredOn);
  EXPECT_EQ(powerText(rounds.front()), " Count down");
  EXPECT_EQ(rounds.front()["changed"].toArray().size(), 8);
  EXPECT_EQ(rounds.back()["changed"].toArray().first().toString(), "power");
  EXPECT_TRUE(ctl.waitForFinished(5000));
  EXPECT_EQ(ctl.exitCode(), 0);
  sim.terminate();
  sim.waitForFinished(3000);
}

TEST(CtlProgram, StatusThroughSer2netWithRfc2217AndTurnedAwayWhileAnotherClientHoldsIt) {
  QProcess sim;
  const std::string path = startSim(sim);
  DeviceServer server(path, DeviceServer::Mode::Rfc2217);
  ASSERT_TRUE(server.start());
  const CtlRun run = runCtl({"--port", q(server.url()), "--json", "--speed", "9600", "--timeout",
                             "3000", "read", "status", "send", "CR PRESSURE"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("\"code\":\"CR0\",\"reply\":\"80\\u000d\",\"monitor\":\" 8 0 CR \","
                         "\"text\":\" Stand by\""),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"text\":\"650 hPa\""), std::string::npos) << run.out;

  // ser2net serves one client; while a watch holds it, another is turned away.
  QProcess watch;
  startCtl(watch, {"--port", q(server.url()), "--timeout", "100", "watch"});
  ASSERT_TRUE(waitUntil([&] { return watch.canReadLine(); }, milliseconds(5000)));
  const CtlRun turnedAway = runCtl({"--port", q(server.url()), "power", "on"});
  EXPECT_EQ(turnedAway.exitCode, 4) << turnedAway.err;
  EXPECT_NE(turnedAway.err.find("in use by another client"), std::string::npos) << turnedAway.err;
  endPanel(watch);
  sim.terminate();
  sim.waitForFinished(3000);
}

}  // namespace
}  // namespace qd40::test
