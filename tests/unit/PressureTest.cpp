// Checks the reading of the pressure reply's number and its conversion to hPa,
// including readings too large for the 16-bit arithmetic. The rendering of the
// reply is written out by hand here rather than taken from the monitor.
#include "protocol/Pressure.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace qd40 {
namespace {

struct PressureCase {
  const char* fault;
  std::string reply;
  std::optional<std::int16_t> raw;
  std::optional<std::int16_t> hpa;
  std::string text;
};

TEST(PressureTest, ConvertsEveryReplyInTheTable) {
  const PressureCase cases[] = {
      {"ZeroReadingOffTheCurve", " 0 CR ", 0, 106, "106 hPa"},
      {"BlanksNotDroppedOrCrNotEndingNumber", " 0 5 1 2 CR ", 512, 650, "650 hPa"},
      {"TopOfTenBitRangeOffTheCurve", " 1 0 2 3 CR ", 1023, 1194, "1194 hPa"},
      {"TieRoundedAwayFromEvenDown", " 5 1 2 . 5 CR ", 512, 650, "650 hPa"},
      {"TieRoundedAwayFromEvenUp", " 5 1 3 . 5 CR ", 514, 652, "652 hPa"},
      {"NoNumberNotReadAsZero", " ACK ", 0, 106, "106 hPa"},
      {"LoneSignOrPointTakenAsNumber", " - . CR ", 0, 106, "106 hPa"},
      {"DanglingExponentSpoilsNumber", " 1 2 E CR ", 12, 118, "118 hPa"},
      {"DExponentNotUnderstood", " 1 D 2 CR ", 100, 212, "212 hPa"},
      {"SmallestScalableRejected", " - 6 5 5 3 CR ", -6553, -6865, "-6865 hPa"},
      {"BelowZeroHpaLosesMinus", " - 5 0 0 CR ", -500, -426, "-426 hPa"},
      {"LargestScalableRejected", " 6 5 5 3 CR ", 6553, 7077, "7077 hPa"},
      {"ProductWrapsAboveScalable", " 6 5 5 4 CR ", 6554, std::nullopt,
       "Pressure reading out of range: 6554"},
      {"ProductWrapsBelowScalable", " - 7 0 0 0 CR ", -7000, std::nullopt,
       "Pressure reading out of range: -7000"},
      {"ReadingWrapsInto16Bits", " - 4 0 0 0 0 CR ", std::nullopt, std::nullopt,
       "Pressure reading out of range: -40000"},
      {"HugeExponentWraps", " 1 E 3 0 0 ", std::nullopt, std::nullopt,
       "Pressure reading out of range: 1e+300"},
      {"LongReadingShownWithInventedDigits", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 ",
       std::nullopt, std::nullopt, "Pressure reading out of range: 1.2345678901234567e+19"},
      {"OverflowToInfinityMishandled", " 1 E 9 9 9 9 ", std::nullopt, std::nullopt,
       "Pressure reading out of range: inf"},
      {"TinyNumberNotReadAsZero", " 1 E - 9 9 9 9 ", 0, 106, "106 hPa"},
  };
  for (const PressureCase& c : cases) {
    SCOPED_TRACE(c.fault);
    const PressureReading reading = convertPressure(c.reply);
    EXPECT_EQ(reading.raw, c.raw);
    EXPECT_EQ(reading.hpa, c.hpa);
    EXPECT_EQ(reading.text, c.text);
  }
}

TEST(PressureTest, LongChatteringReplyIsReadInOnePass) {
  std::string reply = " ";
  for (int i = 0; i < 50000; ++i) reply += "7 ";
  EXPECT_EQ(convertPressure(reply).text, "Pressure reading out of range: inf");
}

// Numbers longer than a double can tell apart are read from their leading
// digits and whether any digit after them is not 0; the C library, which
// reads every digit, must agree, whole or fed a character at a time.
TEST(PressureTest, LongNumbersReadAsTheCLibraryReadsThem) {
  const std::string zeros(850, '0');
  const std::string nines(900, '9');
  const std::string cases[] = {
      "9007199254740993" + zeros + "1",  // just above a tie: rounds up
      "9007199254740993" + zeros,        // the tie itself: rounds to even
      "0." + zeros + "123e900",         "1." + nines + "e-300", "-" + nines + "e-700",
      "1" + zeros + zeros + "e-1601",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 24));
    const double expected = std::strtod(text.c_str(), nullptr);
    EXPECT_EQ(readLeadingNumber(text), expected);
    LeadingNumber pieces;
    for (const char c : text) pieces.feed(std::string_view(&c, 1));
    EXPECT_EQ(pieces.value(), expected);
  }
}

}  // namespace
}  // namespace qd40
