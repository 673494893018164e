// Checks which sent lines count as status queries and what each rendered reply
// decodes to. The replies are written here in their rendered form by hand.
#include "protocol/StatusDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace qd40 {
namespace {

struct DecodeCase {
  const char* fault;
  std::string sent;
  std::string prefix;
  std::string reply;
  std::optional<std::string> text;
  std::optional<std::int16_t> pressure = std::nullopt;
};

TEST(StatusDecoderTest, DecodesEveryReplyInTheTable) {
  const std::optional<std::string> none;
  const DecodeCase cases[] = {
      {"PowerTableMissing", "CR0\r", "", " 0 0 CR ", " Power ON"},
      {"LeadingBlankAddedToPwrManagement", "CR0\r", "", " 2 4 CR ", "Cooling down  PWR Management"},
      {"HalfArrivedKeyMatched", "CR0\r", "", " 0 ", none},
      {"ReplyMatchedInWrongCase", "CRA\r", "", " f f CR ", none},
      {"UpperCaseKeyMissed", "CRA\r", "", " F F CR ", " Stand by"},
      {"InputKeyTooLong", "CR1\r", "", " 1 2 CR ", " Computer 1"},
      {"SingleCharacterInputMissed", "CR1\r", "", " 1 ", " Computer 1"},
      {"OrientationTableConfused", "CR4\r", "", " 0 0 CR ", " Top/Bottom , Left/Right reversal"},
      {"LampModeTableConfused", "CR7\r", "", " 0 0 CR ", " All OFF : 2 Lamp mode"},
      {"ControlCharacterMatchedRow", "CR0\r", "", " ACK ", none},
      {"LampHoursNotCutAt38", "CR3\r", "", std::string(50, '9'),
       std::string(38, '9') + " Hour Use"},
      {"TemperaturePiecesMisplaced", "CR6\r", "", " A B C D E F G H I J K L M N O P Q CR ",
       "  S1= A B C D E C  ,   S2=  H I J K C , S3= M N O P Q C"},
      {"ShortTemperatureReplyOverruns", "CR6\r", "", " 1 2 ", "  S1= 1 2  C  ,   S2=  C , S3= C"},
      {"RawReplyAltered", "CR9\r", "", " ? x CR ", " ? x CR "},
      {"PressureValueNotHpa", "CR PRESSURE\r", "", " 5 1 2 CR ", "650 hPa", 650},
      {"OutOfRangeLosesRaw", "CR PRESSURE\r", "", " 7 0 0 0 ",
       "Pressure reading out of range: 7000", 7000},
      {"UnfitReadingSetsValue", "CR PRESSURE\r", "", " 4 0 0 0 0 ",
       "Pressure reading out of range: 40000"},
      {"LowerCaseCodeDecoded", "cr0\r", "", " 0 0 CR ", none},
      {"TrailingBlankIgnored", "CR0 \r", "", " 0 0 CR ", none},
      {"NonQueryDecoded", "C00\r", "", " 0 0 CR ", none},
      {"PrefixIgnored", "CR0\r", "X", " 0 0 CR ", none},
      {"PrefixNotStripped", "XCR0\r", "X", " 0 0 CR ", " Power ON"},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.fault);
    const StatusResult result = decodeStatus(fromBytes(c.sent), fromBytes(c.prefix), c.reply);
    EXPECT_EQ(result.text, c.text);
    EXPECT_EQ(result.pressureValue, c.pressure);
  }
}

}  // namespace
}  // namespace qd40
