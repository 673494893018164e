// Text helpers for the simulator's log: wall-clock timestamps and a readable rendering of raw
// line bytes (the one the panel's session log uses). Writing the log lines out is left to the
// caller.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "protocol/LogText.h"

namespace qd40sim {

// Local time as HH:MM:SS.mmm, which is enough to line the log up with the panel's own log.
std::string formatTimestamp(std::chrono::system_clock::time_point time);

// The raw line bytes, rendered as the panel's session log renders them.
using qd40::renderBytes;

}  // namespace qd40sim
