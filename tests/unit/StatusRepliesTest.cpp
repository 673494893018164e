// Which replies are valid answers to which lines, and the value each valid
// one carries: one table for every status read and for an operation.
#include <gtest/gtest.h>

#include "protocol/StatusReplies.h"

namespace qd40 {
namespace {

// The value as text, so that one column holds every kind: a code or a text
// in quotes, a number, three readings in brackets, "-" for none.
std::string shown(const ReplyCheck& check) {
  if (!check.value) return "-";
  const StatusValue& v = *check.value;
  char readings[64];
  switch (v.kind) {
    case StatusValue::Kind::Code:
    case StatusValue::Kind::Text:
      return "\"" + v.text + "\"";
    case StatusValue::Kind::Number:
      return std::to_string(v.number);
    case StatusValue::Kind::Readings:
      std::snprintf(readings, sizeof readings, "[%g %g %g]", v.readings[0], v.readings[1],
                    v.readings[2]);
      return readings;
  }
  return "?";
}

TEST(StatusReplies, OnlyAReplyOfTheReadsOwnShapeIsValid) {
  struct Case {
    const char* fault;  // what a wrong verdict would let through
    const char* code;
    std::string reply;
    bool valid;
    const char* value;
  };
  const Case cases[] = {
      {"a power code", "CR0", "24\r", true, "\"24\""},
      {"a power code no row knows", "CR0", "99\r", false, "-"},
      {"a power code without its CR", "CR0", "00", false, "-"},
      {"a power code with more after it", "CR0", "001\r", false, "-"},
      {"two replies run together", "CR0", "00\r80\r", false, "-"},
      {"an input", "CR1", "3\r", true, "\"3\""},
      {"another read's answer to an input read", "CR1", "11\r", false, "-"},
      {"lamp hours", "CR3", "01234\r", true, "1234"},
      {"lamp hours of one digit", "CR3", "7\r", true, "7"},
      {"lamp hours too long", "CR3", "123456\r", false, "-"},
      {"lamp hours that are no digits", "CR3", std::string("\x80\xff?A\r", 5), false, "-"},
      {"an empty reply to lamp hours", "CR3", "\r", false, "-"},
      {"an orientation", "CR4", "01\r", true, "\"01\""},
      {"an input's answer to an orientation read", "CR4", "1\r", false, "-"},
      {"temperatures", "CR6", "035.5C,42.0,038.2\r", true, "[35.5 42 38.2]"},
      {"temperatures one character short", "CR6", "035.5C,42.0,038.\r", false, "-"},
      {"temperatures with letters in a reading", "CR6", "0x5.5C,42.0,038.2\r", false, "-"},
      {"temperatures with a digit the text hides", "CR6", "035.5C,42.07038.2\r", false, "-"},
      {"a lamp mode", "CR7", "22\r", true, "\"22\""},
      {"a lamp mode no row knows", "CR7", "33\r", false, "-"},
      {"the identification", "CR9", "QD40SIM 1.0\r", true, "\"QD40SIM 1.0\""},
      {"an identification of control bytes", "CR9", "\x01\x02\r", false, "-"},
      {"mute and signal", "CRA", "FF\r", true, "\"FF\""},
      {"mute and signal in lower case", "CRA", "ff\r", false, "-"},
      {"a pressure reading", "CR PRESSURE", "0512\r", true, "650"},
      {"the highest pressure reading", "CR PRESSURE", "1023\r", true, "1194"},
      {"a pressure beyond the sensor", "CR PRESSURE", "1024\r", false, "-"},
      {"a pressure far beyond the sensor", "CR PRESSURE", "123456789\r", false, "-"},
      {"a pressure with a sign", "CR PRESSURE", "-5\r", false, "-"},
      {"an operation's ACK", "C00", "\x06", true, "-"},
      {"an operation's ACK and CR", "C00", "\x06\r", true, "-"},
      {"an operation refused", "C00", "\x15\r", false, "-"},
      {"a status code typed in lower case is no read", "cr0", "00\r", false, "-"},
  };
  for (const Case& c : cases) {
    const ReplyCheck check = checkReply(c.code, c.reply);
    EXPECT_EQ(check.valid, c.valid) << c.fault;
    EXPECT_EQ(shown(check), c.value) << c.fault;
  }
}

TEST(StatusReplies, AReplyLooksCompleteAtItsCrOrAnOperationsAck) {
  EXPECT_TRUE(looksComplete("80\r"));
  EXPECT_TRUE(looksComplete("\x06"));
  EXPECT_FALSE(looksComplete("8"));
  EXPECT_FALSE(looksComplete(""));
  EXPECT_FALSE(looksComplete("\r8"));
}

}  // namespace
}  // namespace qd40
