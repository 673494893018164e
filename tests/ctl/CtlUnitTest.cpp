// qd40ctl's pieces apart from any port: the reply windows a sequence of
// sends gets, the command line, and the two forms of its output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ctl/Options.h"
#include "ctl/Output.h"
#include "protocol/ReplyWindows.h"

namespace qd40::ctl {
namespace {

TEST(CtlReplyWindows, EachSendWaitsAsLongAsThePanelWouldAfterTheSendsBeforeIt) {
  struct Case {
    const char* name;
    std::vector<std::string> buttons;  // "" for a typed code
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
      {"an arrow after D.Zoom", {"Command48", "Command7"}, {200, 5}},
      {"an arrow at start-up takes what is left", {"Command10", "Command8"}, {2000, 2000}},
  };
  for (const Case& c : cases) {
    ReplyWindows windows;
    std::vector<int> got;
    for (const std::string& button : c.buttons) {
      got.push_back(button.empty() ? typedStep(U"CR7", windows).windowMs
                                   : buttonStep(button, windows).windowMs);
    }
    EXPECT_EQ(got, c.windows) << c.name;
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
      {{"--port", "/dev/ttyS0", "--port", "/dev/ttyS0", "status"}, "named twice"},
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
  std::ofstream(file) << "# room 101\n /dev/ttyUSB0 \n\nsocket://127.0.0.1:7000\n";
  const CommandLine line = parse({"--port=/dev/ttyS1", "--ports", file, "--speed", "9600",
                                  "--timeout=700", "--json", "Power", "ON", "send", "CR PRESSURE",
                                  "signal", "video", "s-video", "watch", "--interval", "2.5"});
  std::filesystem::remove(file);
  ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.err;
  const Options& o = line.options;
  EXPECT_EQ(o.ports,
            (std::vector<std::string>{"/dev/ttyS1", "/dev/ttyUSB0", "socket://127.0.0.1:7000"}));
  EXPECT_EQ(o.settings, "9600,N,8,1");
  EXPECT_EQ(o.timeoutMs, 700);
  EXPECT_TRUE(o.json);
  ASSERT_EQ(o.actions.size(), 4u);
  EXPECT_EQ(o.actions[0].name, "power on");
  EXPECT_EQ(o.actions[1].typed, U"CR PRESSURE");
  EXPECT_EQ(o.actions[2].name, "signal video s-video");
  EXPECT_EQ(o.actions[3].interval, std::chrono::milliseconds(2500));
}

LineResult line(std::string code, std::string reply, std::string monitor,
                std::optional<std::string> text, bool query) {
  return {std::move(code), std::move(reply), std::move(monitor), std::move(text), query, {}};
}

TEST(CtlOutput, JsonKeepsEveryReplyByteAndPlainShowsWhatThePanelShows) {
  Report single{"/dev/ttyUSB0",
                "send",
                Report::Kind::Line,
                line("CR9", "A\"\xff\r", " A \" ? CR ", " A \" ? CR ", true),
                {},
                {},
                {},
                {}};
  EXPECT_EQ(jsonLine(single),
            "{\"port\":\"/dev/ttyUSB0\",\"action\":\"send\",\"ok\":true,\"code\":\"CR9\","
            "\"reply\":\"A\\\"\\u00ff\\u000d\",\"monitor\":\" A \\\" ? CR \","
            "\"text\":\" A \\\" ? CR \",\"error\":null}\n");

  Report status{"socket://h:1", "status", Report::Kind::Values, {}, {}, {}, {}, {}};
  status.values = {{"power", line("CR0", "24\r", " 2 4 CR ", "Cooling down  PWR Management", true)},
                   {"input", line("CR1", "9\r", " 9 CR ", std::nullopt, true)},
                   {"lamp_hours", line("CR3", "", " X X X X", std::nullopt, true)},
                   {"orientation", std::nullopt}};
  EXPECT_EQ(plainLine(status),
            "socket://h:1 status: power:Cooling down  PWR Management | input: not decoded: 9 CR  "
            "| lamp_hours: no reply | orientation: not read\n");
  EXPECT_NE(jsonLine(status).find("\"ok\":false,\"values\":{\"power\":{\"code\":\"CR0\","
                                  "\"reply\":\"24\\u000d\""),
            std::string::npos);
  EXPECT_NE(jsonLine(status).find("\"orientation\":{\"code\":null,\"reply\":null,\"monitor\":null,"
                                  "\"text\":null}}"),
            std::string::npos);
}

}  // namespace
}  // namespace qd40::ctl
