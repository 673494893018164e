// How the command-line programs read what a person typed: whole numbers and
// options with their values.
#include <gtest/gtest.h>

#include "protocol/ArgumentReader.h"
#include "protocol/WholeNumber.h"

namespace qd40 {
namespace {

TEST(WholeNumber, OnlyDigitsWithinTheRangeAreANumber) {
  struct Case {
    const char* text;
    std::uint64_t least, most;
    std::optional<std::uint64_t> read;
  };
  const Case cases[] = {
      {"0", 0, 10, 0},
      {"007", 0, 10, 7},                                      // leading zeros are still the number
      {"65535", 1, 65535, 65535},                             // the top of the range is in it
      {"65536", 1, 65535, std::nullopt},                      // one past it is not
      {"0", 1, 65535, std::nullopt},                          // nor one below the bottom
      {"-0", 0, 10, std::nullopt},                            // a sign is a typo, even on zero
      {"+5", 0, 10, std::nullopt},                            //
      {" 5", 0, 10, std::nullopt},                            // blanks are not trimmed
      {"5 ", 0, 10, std::nullopt},                            //
      {"5ms", 0, 10, std::nullopt},                           // a unit is not dropped
      {"0x10", 0, 100, std::nullopt},                         // nor read as hex
      {"2.5", 0, 10, std::nullopt},                           // nor a fraction cut
      {"", 0, 10, std::nullopt},                              // nothing is no zero
      {"18446744073709551616", 0, UINT64_MAX, std::nullopt},  // past 64 bits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wholeNumber(c.text, c.least, c.most), c.read) << c.text;
  }
  EXPECT_EQ(wholeNumberAs<std::uint16_t>("65535", 1), std::uint16_t{65535});
  EXPECT_EQ(wholeNumberAs<std::uint16_t>("65536", 1), std::nullopt) << "wider than the type";
}

TEST(ArgumentReader, ValuesFollowOrAreJoinedToLongOptionsOnly) {
  ArgumentReader args({"--delay=50", "--link", "/srv/a b", "-x=1", "x", "--a=b=c", "--port=", "--",
                       "power", "on", "--timeout"});
  struct Step {
    const char* name;
    bool joined;
    std::optional<std::string> value;
  };
  const Step steps[] = {
      {"--delay", true, "50"}, {"--link", false, "/srv/a b"},  // the next argument, blanks and all
      {"-x=1", false, "x"},                                    // a short option is never split
      {"--a", true, "b=c"},                                    // at its first '=' only
      {"--port", true, ""},                                    // an empty value is still a value
  };
  for (const Step& step : steps) {
    ASSERT_TRUE(args.next());
    EXPECT_EQ(args.name(), step.name);
    EXPECT_EQ(args.joined(), step.joined) << step.name;
    EXPECT_EQ(args.value(), step.value) << step.name;
  }
  ASSERT_TRUE(args.next());
  EXPECT_EQ(args.argument(), "--");
  ASSERT_TRUE(args.next());
  args.putBack();
  EXPECT_EQ(args.rest(), (std::vector<std::string>{"power", "on", "--timeout"}));
  while (args.next()) {
  }
  EXPECT_EQ(args.name(), "--timeout");
  EXPECT_EQ(args.value(), std::nullopt) << "the command line ends before the value";
}

}  // namespace
}  // namespace qd40
