// Replies from a real line reach the real window: shown, decoded, cleared.
#include "PanelFixture.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
using ReplyTest = PanelFixture;

TEST_F(ReplyTest, StatusAnsweredIsDecodedAndClearedAfterOneSecond) {
  click("Command44");
  ASSERT_EQ(pty.read(4, milliseconds(2000)), "CR0\r");
  pty.write("00\r");
  ASSERT_TRUE(waitUntil([&] { return text("Label22") == " Power ON"; }, milliseconds(450)));
  EXPECT_EQ(text("Label12"), " 0 0 CR ");
  ASSERT_TRUE(waitUntil([&] { return text("Label22").empty(); }, milliseconds(1500)));
  EXPECT_EQ(text("Label11"), "");
  EXPECT_EQ(text("Label12"), "");
}

TEST_F(ReplyTest, NoAnswerShowsTheMarkerAtHalfASecond) {
  click("Command44");
  ASSERT_TRUE(waitUntil([&] { return text("Label12") == " X X X X"; }, milliseconds(1000)));
  EXPECT_EQ(text("Label11"), " C R 0 CR ");
}

TEST_F(ReplyTest, ReplyInTwoPiecesIsDecodedOnTheSecond) {
  click("Command44");
  pty.read(4, milliseconds(2000));
  pty.write("0");
  ASSERT_TRUE(waitUntil([&] { return text("Label12") == " 0 "; }, milliseconds(400)));
  EXPECT_EQ(text("Label22"), "");
  pty.write("0\r");
  ASSERT_TRUE(waitUntil([&] { return text("Label12") == " 0 0 CR "; }, milliseconds(400)));
  EXPECT_EQ(text("Label22"), " Power ON");
}

TEST_F(ReplyTest, BytesAbove127ArriveAsOneCharacterEach) {
  pty.write(std::string("\x06\xff\xc3\xa9", 4));
  ASSERT_TRUE(waitUntil([&] { return text("Label12") == " ACK ? ? ? "; }, milliseconds(1000)))
      << text("Label12");
}

}  // namespace
}  // namespace qd40::test
