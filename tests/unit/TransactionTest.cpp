// The send transaction, the reply window and the monitor clearing, on the
// virtual clock: which intervals each sender leaves behind, how replies in
// pieces, late replies and overlapping commands are shown and decoded.
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace qd40::test {
namespace {

TEST(Transaction, SendWritesTheLineShowsItAndOpensTheReplyWindow) {
  FormHarness h;
  h.window.setCaption(Control::RxMonitor, " 8 0 CR ");
  h.window.setCaption(Control::StatusText, " Stand by");
  h.click("Command17");
  ASSERT_EQ(h.serial.writes().size(), 1u);
  EXPECT_EQ(h.serial.writes()[0].bytes, "C00\r");
  EXPECT_EQ(h.caption(Control::TxMonitor), " C 0 0 CR ");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 8 0 CR ") << "sending leaves the last reply";
  EXPECT_EQ(h.caption(Control::StatusText), " Stand by");
  EXPECT_EQ(h.form.state().replyPending, true);
  EXPECT_TRUE(h.timer2.isEnabled());
  EXPECT_TRUE(h.timer4.isEnabled());
}

TEST(Transaction, ShowingReceivedTextSendsNothing) {
  FormHarness h;
  h.form.showReceived(U"00\r");
  EXPECT_TRUE(h.serial.writes().empty());
  EXPECT_EQ(h.caption(Control::RxMonitor), " 0 0 CR ");
}

TEST(Transaction, StatusRightAfterStartUpFollowsTheExample) {
  FormHarness h;
  h.click("Command44");
  h.clock.advance(120);
  h.serial.receive("00\r");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 0 0 CR ");
  EXPECT_EQ(h.caption(Control::StatusText), " Power ON");
  EXPECT_EQ(h.form.state().replyPending, false);
  h.clock.advance(380);  // 500: the window closes, the monitor keeps the reply
  EXPECT_TRUE(h.form.state().rxBuffer.empty());
  EXPECT_EQ(h.caption(Control::RxMonitor), " 0 0 CR ");
  h.clock.advance(499);
  EXPECT_EQ(h.caption(Control::StatusText), " Power ON");
  h.clock.advance(1);  // 1000
  EXPECT_EQ(h.caption(Control::TxMonitor), "");
  EXPECT_EQ(h.caption(Control::RxMonitor), "");
  EXPECT_EQ(h.caption(Control::StatusText), "");
}

// STATUS sent after each sequence: when the no-reply marker appears and when
// the monitor clears show which intervals the sequence left behind.
struct CarryCase {
  const char* name;
  std::vector<std::string_view> before;
  int replyWindow;
  int clearing;
};

// Test names carry the case; gtest need not dump its bytes.
void PrintTo(const CarryCase& c, std::ostream* os) {
  *os << c.name;
}

class CarryOverTest : public testing::TestWithParam<CarryCase> {};

TEST_P(CarryOverTest, StatusInheritsTheLastIntervalsSet) {
  FormHarness h;
  for (std::string_view button : GetParam().before) h.click(button);
  h.clock.advance(10000);
  h.window.setCaption(Control::RxMonitor, "");
  h.click("Command44");
  h.clock.advance(GetParam().replyWindow - 1);
  EXPECT_EQ(h.caption(Control::RxMonitor), "");
  h.clock.advance(1);
  EXPECT_EQ(h.caption(Control::RxMonitor), " X X X X");
  h.clock.advance(GetParam().clearing - GetParam().replyWindow - 1);
  EXPECT_EQ(h.caption(Control::TxMonitor), " C R 0 CR ");
  h.clock.advance(1);
  EXPECT_EQ(h.caption(Control::TxMonitor), "");
}

INSTANTIATE_TEST_SUITE_P(
    Senders, CarryOverTest,
    testing::Values(CarryCase{"AfterStartUp", {}, 500, 1000},
                    CarryCase{"AfterPictureModeReal", {"Command10"}, 2000, 2500},
                    CarryCase{"AfterSignalModeComponent", {"Command66"}, 5000, 5500},
                    CarryCase{"PlainAndMenuKeepPictureMode",
                              {"Command10", "Command17", "Command23", "Command24", "Command13"},
                              2000,
                              2500},
                    CarryCase{"LastTimedSenderWins", {"Command66", "Command4"}, 2000, 2500},
                    CarryCase{"FreeEntrySend", {"Command95"}, 2000, 2500}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Transaction, MenuRowsSetTheRepeatIntervalAndArrowModeAfterSending) {
  for (std::string_view menu : {"Command23", "Command13"}) {
    FormHarness h;
    h.timer1.setInterval(50);
    h.click(menu);
    EXPECT_EQ(h.timer1.interval(), 200);
    EXPECT_EQ(h.form.state().arrowMode, ArrowMode::Menu);
    h.click("Command24");  // MENU OFF leaves the mode
    EXPECT_EQ(h.form.state().arrowMode, ArrowMode::Menu);
  }
}

TEST(Transaction, ReplyInTwoPiecesIsShownTwiceAndDecodedOnTheSecond) {
  FormHarness h;
  h.click("Command44");
  h.serial.receive("0");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 0 ");
  EXPECT_EQ(h.caption(Control::StatusText), "");
  h.serial.receive("0\r");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 0 0 CR ");
  EXPECT_EQ(h.caption(Control::StatusText), " Power ON");
}

TEST(Transaction, PlainButtonDoesNotExtendAnOpenReplyWindow) {
  FormHarness h;
  h.click("Command44");
  h.clock.advance(300);
  h.click("Command45");
  h.serial.receive("1");
  h.clock.advance(200);  // 500 after the first send: the window closes mid-reply
  EXPECT_TRUE(h.form.state().rxBuffer.empty());
  h.serial.receive("\r");
  EXPECT_EQ(h.caption(Control::RxMonitor), " CR ") << "the rest starts a new buffer";
  h.clock.advance(499);  // 999: the clearing is due 1000 after the first send
  EXPECT_EQ(h.caption(Control::TxMonitor), " C R 1 CR ");
  h.clock.advance(1);
  EXPECT_EQ(h.caption(Control::TxMonitor), "");
}

// Each send starts its reply afresh, so what is decoded is the reply to the
// line just sent, never characters left from before it.
TEST(Transaction, SecondQueryInsideTheFirstWindowIsDecodedFromItsOwnReply) {
  FormHarness h;
  h.click("Command44");
  h.serial.receive("00\r");
  EXPECT_EQ(h.caption(Control::StatusText), " Power ON");
  h.clock.advance(200);
  h.click("Command45");
  h.serial.receive("2\r");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 2 CR ");
  EXPECT_EQ(h.caption(Control::StatusText), " Computer 2");
}

TEST(Transaction, StrayCharacterBeforeTheQueryIsNotReadAsItsReply) {
  FormHarness h;
  h.click("Command44");
  h.clock.advance(500);
  h.serial.receive("8");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 8 ");
  h.clock.advance(1000);
  h.click("Command44");
  h.serial.receive("00\r");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 0 0 CR ");
  EXPECT_EQ(h.caption(Control::StatusText), " Power ON");
}

TEST(Transaction, LateReplyIsDecodedAgainstTheLastLineAndKeptUntilTheNextSend) {
  FormHarness h;
  h.click("Command44");
  h.clock.advance(500);
  EXPECT_EQ(h.caption(Control::RxMonitor), " X X X X");
  h.serial.receive("8");
  h.serial.receive("0");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 8 0 ");
  EXPECT_EQ(h.caption(Control::StatusText), " Stand by");
  h.click("Command17");
  EXPECT_EQ(h.caption(Control::RxMonitor), " 8 0 ");
  h.serial.receive("\x06");
  EXPECT_EQ(h.caption(Control::RxMonitor), " ACK ");
}

TEST(Transaction, ReplyToAnEarlierQueryIsNotDecodedAfterAnotherCommand) {
  FormHarness h;
  h.click("Command44");
  h.click("Command17");
  h.serial.receive("00\r");
  EXPECT_EQ(h.caption(Control::StatusText), "");
}

TEST(Transaction, PortEventsOtherThanReceiveAreIgnored) {
  FormHarness h;
  h.click("Command44");
  for (CommEvent event : {CommEvent::Send, CommEvent::Error}) h.serial.raise(event);
  EXPECT_EQ(h.form.state().replyPending, true);
  EXPECT_EQ(h.caption(Control::RxMonitor), "");
}

TEST(Transaction, ChatteringLineStopsGrowingTheBufferAndStillDecodes) {
  FormHarness h;
  const std::string chunk(4096, '7');
  for (int i = 0; i < 20; ++i) h.serial.receive(chunk);
  EXPECT_EQ(h.form.state().rxBuffer.chars().size(), RxBuffer::kMaxChars);
  EXPECT_EQ(h.caption(Control::RxMonitor).size(), 1 + 2 * RxBuffer::kMaxChars);
  // A query sent into the full buffer starts its reply afresh.
  h.window.setCaption(Control::FreeEntry, "CR9");
  h.click("Command95");
  EXPECT_TRUE(h.form.state().rxBuffer.empty());
  h.serial.receive("x");
  EXPECT_EQ(h.caption(Control::StatusText), " x ");
  h.clock.advance(2000);
  EXPECT_TRUE(h.form.state().rxBuffer.empty());
}

}  // namespace
}  // namespace qd40::test
