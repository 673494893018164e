// The bridge's pieces apart from the broker and the line: the values a
// reply gives, the commands a message gives, the command line.
#include <gtest/gtest.h>

#include <fstream>

#include "TempFolder.h"
#include "bus/BridgeOptions.h"
#include "bus/BusCommands.h"
#include "bus/StatusValues.h"
#include "protocol/StatusReplies.h"

namespace qd40::bus {
namespace {

// A read's result as the exchange gives it, checked as the exchange checks
// it: `code` is the read's line.
LineResult answer(std::string code, std::string reply, std::optional<std::string> text) {
  LineResult line;
  line.check = checkReply(code, reply);
  line.code = std::move(code);
  line.reply = std::move(reply);
  line.text = std::move(text);
  line.statusQuery = true;
  return line;
}

std::string flat(const std::vector<StateValue>& values) {
  std::string out;
  for (const StateValue& value : values) out += value.topic + "=" + value.value + ";";
  return out;
}

TEST(BusValues, EachReadGivesDecodedValuesAndNothingForABadAnswer) {
  struct Case {
    const char* name;
    std::string key;
    LineResult line;
    std::string values;
  };
  const std::vector<Case> cases = {
      {"on", "power", answer("CR0", "00\r", " Power ON"), "power=ON;status=Power ON;"},
      {"counting down counts as on", "power", answer("CR0", "40\r", " Count down"),
       "power=ON;status=Count down;"},
      {"stand by", "power", answer("CR0", "80\r", " Stand by"), "power=OFF;status=Stand by;"},
      {"cooling", "power", answer("CR0", "24\r", "Cooling down  PWR Management"),
       "power=OFF;status=Cooling down  PWR Management;"},
      {"unknown power code", "power", answer("CR0", "99\r", std::nullopt), ""},
      {"no reply", "power", answer("CR0", "", std::nullopt), ""},
      {"video input", "input", answer("CR1", "3\r", " Video"), "input=video;"},
      {"fourth input", "input", answer("CR1", "4\r", " Input mode 4"), "input=mode4;"},
      {"lamp hours", "lamp_hours", answer("CR3", "01234\r", " 0 1 2 3 4 CR  Hour Use"),
       "lamp_hours=1234;"},
      {"lamp hours not digits", "lamp_hours", answer("CR3", "12a4\r", " 1 2 a 4 CR  Hour Use"), ""},
      {"temperatures", "temperatures", answer("CR6", "035.5C,42.0,038.2\r", "  S1= 0 3 5 . 5 ..."),
       "temperature/1=35.5;temperature/2=42;temperature/3=38.2;"},
      {"a temperature cut short", "temperatures", answer("CR6", "035.5C,4x.0\r", "  S1= ..."), ""},
      {"lamp mode", "lamp_mode", answer("CR7", "01\r", " No1 ON  : 2 Lamp mode"),
       "lamp_mode=dual_lamp1_on;"},
      {"mute", "mute_signal", answer("CRA", "03\r", " Video & Audio mute ON"),
       "mute_signal=video_audio;"},
      {"orientation", "orientation", answer("CR4", "10\r", " Top/Bottom reversal"),
       "orientation=flip_vertical;"},
      {"pressure", "pressure", answer("CR PRESSURE", "0512\r", "650 hPa"), "pressure=650;"},
      {"a reply the exchange found no valid answer", "pressure",
       answer("CR PRESSURE", "123456789\r", "-1 hPa"), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(flat(stateValues(c.key, c.line)), c.values) << c.name;
  }
}

TEST(BusCommands, MessagesBecomeTheirCodesOrAreRefused) {
  struct Case {
    std::string action, payload;
    bool allowRaw;
    std::string code;     // the line's code, or empty
    std::string refusal;  // the reason, or empty
  };
  const std::vector<Case> cases = {
      {"power", "ON", false, "C00", ""},
      {"power", "OFF", false, "C01", ""},
      {"input", "video", false, "C07", ""},
      {"mute", "ON", false, "C0B", ""},
      {"picture", "cinema", false, "C13", ""},
      {"display_clear", "PRESS", false, "C1E", ""},
      {"vol_up", "PRESS", false, "C09", ""},
      {"power", "On", false, "", "power takes ON, OFF, not \"On\""},
      {"input", "pc3", false, "", "input takes pc1, pc2, video, not \"pc3\""},
      {"power", std::string(50, 'x'), false, "",
       "power takes ON, OFF, not \"" + std::string(40, 'x') + "...\""},
      {"reboot", "ON", false, "", "no such command: \"reboot\""},
      {"raw", "C00", false, "", "raw codes are not taken: the bridge runs without --allow-raw"},
      {"raw", "C4F", true, "C4F", ""},
      {"raw", "CR0", true, "CR0", ""},
      {"raw", "CR PRESSURE", true, "CR PRESSURE", ""},
      {"raw", "c00", true, "", "raw \"c00\" is no code of the command grammar"},
      {"raw", "C0G", true, "", "raw \"C0G\" is no code of the command grammar"},
      {"raw", "C00\rC01", true, "", "raw \"C00?C01\" is no code of the command grammar"},
      {"raw", "CR0 ", true, "", "raw \"CR0 \" is no code of the command grammar"},
      {"raw", "", true, "", "raw \"\" is no code of the command grammar"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action + " " + c.payload);
    ReplyWindows windows;
    const CommandOrRefusal got = readCommand(c.action, c.payload, c.allowRaw, windows);
    if (const auto* step = std::get_if<LineStep>(&got)) {
      EXPECT_EQ(step->code, c.code);
      EXPECT_EQ(c.refusal, "");
    } else {
      EXPECT_EQ(std::get<Refusal>(got).why, c.refusal);
      EXPECT_EQ(c.code, "");
    }
  }
}

TEST(BusOptions, TheCommandLineIsCheckedBeforeAnythingConnects) {
  test::TempFolder dir;
  const std::string projectors = dir.file("projectors");
  std::ofstream(projectors)
      << "# the halls\nhall-1 /dev/ttyUSB0   # front\n\nhall_2\trfc2217://10.0.0.7:4001\n"
      << "  # the lab\nlab /srv/lab/com#1\t# a '#' inside a path is no comment\n";
  struct Case {
    std::vector<std::string> args;
    std::string error;   // the first line on stderr, empty when it runs
    std::string broker;  // host:port, tls, for a run
  };
  const std::vector<Case> cases = {
      {{"--port", "/dev/ttyS0", "--id", "a"}, "", "localhost:1883"},
      {{"--broker", "mqtts://broker.lan", "--port", "/dev/ttyS0", "--id", "a"},
       "",
       "broker.lan:8883 tls"},
      {{"--broker=mqtt://[::1]:1884", "--projectors", projectors}, "", "::1:1884"},
      {{"--port", "/dev/ttyS0", "--id", "Hall"}, "\"Hall\" is no id: use a-z, 0-9, _ and -", ""},
      {{"--port", "/dev/ttyS0", "--id", "a/b"}, "\"a/b\" is no id: use a-z, 0-9, _ and -", ""},
      {{"--port", "/dev/ttyS0", "--id", "a+"}, "\"a+\" is no id: use a-z, 0-9, _ and -", ""},
      {{"--port", "/dev/ttyS0"}, "each --port needs its --id, in the same order", ""},
      {{"--port", "/dev/ttyS0", "--id", "a", "--port", "/dev/ttyS1", "--id", "a"},
       "the id a is given twice",
       ""},
      {{"--broker", "http://x", "--port", "/dev/ttyS0", "--id", "a"},
       "--broker is mqtt://HOST:PORT or mqtts://HOST:PORT, not \"http://x\"",
       ""},
      {{"--broker", "mqtt://user:pw@host", "--port", "/dev/ttyS0", "--id", "a"},
       "--broker: \"pw@host\" is no port number",
       ""},
      {{"--broker", "mqtt://host:0", "--port", "/dev/ttyS0", "--id", "a"},
       "--broker: \"0\" is no port number",
       ""},
      {{"--cafile", "ca.pem", "--port", "/dev/ttyS0", "--id", "a"},
       "--cafile, --cert and --key need an mqtts:// broker",
       ""},
      {{"--interval", "0.5", "--port", "/dev/ttyS0", "--id", "a"},
       "--interval takes seconds from 1 to 86400, not \"0.5\"",
       ""},
      {{}, "no projector: give --port PATH --id ID, or --projectors FILE", ""},
      {{"--forget", "hall1"}, "", "localhost:1883"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
    const BridgeCommandLine line = parseBridgeCommandLine(c.args);
    EXPECT_EQ(line.run, c.error.empty());
    EXPECT_EQ(line.err.substr(0, line.err.find('\n')),
              c.error.empty() ? "" : "qd40ctl mqtt: " + c.error);
    if (!line.run) continue;
    const BrokerSettings& broker = line.options.broker;
    EXPECT_EQ(broker.host + ":" + std::to_string(broker.port) + (broker.tls ? " tls" : ""),
              c.broker);
  }
  const BridgeCommandLine file = parseBridgeCommandLine({"--projectors", projectors});
  ASSERT_EQ(file.options.projectors.size(), 3u);
  EXPECT_EQ(file.options.projectors[0].id + " " + file.options.projectors[0].path,
            "hall-1 /dev/ttyUSB0");
  EXPECT_EQ(file.options.projectors[1].id + " " + file.options.projectors[1].path,
            "hall_2 rfc2217://10.0.0.7:4001");
  EXPECT_EQ(file.options.projectors[2].id + " " + file.options.projectors[2].path,
            "lab /srv/lab/com#1");
}

}  // namespace
}  // namespace qd40::bus
