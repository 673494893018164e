// Checks when delayed, split and chattered bytes become due, on an injected clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Chatter.h"
#include "ReplyScheduler.h"

namespace qd40sim {
namespace {

using std::chrono::milliseconds;

const Clock::time_point kStart{std::chrono::hours(1)};

// Drains the scheduler millisecond by millisecond and records when each piece came out.
std::vector<std::pair<int, std::string>> drain(ReplyScheduler& scheduler, int untilMs) {
  std::vector<std::pair<int, std::string>> out;
  for (int ms = 0; ms <= untilMs; ++ms) {
    for (ReplyPiece& piece : scheduler.takeDue(kStart + milliseconds(ms))) {
      out.emplace_back(ms, std::move(piece.bytes));
    }
  }
  return out;
}

TEST(ReplySchedulerTest, AppliesDelayAndSplit) {
  using Out = std::vector<std::pair<int, std::string>>;
  struct Case {
    LineShaping shaping;
    std::string reply;
    Out expected;
  };
  const std::vector<Case> cases = {
      {{}, "80\r", {{0, "80\r"}}},
      {{.delay = milliseconds(30)}, "80\r", {{30, "80\r"}}},
      {{.splitAt = 1, .gap = milliseconds(40)}, "80\r", {{0, "8"}, {40, "0\r"}}},
      {{.delay = milliseconds(5), .splitAt = 2, .gap = milliseconds(0)},
       "80\r",
       {{5, "80"}, {5, "\r"}}},
      {{.splitAt = 3, .gap = milliseconds(40)}, "80\r", {{0, "80\r"}}},
      {{.splitAt = 5, .gap = milliseconds(40)}, "\x06", {{0, "\x06"}}},
  };
  for (const Case& c : cases) {
    ReplyScheduler scheduler(c.shaping);
    scheduler.schedule(c.reply, kStart);
    EXPECT_EQ(drain(scheduler, 100), c.expected) << ::testing::PrintToString(c.reply);
    EXPECT_TRUE(scheduler.empty());
  }
}

TEST(ReplySchedulerTest, LaterReplyWaitsForTheEndOfTheEarlierOne) {
  ReplyScheduler scheduler({.splitAt = 1, .gap = milliseconds(50)});
  scheduler.schedule("80\r", kStart);
  scheduler.schedule("\x06", kStart + milliseconds(10));
  EXPECT_EQ(scheduler.nextDue(), kStart);
  using Out = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(drain(scheduler, 100), (Out{{0, "8"}, {50, "0\r"}, {50, "\x06"}}));
  EXPECT_EQ(scheduler.nextDue(), std::nullopt);
}

TEST(ChatterTest, KeepsRateAndCycleAndStops) {
  ChatterSource chatter(100, milliseconds(500), kStart);
  std::string all;
  for (int ms = 0; ms <= 1000; ms += 50) {
    const std::string batch = chatter.take(kStart + milliseconds(ms));
    EXPECT_LE(batch.size(), 5u) << "at " << ms << " ms";
    all += batch;
  }
  EXPECT_EQ(all, std::string("0123456789")
                     .append("0123456789")
                     .append("0123456789")
                     .append("0123456789")
                     .append("0123456789"));
  EXPECT_TRUE(chatter.finished());
  EXPECT_EQ(chatter.nextWake(kStart + milliseconds(1000)), std::nullopt);
}

}  // namespace
}  // namespace qd40sim
