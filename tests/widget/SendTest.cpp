// Clicking the real buttons of the real window puts exactly their lines on a
// real serial line.
#include <QPushButton>

#include "PanelFixture.h"

namespace qd40::test {
namespace {

using SendTest = PanelFixture;
using std::chrono::milliseconds;

TEST_F(SendTest, StartUpSendsNothing) {
  EXPECT_TRUE(panel->serial().isOpen());
  EXPECT_EQ(pty.drain(milliseconds(200)), "");
}

TEST_F(SendTest, PowerOnWritesExactlyItsFourBytesAndShowsThem) {
  click("Command17");
  EXPECT_EQ(pty.read(4, milliseconds(2000)), "\x43\x30\x30\x0d");
  EXPECT_EQ(text("Label11"), " C 0 0 CR ");
}

struct Sent {
  const char* button;
  const char* code;
};

// The 39 single-shot buttons and their codes.
constexpr Sent kClicked[] = {
    {"Command17", "C00"}, {"Command18", "C01"}, {"Command27", "C05"}, {"Command28", "C06"},
    {"Command29", "C07"}, {"Command19", "C0B"}, {"Command20", "C0C"}, {"Command21", "C0D"},
    {"Command22", "C0E"}, {"Command31", "C0F"}, {"Command32", "C10"}, {"Command23", "C1C"},
    {"Command24", "C1D"}, {"Command25", "C43"}, {"Command26", "C44"}, {"Command13", "C89"},
    {"Command30", "C27"}, {"Command14", "C8A"}, {"Command3", "C1E"},  {"Command4", "C11"},
    {"Command10", "C12"}, {"Command11", "C13"}, {"Command39", "C14"}, {"Command40", "C15"},
    {"Command41", "C16"}, {"Command42", "C17"}, {"Command12", "C18"}, {"Command44", "CR0"},
    {"Command45", "CR1"}, {"Command46", "CR3"}, {"Command47", "CR4"}, {"Command54", "CR6"},
    {"Command64", "C50"}, {"Command65", "C51"}, {"Command66", "C54"}, {"Command72", "C25"},
    {"Command81", "C32"}, {"Command82", "C33"}, {"Command69", "C34"},
};

// The 13 press-and-hold buttons and the code each sends on its press.
constexpr Sent kPressed[] = {
    {"Command1", "C09"},  {"Command2", "C0A"},  {"Command15", "C20"}, {"Command35", "C21"},
    {"Command48", "C30"}, {"Command49", "C31"}, {"Command50", "C8E"}, {"Command51", "C8F"},
    {"Command6", "C3F"},  {"Command5", "C3C"},  {"Command7", "C3D"},  {"Command8", "C3A"},
    {"Command9", "C3B"},
};

std::string monitorOf(const std::string& code) {
  return std::string(" ") + code[0] + " " + code[1] + " " + code[2] + " CR ";
}

TEST_F(SendTest, EveryCommandButtonWritesItsLine) {
  static_assert(std::size(kClicked) == 39);
  for (const Sent& sent : kClicked) {
    SCOPED_TRACE(sent.button);
    click(sent.button);
    EXPECT_EQ(pty.read(4, milliseconds(2000)), std::string(sent.code) + "\r");
    EXPECT_EQ(text("Label11"), monitorOf(sent.code));
  }
  EXPECT_EQ(pty.drain(milliseconds(100)), "") << "no extra bytes";
}

TEST_F(SendTest, EveryHoldButtonWritesItsLineOnThePress) {
  static_assert(std::size(kPressed) == 13);
  for (const Sent& sent : kPressed) {
    SCOPED_TRACE(sent.button);
    // Press and release in one go: no repeat tick can come between them.
    QTest::mousePress(widget(sent.button), Qt::LeftButton);
    EXPECT_EQ(text("Label11"), monitorOf(sent.code));
    QTest::mouseRelease(widget(sent.button), Qt::LeftButton);
    EXPECT_EQ(pty.read(4, milliseconds(2000)), std::string(sent.code) + "\r");
  }
  EXPECT_EQ(pty.drain(milliseconds(100)), "") << "no extra bytes";
}

}  // namespace
}  // namespace qd40::test
