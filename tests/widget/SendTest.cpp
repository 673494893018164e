// Clicking the real buttons of the real window puts exactly their lines on a
// real serial line.
#include <QPushButton>

#include "PanelFixture.h"
#include "protocol/Commands.h"

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

TEST_F(SendTest, EveryCommandButtonWritesItsLine) {
  for (const CommandRow& row : kCommandTable) {
    SCOPED_TRACE(std::string(row.button));
    click(std::string(row.button).c_str());
    EXPECT_EQ(pty.read(4, milliseconds(2000)), std::string(row.code) + "\r");
    EXPECT_EQ(text("Label11"),
              " " + std::string{row.code[0]} + " " + row.code[1] + " " + row.code[2] + " CR ");
  }
  EXPECT_EQ(pty.drain(milliseconds(100)), "") << "no extra bytes";
}

}  // namespace
}  // namespace qd40::test
