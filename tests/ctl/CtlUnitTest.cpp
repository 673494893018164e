// qd40ctl's pieces apart from any port: the reply windows a sequence of
// sends gets (the panel's, held to it), the command line, and the two forms
// of its output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QJsonDocument>
#include <QJsonObject>

#include "FormHarness.h"
#include "ctl/Options.h"
#include "ctl/Output.h"
#include "protocol/ReplyWindows.h"
#include "protocol/StatusReplies.h"

namespace qd40::ctl {
namespace {

// One table of sends driven through the panel's form on the virtual clock
// and through qd40ctl's steps: each send must get the same reply window from
// both, the one the panel's timers give it after the sends before it.
TEST(ReplyWindowRule, ThePanelAndQd40ctlGiveEachSendTheSameWindow) {
  struct Case {
    const char* name;
    std::vector<std::string_view> buttons;  // "" for a typed code
    std::vector<int> windows;
  };
  const Case cases[] = {
      {"a status read after start-up", {"Command44"}, {500}},
      {"a picture mode lengthens later plain sends", {"Command10", "Command44"}, {2000, 2000}},
      {"a signal mode lengthens them more", {"Command66", "Command17"}, {5000, 5000}},
      {"a typed code sets the free entry's window", {"", "Command44"}, {2000, 2000}},
      {"a held button's own window, then its release's", {"Command1", "Command44"}, {200, 500}},
      {"brightness is the shortest", {"Command15"}, {25}},
      {"an arrow after the menu", {"Command23", "Command5"}, {500, 150}},
      {"an arrow after A-IMAGE and MENU OFF",
       {"Command13", "Command24", "Command9"},
       {500, 500, 150}},
      {"an arrow after D.Zoom", {"Command48", "Command7"}, {200, 5}},
      {"the menu after D.Zoom gives the menu's arrows",
       {"Command49", "Command23", "Command8"},
       {200, 500, 150}},
      {"an arrow at start-up takes what is left", {"Command10", "Command8"}, {2000, 2000}},
  };
  for (const Case& c : cases) {
    test::FormHarness panel;
    ReplyWindows windows;
    std::vector<int> viaPanel, viaCtl;
    for (const std::string_view button : c.buttons) {
      if (button.empty()) {
        panel.window.setCaption(Control::FreeEntry, "CR7");
        panel.click("Command95");
        viaPanel.push_back(panel.timer2.interval());
        viaCtl.push_back(typedStep(U"CR7", windows).windowMs);
        continue;
      }
      const ActionRow& action = *actionByButton(button);
      action.held() ? panel.press(button) : panel.click(button);
      EXPECT_TRUE(panel.timer2.isEnabled()) << c.name;
      viaPanel.push_back(panel.timer2.interval());
      if (action.held()) panel.release(button);
      viaCtl.push_back(actionStep(action, windows).windowMs);
    }
    EXPECT_EQ(viaPanel, c.windows) << c.name << ", on the panel";
    EXPECT_EQ(viaCtl, c.windows) << c.name << ", in qd40ctl";
  }
}

CommandLine parse(std::vector<std::string> words) {
  words.insert(words.begin(), "qd40ctl");
  return parseCommandLine(words);
}

TEST(CtlCommandLine, MistakesExitWithTwoAndSayWhat) {
  struct Case {
    std::vector<std::string> words;
    const char* says;
  };
  const Case cases[] = {
      {{}, "no action given"},
      {{"power"}, "\"power\" is no action"},
      {{"--speed", "4800", "status"}, "--speed is 19200 or 9600"},
      {{"--timeout", "0", "status"}, "--timeout takes milliseconds"},
      {{"--timeout"}, "--timeout needs a value"},
      {{"--verbose", "status"}, "unknown option --verbose"},
      {{"send"}, "\"send\" needs the code"},
      {{"send", "C00\rC01"}, "holds a line break"},
      {{"watch", "status"}, "must be the last action"},
      {{"watch", "--interval", "0"}, "--interval takes seconds"},
      {{"--ports", "/nonexistent/qd40-ports", "status"}, "cannot be read"},
  };
  for (const Case& c : cases) {
    const CommandLine line = parse(c.words);
    EXPECT_EQ(line.exitCode, 2) << c.says;
    EXPECT_NE(line.err.find(c.says), std::string::npos) << line.err;
  }
}

TEST(CtlCommandLine, ReadsPortsOptionsAndActionsInAnyLetterCase) {
  const std::string file = testing::TempDir() + "/ports-" + std::to_string(getpid());
  std::ofstream(file) << "# room 101\n /dev/ttyUSB0 \n\nsocket://127.0.0.1:7000\t# room 102\n"
                         "/srv/lab/com#1 # a path may hold a '#'\n";
  const CommandLine line = parse({"--port=/dev/ttyS1", "--ports", file, "--speed", "9600",
                                  "--timeout=700", "--json", "Power", "ON", "send", "CR PRESSURE",
                                  "signal", "video", "s-video", "watch", "--interval", "2.5"});
  std::filesystem::remove(file);
  ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.err;
  const Options& o = line.options;
  EXPECT_EQ(o.ports, (std::vector<std::string>{"/dev/ttyS1", "/dev/ttyUSB0",
                                               "socket://127.0.0.1:7000", "/srv/lab/com#1"}));
  EXPECT_EQ(o.settings, "9600,N,8,1");
  EXPECT_EQ(o.timeoutMs, 700);
  EXPECT_TRUE(o.json);
  ASSERT_EQ(o.actions.size(), 4u);
  EXPECT_EQ(o.actions[0].name, "power on");
  EXPECT_EQ(o.actions[1].typed, U"CR PRESSURE");
  EXPECT_EQ(o.actions[2].name, "signal video s-video");
  EXPECT_EQ(o.actions[3].interval, std::chrono::milliseconds(2500));
}

TEST(CtlCommandLine, APortNamedTwiceIsUsedOnceWithAWarning) {
  const CommandLine line = parse({"--port", "/dev/qd40-none", "--port=/dev/qd40-none", "status"});
  ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.err;
  EXPECT_EQ(line.options.ports, std::vector<std::string>{"/dev/qd40-none"});
  EXPECT_EQ(line.err,
            "qd40ctl: /dev/qd40-none (--port) and again (--port) name the same port; it is used "
            "once\n");
}

TEST(CtlCommandLine, TheBuiltInPortIsNamedWithTheReasonItIsUsed) {
  EXPECT_EQ(defaultPortNotice("/dev/ttyS0", "", false),
            "qd40ctl: using /dev/ttyS0, the panel's COM1 by default: no --port or --ports, "
            "QD40_COM1 is not set, and no saved choice can be read (HOME is not set)\n");
  EXPECT_EQ(defaultPortNotice("/dev/ttyS0", "/home/a/.config/qd40/qd40-control.conf", true),
            "qd40ctl: using /dev/ttyS0, the panel's COM1 by default: no --port or --ports, "
            "QD40_COM1 is not set, and no device is saved in "
            "/home/a/.config/qd40/qd40-control.conf\n");
}

LineResult line(std::string code, std::string reply, std::string monitor,
                std::optional<std::string> text, bool query) {
  LineResult result{
      std::move(code), std::move(reply), std::move(monitor), std::move(text), query, {}};
  result.check = checkReply(result.code, result.reply);
  result.windowMs = 500;
  return result;
}

TEST(CtlOutput, JsonKeepsEveryReplyByteAndPlainShowsWhatThePanelShows) {
  Report single{"/dev/ttyUSB0",
                "send",
                Report::Kind::Line,
                line("CR9", "A\"\xff\r", " A \" ? CR ", " A \" ? CR ", true),
                {},
                {},
                "2026-12-09T18:00:00Z",
                {}};
  EXPECT_EQ(
      jsonLine(single),
      "{\"port\":\"/dev/ttyUSB0\",\"action\":\"send\",\"time\":\"2026-12-09T18:00:00Z\","
      "\"ok\":false,\"error\":\"unexpected reply\",\"code\":\"CR9\","
      "\"reply\":\"A\\\"\\u00ff\\u000d\",\"monitor\":\" A \\\" ? CR \",\"text\":\" A \\\" ? CR \","
      "\"value\":null,\"truncated\":false,\"values\":null,\"changed\":null}\n");

  Report status{"socket://h:1", "status", Report::Kind::Values, {}, {}, {}, {}, {}};
  status.values = {{"power", line("CR0", "24\r", " 2 4 CR ", "Cooling down  PWR Management", true)},
                   {"input", line("CR1", "9\r", " 9 CR ", std::nullopt, true)},
                   {"lamp_hours", line("CR3", "", " X X X X", std::nullopt, true)},
                   {"orientation", std::nullopt}};
  EXPECT_EQ(plainLine(status),
            "socket://h:1 status: power:Cooling down  PWR Management | input: unexpected reply: 9 "
            "CR  | lamp_hours: no reply | orientation: not read\n");
  const std::string json = jsonLine(status);
  EXPECT_NE(json.find("\"ok\":false,\"error\":\"input: unexpected reply\""), std::string::npos);
  EXPECT_NE(json.find("\"values\":{\"power\":{\"code\":\"CR0\",\"reply\":\"24\\u000d\","
                      "\"monitor\":\" 2 4 CR \",\"text\":\"Cooling down  PWR Management\","
                      "\"value\":\"24\",\"truncated\":false,\"ok\":true,\"error\":null}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"lamp_hours\":{\"code\":\"CR3\",\"reply\":null,\"monitor\":\" X X X "
                      "X\",\"text\":null,\"value\":null,\"truncated\":false,\"ok\":false,"
                      "\"error\":\"no reply within 500 ms\"}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"orientation\":{\"code\":null,\"reply\":null,\"monitor\":null,"
                      "\"text\":null,\"value\":null,\"truncated\":false,\"ok\":false,"
                      "\"error\":\"not read\"}}"),
            std::string::npos)
      << json;
}

TEST(CtlOutput, EveryKindOfLineHasEveryKeyAndPathsComeBackExact) {
  const Report unopened{"/dev/tty\xff", "watch", Report::Kind::Values, {}, {}, {}, "", "gone"};
  const Report kinds[] = {
      {"p",
       "power on",
       Report::Kind::Line,
       line("C00", "\x06", " ACK ", {}, false),
       {},
       {},
       "",
       ""},
      {"p", "power on", Report::Kind::Line, {}, {}, {}, "", "cannot open"},
      {"p", "status", Report::Kind::Values, {}, {{"power", {}}}, {}, "", ""},
      unopened,
  };
  const QStringList keys{"action", "changed", "code", "error",     "monitor", "ok",    "port",
                         "reply",  "text",    "time", "truncated", "value",   "values"};
  for (const Report& report : kinds) {
    const QJsonObject object =
        QJsonDocument::fromJson(QByteArray::fromStdString(jsonLine(report))).object();
    EXPECT_EQ(object.keys(), keys) << jsonLine(report);
  }
  EXPECT_NE(jsonLine(kinds[0]).find("\"ok\":true,\"error\":null"), std::string::npos);
  EXPECT_EQ(jsonString("/dev/tty\xff\xc3\xa9\x80"), "\"/dev/tty\\udcff\xc3\xa9\\udc80\"");
  EXPECT_EQ(plainLine(kinds[1]), "p power on: not sent: cannot open\n");
}

}  // namespace
}  // namespace qd40::ctl
