// The receive path a delivery at a time: the monitor and the status show
// after each delivery what they show for the whole text at once, and the
// window is handed only what each delivery added.
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace qd40::test {
namespace {

void sendTyped(FormHarness& h, const char* line) {
  h.window.setCaption(Control::FreeEntry, line);
  h.click("Command95");
}

struct PieceCase {
  const char* name;
  const char* query;
  std::string reply;
  const char* status;
};

TEST(ReceivePath, ReplyDeliveredACharacterAtATimeDecodesAsAtOnce) {
  const PieceCase cases[] = {
      {"table key complete on the fourth character", "CR0", "00\r", " Power ON"},
      {"the status that is the whole reply", "CR9", "A\x06\xff\r", " A ACK ? CR "},
      {"lamp hours read 38 positions", "CR3", "1234567890123456789\r",
       " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
      {"pressure reads a number that ends", "CR PRESSURE", "512\r", "650 hPa"},
  };
  for (const PieceCase& c : cases) {
    FormHarness h;
    sendTyped(h, c.query);
    for (char byte : c.reply) h.serial.receive(std::string(1, byte));
    EXPECT_EQ(h.caption(Control::StatusText), c.status) << c.name;
    EXPECT_EQ(h.caption(Control::RxMonitor), h.form.state().rxBuffer.rendered()) << c.name;
  }
}

// Clearing the labels leaves the buffer as it is, so the next delivery must
// show all of it again, not only its own characters.
TEST(ReceivePath, DeliveryAfterTheLabelsWereClearedShowsTheWholeBufferAgain) {
  FormHarness h;
  sendTyped(h, "CR9");
  h.serial.receive("A");
  h.serial.receive("B");
  h.form.clearMonitor();
  h.serial.receive("C");
  EXPECT_EQ(h.caption(Control::RxMonitor), " A B C ");
  EXPECT_EQ(h.caption(Control::StatusText), " A B C ");
  // A send empties the buffer; what follows starts the labels afresh.
  sendTyped(h, "CR9");
  h.serial.receive("D");
  EXPECT_EQ(h.caption(Control::RxMonitor), " D ");
  EXPECT_EQ(h.caption(Control::StatusText), " D ");
}

// A chattering line delivered a character at a time: the window gets each
// token once, so the work of a delivery does not grow with the buffer; once
// the buffer is full, a delivery hands over nothing.
TEST(ReceivePath, ChatterHandsTheWindowEachTokenOnce) {
  FormHarness h;
  sendTyped(h, "CR9");
  const std::size_t before = h.window.captionBytes();
  for (int i = 0; i < 20000; ++i) h.serial.receive("5");
  const std::size_t rendered = h.form.state().rxBuffer.rendered().size();
  EXPECT_EQ(rendered, 40001u);
  EXPECT_LT(h.window.captionBytes() - before, 2 * rendered + 16) << "monitor and status";
  for (int i = 0; i < 20000; ++i) h.serial.receive("5");
  const std::size_t full = h.window.captionBytes();
  h.serial.receive("5");
  EXPECT_EQ(h.window.captionBytes(), full);
  EXPECT_EQ(h.caption(Control::RxMonitor).size(), 1 + 2 * RxBuffer::kMaxChars);
}

// Another program with the port open can take a reply or part of it: the
// service is asked to look for one when a window closes without a whole
// reply, and only then.
TEST(ReceivePath, AWindowThatClosesWithoutAWholeReplyAsksWhoElseReadsThePort) {
  struct Case {
    const char* name;
    std::string reply;
    bool asks;
  };
  for (const Case& c : {
           Case{"nothing came", "", true},
           Case{"a reply cut short", "00", true},
           Case{"a whole reply", "00\r", false},
       }) {
    FormHarness h;
    sendTyped(h, "CR0");
    if (!c.reply.empty()) h.serial.receive(c.reply);
    h.form.closeReplyWindow();
    EXPECT_EQ(h.serial.repliesMissing, c.asks ? 1 : 0) << c.name;
  }
}

}  // namespace
}  // namespace qd40::test
