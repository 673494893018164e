// Produces unsolicited characters at a steady rate, as a noisy line or a device that talks out
// of turn would. It only decides which characters are due; sending them is the caller's job.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ProjectorModel.h"

namespace qd40sim {

// Characters are released in batches this far apart, which keeps the rate smooth without
// waking up for every single character at high rates.
inline constexpr std::chrono::milliseconds kChatterBatchInterval{50};
inline constexpr std::string_view kChatterCycle = "0123456789";

class ChatterSource {
 public:
  // Without `runFor` the chatter never stops.
  ChatterSource(int charsPerSecond, std::optional<std::chrono::milliseconds> runFor,
                Clock::time_point start);

  // Every character that is due by `now` and has not been taken yet. The count follows the
  // time since start, so a late wake-up is made up for instead of lowering the rate.
  std::string take(Clock::time_point now);

  // When take() should next be called, or nothing once every character has been taken.
  std::optional<Clock::time_point> nextWake(Clock::time_point now) const;

  bool finished() const { return m_total && m_taken >= *m_total; }

 private:
  std::uint64_t dueCount(Clock::time_point now) const;

  std::int64_t m_rate;
  Clock::time_point m_start;
  std::optional<std::uint64_t> m_total;
  std::uint64_t m_taken = 0;
};

}  // namespace qd40sim
