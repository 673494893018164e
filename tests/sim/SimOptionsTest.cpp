// Checks option parsing: accepted forms, defaults, and the errors for bad command lines.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "SimOptions.h"

namespace qd40sim {
namespace {

using std::chrono::milliseconds;

ParseResult parse(std::vector<std::string_view> args) {
  return parseOptions(args);
}

TEST(SimOptionsTest, DefaultsWithoutArguments) {
  const ParseResult result = parse({});
  ASSERT_TRUE(result.options) << result.error;
  const SimOptions& o = *result.options;
  EXPECT_EQ(o.model.countdown, kDefaultCountdown);
  EXPECT_EQ(o.model.lampHours, 1234);
  EXPECT_EQ(o.shaping.splitAt, 0u);
  EXPECT_FALSE(o.silent || o.stdinQuit || o.chatterRate || o.linkPath || o.showHelp ||
               o.showVersion);
  EXPECT_TRUE(parse({"--version"}).options->showVersion);
}

TEST(SimOptionsTest, AcceptsEveryOptionTogether) {
  const ParseResult result = parse({"--countdown-ms",
                                    "10",
                                    "--cooldown-ms=20",
                                    "--lamp-hours",
                                    "99999",
                                    "--pressure",
                                    "0",
                                    "--no-signal",
                                    "--split",
                                    "2",
                                    "--gap",
                                    "30",
                                    "--delay=40",
                                    "--silent",
                                    "--chatter",
                                    "50",
                                    "--chatter-seconds",
                                    "0.25",
                                    "--link",
                                    "/tmp/x",
                                    "--stdin-quit"});
  ASSERT_TRUE(result.options) << result.error;
  const SimOptions& o = *result.options;
  EXPECT_EQ(o.model.countdown, milliseconds(10));
  EXPECT_EQ(o.model.cooldown, milliseconds(20));
  EXPECT_EQ(o.model.lampHours, 99999);
  EXPECT_EQ(o.model.pressure, 0);
  EXPECT_TRUE(o.model.noSignal && o.silent && o.stdinQuit);
  EXPECT_EQ(o.shaping.splitAt, 2u);
  EXPECT_EQ(o.shaping.gap, milliseconds(30));
  EXPECT_EQ(o.shaping.delay, milliseconds(40));
  EXPECT_EQ(o.chatterRate, 50);
  EXPECT_EQ(o.chatterFor, milliseconds(250));
  EXPECT_EQ(o.linkPath, "/tmp/x");
}

TEST(SimOptionsTest, RejectsBadCommandLines) {
  const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"--delay"}, "--delay needs a value"},
      {{"--delay", "-5"}, "--delay expects a whole number"},
      {{"--delay", "5ms"}, "got '5ms'"},
      {{"--delay", ""}, "--delay expects"},
      {{"--split", "0"}, "--split expects a whole number from 1"},
      {{"--lamp-hours", "100000"}, "--lamp-hours"},
      {{"--pressure", "10000"}, "--pressure"},
      {{"--countdown-ms", "99999999999999999999"}, "--countdown-ms"},
      {{"--chatter", "0"}, "--chatter"},
      {{"--chatter", "5", "--chatter-seconds", "0"}, "--chatter-seconds"},
      {{"--chatter", "5", "--chatter-seconds", "x"}, "--chatter-seconds"},
      {{"--gap", "10"}, "--gap only applies together with --split"},
      {{"--chatter-seconds", "1"}, "only applies together with --chatter"},
      {{"--silent=yes"}, "--silent takes no value"},
      {{"--link"}, "--link needs a value"},
      {{"--version=1"}, "--version takes no value"},
  };
  for (const auto& [args, message] : cases) {
    const ParseResult result = parse(args);
    EXPECT_FALSE(result.options) << ::testing::PrintToString(args);
    EXPECT_NE(result.error.find(message), std::string::npos)
        << ::testing::PrintToString(args) << " gave: " << result.error;
  }
}

}  // namespace
}  // namespace qd40sim
