#pragma once
// The one way an instant is written for a person: the session log, the
// simulator's log and qd40ctl's reports each show one of these forms. Which
// form a place uses is its own choice; how it is written is decided here.
#include <chrono>
#include <string>

namespace qd40 {

enum class TimeForm {
  // Local time with its offset from UTC, to the millisecond, in ISO 8601:
  // 2026-12-08T09:14:03.512+01:00 (the session log).
  LocalWithOffset,
  // Local time of day to the millisecond: 09:14:03.512 (the simulator's log,
  // to line up with the session log).
  LocalClock,
  // UTC to the second, in ISO 8601: 2026-12-08T08:14:03Z (qd40ctl).
  UtcSeconds,
};

std::string formatTime(std::chrono::system_clock::time_point time, TimeForm form);

}  // namespace qd40
