// Text helpers for the simulator's log: wall-clock timestamps and a readable rendering of raw
// line bytes. Writing the log lines out is left to the caller.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace qd40sim {

// Local time as HH:MM:SS.mmm, which is enough to line the log up with the panel's own log.
std::string formatTimestamp(std::chrono::system_clock::time_point time);

// Shows control characters by name (<CR>, <ACK>, <NAK>, ...), bytes that are not valid UTF-8
// as <xNN>, and keeps valid UTF-8 text as it is. Printable text is wrapped in quotes, with "
// and \ escaped; bytes made only of control characters are shown bare, e.g. <ACK>.
std::string renderBytes(std::string_view bytes);

}  // namespace qd40sim
