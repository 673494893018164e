// Start-up, port and speed selection, the settings frame, END, and what a
// send does when the port is closed or lost.
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace qd40::test {
namespace {

using Log = std::vector<std::string>;

TEST(Startup, OpensCom1TwiceAndSendsNothing) {
  FormHarness h;
  EXPECT_EQ(h.serial.log,
            (Log{"port 1", "settings 19200,N,8,1", "open", "close", "port 1", "open"}));
  EXPECT_TRUE(h.serial.isOpen());
  EXPECT_EQ(h.serial.commPort(), 1);
  EXPECT_TRUE(h.window.isMarked(Control::Com1));
  EXPECT_TRUE(h.window.isMarked(Control::FastSpeed));
  EXPECT_FALSE(h.window.isVisible(Control::PortSettings));
  EXPECT_EQ(h.form.state().portSettings, "19200,N,8,1");
  EXPECT_TRUE(h.serial.writes().empty());
  for (Timer* timer : {&h.timer1, &h.timer2, &h.timer3, &h.timer4})
    EXPECT_FALSE(timer->isEnabled());
}

TEST(Startup, CentresWithTheDesignedHeightThenGoesCompact) {
  FormHarness h;
  EXPECT_DOUBLE_EQ(h.window.left(), (28800 - 9615) / 2.0);
  // The top uses the full designed height, so the compact window sits high.
  EXPECT_DOUBLE_EQ(h.window.top(), (16200 - 9100) / 2.0);
  EXPECT_EQ(h.window.height(), 5350);
}

TEST(Startup, MissingCom1StillComesUpAndReportsOnceShown) {
  FormHarness h(false);
  h.serial.setPresent(1, false);
  h.form.load();
  EXPECT_FALSE(h.serial.isOpen());
  EXPECT_TRUE(h.window.messages().empty()) << "no box before the window is shown";
  h.form.shown();
  ASSERT_EQ(h.window.messages().size(), 1u);
  EXPECT_EQ(h.window.messages()[0], "COM1: no such device");
  h.form.shown();
  EXPECT_EQ(h.window.messages().size(), 1u);
}

TEST(PortSelection, Com2PresentEndsOpenOnCom2AndHidesTheFrame) {
  FormHarness h;
  h.form.showPortSettings();
  h.form.selectCom2();
  EXPECT_TRUE(h.serial.isOpen());
  EXPECT_EQ(h.serial.commPort(), 2);
  EXPECT_FALSE(h.window.isVisible(Control::PortSettings));
  EXPECT_TRUE(h.window.messages().empty());
}

TEST(PortSelection, MissingCom2ReportsThenFallsBackToNumber1Closed) {
  FormHarness h;
  h.serial.setPresent(2, false);
  h.form.showPortSettings();
  int numberWhileBoxOpen = 0;
  h.window.whileMessageBoxOpen = [&] { numberWhileBoxOpen = h.serial.commPort(); };
  h.form.selectCom2();
  ASSERT_EQ(h.window.messages(), (Log{"COM2: no such device"}));
  EXPECT_EQ(numberWhileBoxOpen, 2) << "the fallback is set only once the box is dismissed";
  EXPECT_EQ(h.serial.commPort(), 1);
  EXPECT_FALSE(h.serial.isOpen());
  EXPECT_TRUE(h.window.isVisible(Control::PortSettings));
  h.clock.advance(5000);
  EXPECT_FALSE(h.window.isVisible(Control::PortSettings));
}

TEST(PortSelection, AfterAFailureTheMarkNamesThePortTheNextSendUsesWithoutRunningItsHandler) {
  for (const bool com2Fails : {true, false}) {
    FormHarness h;
    h.serial.setPresent(com2Fails ? 2 : 1, false);
    if (!com2Fails) {
      h.window.setMarked(Control::Com2, true);
      h.form.selectCom2();
      ASSERT_TRUE(h.serial.isOpen());
    }
    h.serial.log.clear();
    com2Fails ? h.form.selectCom2() : h.form.selectCom1();
    EXPECT_EQ(h.serial.log, (Log{"close", com2Fails ? "port 2" : "port 1", "open",
                                 com2Fails ? "port 1" : "port 2"}))
        << "marking the fallback ran no selection";
    EXPECT_EQ(h.window.isMarked(Control::Com1), com2Fails);
    EXPECT_EQ(h.window.isMarked(Control::Com2), !com2Fails);
    EXPECT_EQ(h.window.messages().size(), 1u);
  }
}

TEST(PortSelection, WhileClosedSetsTheNumberOnlyAndHidesTheFrame) {
  FormHarness h;
  h.serial.close();
  h.serial.log.clear();
  h.form.showPortSettings();
  h.form.selectCom2();
  EXPECT_EQ(h.serial.log, (Log{"port 2"}));
  EXPECT_FALSE(h.serial.isOpen());
  EXPECT_FALSE(h.window.isVisible(Control::PortSettings));
}

TEST(SpeedSelection, AppliesToTheOpenPortWithoutClosingIt) {
  FormHarness h;
  h.serial.log.clear();
  h.form.showPortSettings();
  h.form.selectSlowSpeed();
  EXPECT_EQ(h.serial.log, (Log{"settings 9600,N,8,1"}));
  EXPECT_TRUE(h.serial.isOpen());
  EXPECT_EQ(h.form.state().portSettings, "9600,N,8,1");
  EXPECT_FALSE(h.window.isVisible(Control::PortSettings));
  h.form.selectFastSpeed();
  EXPECT_EQ(h.serial.settings(), "19200,N,8,1");
}

TEST(SettingsFrame, HidesItselfFiveSecondsAfterCom) {
  FormHarness h;
  h.form.showPortSettings();
  h.clock.advance(4999);
  EXPECT_TRUE(h.window.isVisible(Control::PortSettings));
  h.clock.advance(1);
  EXPECT_FALSE(h.window.isVisible(Control::PortSettings));
  EXPECT_FALSE(h.timer3.isEnabled());
}

TEST(End, ClosesThePortBeforeTheWindowEvenWhenClosed) {
  for (const bool open : {true, false}) {
    FormHarness h;
    if (!open) h.serial.close();
    h.serial.log.clear();
    h.form.end();
    EXPECT_EQ(h.serial.log, (Log{"close"}));
    EXPECT_FALSE(h.serial.isOpen());
    EXPECT_TRUE(h.window.closed());
  }
}

TEST(ClosedPort, SendTriesOnceToOpenAndOtherwiseRunsTheTransactionWithTheReason) {
  FormHarness h;
  h.serial.setPresent(2, false);
  h.form.selectCom2();  // fails: closed, number 1
  h.serial.setPresent(1, false);
  h.serial.log.clear();
  h.click("Command17");
  EXPECT_EQ(h.serial.log, (Log{"open"}));
  EXPECT_TRUE(h.serial.writes().empty());
  EXPECT_EQ(h.caption(Control::TxMonitor), " C 0 0 CR ");
  EXPECT_EQ(h.caption(Control::StatusText), "COM1: no such device");
  EXPECT_EQ(h.window.messages().size(), 1u) << "no message box per click";
  h.clock.advance(500);
  EXPECT_EQ(h.caption(Control::RxMonitor), " X X X X");
  h.clock.advance(500);
  EXPECT_EQ(h.caption(Control::StatusText), "");

  h.serial.setPresent(1, true);
  h.click("Command17");
  EXPECT_TRUE(h.serial.isOpen());
  ASSERT_EQ(h.serial.writes().size(), 1u);
  EXPECT_EQ(h.serial.writes()[0].bytes, "C00\r");
}

TEST(LostPort, IsReportedAndReopenedByTheNextSend) {
  FormHarness h;
  h.serial.lose("COM1 (/dev/ttyUSB0): the connection was lost");
  EXPECT_EQ(h.caption(Control::StatusText), "COM1 (/dev/ttyUSB0): the connection was lost");
  EXPECT_FALSE(h.serial.isOpen());
  h.click("Command44");
  EXPECT_TRUE(h.serial.isOpen());
  EXPECT_EQ(h.serial.writes().size(), 1u);
}

TEST(PortTrouble, ALossOpensOneBoxPerEpisodeThatOutlivesTheClearingAndClosesOnReopening) {
  FormHarness h;
  h.click("Command17");
  h.serial.lose("COM1 (/dev/ttyUSB0): the connection was lost");
  EXPECT_EQ(h.window.portProblems(), (Log{"COM1 (/dev/ttyUSB0): the connection was lost"}));
  EXPECT_TRUE(h.window.portBoxOpen());
  h.clock.advance(1000);
  EXPECT_EQ(h.caption(Control::StatusText), "") << "the clearing timer still clears the label";
  EXPECT_TRUE(h.window.portBoxOpen()) << "but the box stays";

  h.serial.setPresent(1, false);
  for (int press = 0; press < 3; ++press) h.click("Command17");
  EXPECT_EQ(h.caption(Control::StatusText), "COM1: no such device");
  EXPECT_EQ(h.window.portProblems().size(), 2u)
      << "one box per episode, its text once per new cause, not per press";

  h.serial.setPresent(1, true);
  h.click("Command17");
  EXPECT_FALSE(h.window.portBoxOpen()) << "closed once the port opens again";

  h.serial.setPresent(1, false);
  h.serial.lose("lost again");
  h.click("Command17");
  EXPECT_EQ(h.window.portProblems(),
            (Log{"COM1 (/dev/ttyUSB0): the connection was lost", "COM1: no such device",
                 "lost again", "COM1: no such device"}));
  EXPECT_TRUE(h.window.messages().empty()) << "no modal box for a loss";
}

TEST(PortTrouble, AFailedReopenOnAPressOpensTheBoxUnlessTheStartUpBoxToldItAlready) {
  for (const bool atStart : {true, false}) {
    FormHarness h(false);
    h.serial.setPresent(1, !atStart);
    h.form.load();
    h.form.shown();
    if (!atStart) {
      h.serial.setPresent(1, false);
      h.serial.lose("lost");
    }
    h.click("Command17");
    h.click("Command17");
    EXPECT_EQ(h.window.portProblems(), (atStart ? Log{} : Log{"lost", "COM1: no such device"}));
    EXPECT_EQ(h.window.messages().size(), atStart ? 1u : 0u);
  }
}

TEST(PortTrouble, TheBoxAlwaysTellsTheCurrentCauseOfThePortInUseAndEachNewCauseOneLine) {
  FormHarness h;
  h.serial.lose("COM1: lost");
  h.serial.setFailure(1, "COM1: in use by qd40-control (process 7 of user ann)");
  h.click("Command17");
  h.click("Command17");
  const Log told{"COM1: lost", "COM1: in use by qd40-control (process 7 of user ann)"};
  EXPECT_EQ(h.window.portProblems(), told) << "the lost port came back busy";
  EXPECT_EQ(h.window.errors(), told);
  // COM2 chosen while the port is closed: the box spoke of COM1.
  h.serial.setPresent(2, false);
  h.form.selectCom2();
  EXPECT_FALSE(h.window.portBoxOpen());
  h.click("Command17");
  EXPECT_TRUE(h.window.portBoxOpen());
  EXPECT_EQ(h.window.errors().back(), "COM2: no such device");
  EXPECT_EQ(h.window.portProblems(), h.window.errors());
}

TEST(PortTrouble, EveryFailureIsShownAndWrittenOnceToStandardError) {
  FormHarness h(false);
  h.serial.setPresent(1, false);
  h.serial.setPresent(2, false);
  h.form.load();
  EXPECT_EQ(h.window.errors(), (Log{"COM1: no such device"})) << "the start-up failure";
  h.form.shown();
  h.form.selectCom2();
  h.click("Command17");
  h.click("Command17");
  EXPECT_EQ(h.window.portProblems(), (Log{"COM2: no such device"}))
      << "a COM2 chosen after COM1 failed at start-up fails on the press";
  EXPECT_EQ(h.window.errors(), (Log{"COM1: no such device", "COM2: no such device"}));

  FormHarness open;
  open.serial.setPresent(2, false);
  open.form.selectCom2();
  EXPECT_EQ(open.window.messages(), (Log{"COM2: no such device"})) << "a failed selection";
  EXPECT_EQ(open.window.errors(), (Log{"COM2: no such device"}));
}

}  // namespace
}  // namespace qd40::test
