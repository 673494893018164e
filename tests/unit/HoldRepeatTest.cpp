// Press-and-hold buttons on the virtual clock: repeat periods, the reply and
// clearing intervals each press leaves, arrow timing by mode, and release.
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace qd40::test {
namespace {

std::vector<std::int64_t> times(const std::vector<FakeSerial::Write>& writes) {
  std::vector<std::int64_t> at;
  for (const auto& write : writes) at.push_back(write.at);
  return at;
}

TEST(Hold, VolumeHeldJustOverOneSecondSendsFiveTimes) {
  FormHarness h;
  h.press("Command1");
  h.clock.advance(1010);
  h.release("Command1");
  const auto writes = h.takeWrites();
  EXPECT_EQ(times(writes), (std::vector<std::int64_t>{0, 250, 500, 750, 1000}));
  for (const auto& write : writes) EXPECT_EQ(write.bytes, "C09\r");
  h.clock.advance(2000);
  EXPECT_TRUE(h.takeWrites().empty()) << "no tick after the release";
}

TEST(Hold, ReleaseBeforeOneIntervalSendsOnce) {
  FormHarness h;
  h.press("Command2");
  h.clock.advance(249);
  h.release("Command2");
  h.clock.advance(1000);
  EXPECT_EQ(h.takeWrites().size(), 1u);
}

TEST(Hold, MonitorClearsBeforeEachRepeatAndShowsNoReplyInBetween) {
  FormHarness h;
  h.press("Command1");
  h.clock.advance(199);
  EXPECT_EQ(h.caption(Control::TxMonitor), " C 0 9 CR ");
  EXPECT_EQ(h.caption(Control::RxMonitor), "");
  h.clock.advance(1);  // 200: the reply window closes empty
  EXPECT_EQ(h.caption(Control::RxMonitor), " X X X X");
  h.clock.advance(44);
  EXPECT_EQ(h.caption(Control::RxMonitor), " X X X X");
  h.clock.advance(1);  // 245: both lines clear, 5 ms before the next send
  EXPECT_EQ(h.caption(Control::TxMonitor), "");
  EXPECT_EQ(h.caption(Control::RxMonitor), "");
  h.clock.advance(5);  // 250
  EXPECT_EQ(h.caption(Control::TxMonitor), " C 0 9 CR ");
  h.clock.advance(200);  // 450
  EXPECT_EQ(h.caption(Control::RxMonitor), " X X X X");
}

struct PeriodCase {
  const char* name;
  std::vector<std::string_view> clicksBefore;  // single-shot buttons first
  std::vector<std::string_view> holdsBefore;   // then pressed and released
  std::string_view button;
  std::string code;
  int period;
  int replyWindow;
  int clearing;
};

// Test names carry the case; gtest need not dump its bytes.
void PrintTo(const PeriodCase& c, std::ostream* os) {
  *os << c.name;
}

class PeriodTest : public testing::TestWithParam<PeriodCase> {};

TEST_P(PeriodTest, RepeatsAtItsPeriodWithItsTimers) {
  const PeriodCase& c = GetParam();
  FormHarness h;
  for (auto button : c.clicksBefore) h.click(button);
  for (auto button : c.holdsBefore) {
    h.press(button);
    h.release(button);
  }
  h.clock.advance(3000);
  h.takeWrites();
  const std::int64_t start = h.clock.now();
  h.press(c.button);
  EXPECT_EQ(h.timer2.interval(), c.replyWindow);
  EXPECT_EQ(h.timer4.interval(), c.clearing);
  h.clock.advance(3 * c.period);
  h.release(c.button);
  const auto writes = h.takeWrites();
  ASSERT_EQ(writes.size(), 4u);
  for (std::size_t i = 0; i < writes.size(); ++i) {
    EXPECT_EQ(writes[i].at - start, static_cast<std::int64_t>(i) * c.period);
    EXPECT_EQ(writes[i].bytes, c.code + "\r");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, PeriodTest,
    testing::Values(
        PeriodCase{"BrightnessEvery50", {}, {}, "Command15", "C20", 50, 25, 25},
        PeriodCase{"SelectEvery500", {}, {}, "Command6", "C3F", 500, 200, 245},
        PeriodCase{"KeystoneEvery250", {}, {}, "Command51", "C8F", 250, 200, 245},
        PeriodCase{"ArrowAfterStartUpKeepsTimers", {}, {}, "Command5", "C3C", 200, 500, 1000},
        PeriodCase{"ArrowAfterMenuOn", {"Command23"}, {}, "Command7", "C3D", 200, 150, 190},
        PeriodCase{"ArrowAfterAImage", {"Command13"}, {}, "Command8", "C3A", 200, 150, 190},
        PeriodCase{"ArrowAfterMenuOnThenOff",
                   {"Command23", "Command24"},
                   {},
                   "Command9",
                   "C3B",
                   200,
                   150,
                   190},
        PeriodCase{"ArrowAfterZoomRelease", {}, {"Command48"}, "Command5", "C3C", 5, 5, 5},
        PeriodCase{"ArrowAfterZoomThenKeystone",
                   {},
                   {"Command49", "Command50"},
                   "Command5",
                   "C3C",
                   250,
                   5,
                   5},
        PeriodCase{
            "ZoomReleaseAfterMenuOn", {"Command23"}, {"Command48"}, "Command5", "C3C", 5, 5, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Hold, ZoomReleaseThenMenuOnGivesArrowsMode1Timing) {
  FormHarness h;
  h.press("Command48");
  h.release("Command48");
  EXPECT_EQ(h.form.state().arrowMode, ArrowMode::Zoom);
  h.click("Command23");
  EXPECT_EQ(h.form.state().arrowMode, ArrowMode::Menu);
  EXPECT_EQ(h.timer1.interval(), 200);
  h.press("Command5");
  EXPECT_EQ(h.timer2.interval(), 150);
  EXPECT_EQ(h.timer4.interval(), 190);
}

TEST(Hold, ReleaseBlanksTheLinesAtOnceAndALateReplyShowsUntilTheClearing) {
  FormHarness h;
  h.press("Command1");
  h.serial.receive("\x06");
  h.clock.advance(100);
  h.release("Command1");
  EXPECT_EQ(h.caption(Control::TxMonitor), "");
  EXPECT_EQ(h.caption(Control::RxMonitor), "");
  EXPECT_TRUE(h.form.state().rxBuffer.empty());
  EXPECT_EQ(h.timer2.interval(), 500);
  EXPECT_FALSE(h.timer2.isEnabled());
  EXPECT_EQ(h.form.state().repeatCode, 0);
  h.clock.advance(300);
  h.serial.receive("\x06");
  EXPECT_EQ(h.caption(Control::RxMonitor), " ACK ");
  h.clock.advance(699);
  EXPECT_EQ(h.caption(Control::RxMonitor), " ACK ");
  h.clock.advance(1);  // 1000 after the release
  EXPECT_EQ(h.caption(Control::RxMonitor), "");
}

TEST(Hold, ReleaseKeepsReplyPendingAsItWas) {
  FormHarness h;
  h.press("Command1");
  h.release("Command1");
  EXPECT_EQ(h.form.state().replyPending, true);
}

TEST(Hold, RepeatingOnAClosedPortNeitherWritesNorAsks) {
  FormHarness h;
  h.serial.setPresent(1, false);
  h.serial.close();
  h.press("Command1");
  h.clock.advance(1000);
  h.release("Command1");
  EXPECT_TRUE(h.serial.writes().empty());
  EXPECT_TRUE(h.window.messages().empty());
  EXPECT_EQ(h.caption(Control::StatusText), "COM1: no such device");
}

}  // namespace
}  // namespace qd40::test
