// Which device a port stands for (command line, environment, saved choice,
// default), and what a device chosen in the window does to the port in use.
#include <gtest/gtest.h>

#include "FormHarness.h"
#include "TempFolder.h"
#include "config/PortConfig.h"
#include "config/SavedPorts.h"

namespace qd40::test {
namespace {

using Log = std::vector<std::string>;

TEST(PortConfig, NamesCountInTheOrderCommandLineEnvironmentSavedDefault) {
  struct Case {
    const char* fault;
    PortCandidates given;
    std::string device;
    PortSource source;
    std::string variable;
  };
  for (const Case& c : {
           Case{"nothing given must mean the built-in port",
                {},
                "/dev/ttyS1",
                PortSource::Default,
                ""},
           Case{"a saved choice must beat the default",
                {"", "", "/dev/ttyUSB0"},
                "/dev/ttyUSB0",
                PortSource::Saved,
                ""},
           Case{"the environment must beat a saved choice",
                {"", "/dev/ttyACM0", "/dev/ttyUSB0"},
                "/dev/ttyACM0",
                PortSource::Environment,
                "QD40_COM2"},
           Case{"the command line must beat everything",
                {"socket://192.0.2.1:4001", "/dev/ttyACM0", "/dev/ttyUSB0"},
                "socket://192.0.2.1:4001",
                PortSource::CommandLine,
                "--com2"},
           Case{"saved bytes that are not UTF-8 must be kept",
                {"", "", "/dev/tty\xff"},
                "/dev/tty\xff",
                PortSource::Saved,
                ""},
       }) {
    const PortConfig config({}, c.given);
    EXPECT_EQ(config.choice(2), (PortChoice{c.device, c.source})) << c.fault;
    EXPECT_EQ(config.identity(2).variable, c.variable) << c.fault;
    EXPECT_EQ(config.choice(1), (PortChoice{"/dev/ttyS0", PortSource::Default})) << c.fault;
  }
}

TEST(PortConfig, AChoiceInTheWindowCountsNowAndAnEmptyOneForgetsIt) {
  PortConfig config({"/dev/ttyUSB5", "/dev/ttyUSB3", "/dev/ttyUSB1"}, {});
  config.choose(1, "/dev/pts/7");
  EXPECT_EQ(config.choice(1), (PortChoice{"/dev/pts/7", PortSource::Saved}))
      << "the operator's choice must count at once, over the command line";
  EXPECT_EQ(resolvePort(1, config.candidates(1)).device, "/dev/ttyUSB5")
      << "at the next start the command line counts again";
  config.choose(1, "");
  EXPECT_EQ(config.choice(1), (PortChoice{"/dev/ttyUSB5", PortSource::CommandLine}));
  EXPECT_EQ(config.candidates(1).saved, "");
}

TEST(SavedPorts, WithoutACommandLineTheEnvironmentCountsThenThePanelsSavedChoice) {
  struct Case {
    const char* fault;
    const char* environment;  // QD40_COM1; unset when null
    const char* saved;
    PortChoice expected;
  };
  TempFolder dir;
  const SavedPorts saved(dir.filePath("qd40-control.conf"));
  for (const Case& c : {
           Case{"nothing set must mean the panel's default",
                nullptr,
                "",
                {"/dev/ttyS0", PortSource::Default}},
           Case{"the device chosen in the panel must count with no setting at all",
                nullptr,
                "/dev/ttyUSB0",
                {"/dev/ttyUSB0", PortSource::Saved}},
           Case{"QD40_COM1 must beat the saved choice, as in the panel",
                "/dev/ttyACM0",
                "/dev/ttyUSB0",
                {"/dev/ttyACM0", PortSource::Environment}},
           Case{"an empty QD40_COM1 must count as unset",
                "",
                "/dev/ttyUSB0",
                {"/dev/ttyUSB0", PortSource::Saved}},
       }) {
    if (c.environment != nullptr) {
      qputenv("QD40_COM1", c.environment);
    } else {
      qunsetenv("QD40_COM1");
    }
    ASSERT_EQ(saved.save(1, c.saved), "");
    EXPECT_EQ(configuredPort(1, saved), c.expected) << c.fault;
  }
  qunsetenv("QD40_COM1");
}

TEST(DeviceChosen, ANewDeviceForThePortInUseIsSelectedByThePortSelectionsRules) {
  struct Case {
    const char* fault;
    bool presentAtStart;
    bool presentAfter;
    int chosen;
    Log selection;  // what the serial service is asked after start-up
    bool open;
    int number;
    Log boxes;
  };
  for (const Case& c : {
           Case{"a port that failed at start must open on the device the operator names",
                false,
                true,
                1,
                {"port 1", "open"},
                true,
                1,
                {"COM1: no such device"}},
           Case{"an open port must be closed and opened on the new device",
                true,
                true,
                1,
                {"close", "port 1", "open"},
                true,
                1,
                {}},
           Case{"a device that fails must be reported and fall back like a selection",
                true,
                false,
                1,
                {"close", "port 1", "open", "port 2"},
                false,
                2,
                {"COM1: no such device"}},
           Case{"a device for the other port must not touch the port in use",
                true,
                true,
                2,
                {},
                true,
                1,
                {}},
       }) {
    FormHarness h(false);
    h.serial.setPresent(1, c.presentAtStart);
    h.form.load();
    h.form.shown();
    h.serial.setPresent(1, c.presentAfter);
    const std::size_t before = h.serial.log.size();
    h.form.deviceChosen(c.chosen);
    EXPECT_EQ(Log(h.serial.log.begin() + static_cast<std::ptrdiff_t>(before), h.serial.log.end()),
              c.selection)
        << c.fault;
    EXPECT_EQ(h.serial.isOpen(), c.open) << c.fault;
    EXPECT_EQ(h.serial.commPort(), c.number) << c.fault;
    EXPECT_EQ(h.window.isMarked(Control::Com2), c.number == 2) << c.fault;
    EXPECT_EQ(h.window.messages(), c.boxes) << c.fault;
  }
}

}  // namespace
}  // namespace qd40::test
