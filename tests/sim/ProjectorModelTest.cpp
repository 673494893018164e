// Checks the projector model's replies line by line, including its power state machine,
// driven on an injected clock so no test waits for a real count-down.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ProjectorModel.h"

namespace qd40sim {
namespace {

using std::chrono::milliseconds;

const std::string kAckReply(1, kAck);
const std::string kNakReply = {kNak, kCr};
const Clock::time_point kStart{std::chrono::hours(1)};

TEST(ProjectorModelTest, EveryOperationCodeIsAcknowledgedWithoutCr) {
  for (int code = 0; code < 256; ++code) {
    char line[4];
    std::snprintf(line, sizeof line, "C%02X", code);
    ProjectorModel model;
    EXPECT_EQ(model.reply(line, kStart), kAckReply) << line;
  }
}

TEST(ProjectorModelTest, StatusReadsInStandby) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"CR0", "80\r"},
      {"CR1", "1\r"},
      {"CR3", "01234\r"},
      {"CR4", "11\r"},
      {"CR6", "035.5C,42.0,038.2\r"},
      {"CR7", "01\r"},
      {"CR9", "QD40SIM 1.0\r"},
      {"CRA", "FF\r"},
      {"CR PRESSURE", "0512\r"},
  };
  ProjectorModel model;
  for (const auto& [line, expected] : cases) EXPECT_EQ(model.reply(line, kStart), expected) << line;
}

TEST(ProjectorModelTest, AnythingElseGetsTheErrorReply) {
  for (const char* line :
       {"", "c00", "cr0", "C0a", "C0G", "C0", "C000", "CR", "CR2", "CR8", "CRa", "CRPRESSURE",
        "CR  PRESSURE", "CR PRESSURE ", "cr pressure", " CR0", "CR0 ", "X", "CR\xC3\xA9"}) {
    ProjectorModel model;
    EXPECT_EQ(model.reply(line, kStart), kNakReply) << '"' << line << '"';
  }
}

struct Step {
  int atMs;
  const char* line;
  const char* expected;
};

void runSteps(ProjectorModel& model, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    EXPECT_EQ(model.reply(step.line, kStart + milliseconds(step.atMs)), step.expected)
        << step.line << " at " << step.atMs << " ms";
  }
}

TEST(ProjectorModelTest, PowerCyclesThroughCountdownAndCooldown) {
  ProjectorModel model({.countdown = milliseconds(3000), .cooldown = milliseconds(2000)});
  runSteps(model, {
                      {0, "CR0", "80\r"},
                      {0, "C01", "\x06"},  // Off in standby changes nothing.
                      {0, "CR0", "80\r"},
                      {100, "C00", "\x06"},
                      {100, "CR0", "40\r"},
                      {200, "C01", "\x06"},  // Off while warming up changes nothing.
                      {3099, "CR0", "40\r"},
                      {3100, "CR0", "00\r"},
                      {3200, "C00", "\x06"},
                      {4000, "C01", "\x06"},
                      {4001, "CR0", "20\r"},
                      {4500, "C00", "\x06"},  // On while cooling down changes nothing.
                      {5999, "CR0", "20\r"},
                      {6000, "CR0", "80\r"},
                      {6000, "C00", "\x06"},
                      {6000, "CR0", "40\r"},
                  });
}

TEST(ProjectorModelTest, MuteBitsInputAndNoSignal) {
  ProjectorModel model({.countdown = milliseconds(1000), .lampHours = 7});
  runSteps(model, {{0, "CR3", "00007\r"},
                   {0, "C06", "\x06"},
                   {0, "CR1", "2\r"},
                   {0, "C07", "\x06"},
                   {0, "C08", "\x06"},
                   {0, "CR1", "3\r"},
                   {0, "C0D", "\x06"},
                   {0, "CRA", "FF\r"},
                   {0, "C00", "\x06"},
                   {10, "CRA", "01\r"},
                   {10, "C0B", "\x06"},
                   {10, "CRA", "03\r"},
                   {2000, "C0E", "\x06"},
                   {2000, "CRA", "02\r"},
                   {2000, "C0C", "\x06"},
                   {2000, "CRA", "00\r"}});
  ProjectorModel noSignal({.countdown = milliseconds(1000), .noSignal = true});
  runSteps(noSignal,
           {{0, "CRA", "FF\r"}, {0, "C00", "\x06"}, {10, "CRA", "00\r"}, {1000, "CRA", "80\r"}});
}

}  // namespace
}  // namespace qd40sim
