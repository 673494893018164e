#pragma once
// What the session log holds before it is written, and how it is rendered
// into the file's lines. Each entry is taken on the window's thread with no
// more than the time and a copy of its bytes; the stamping and the rendering
// happen on the log's writer thread, so a chattering line costs the window
// little more than the copy.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qd40 {

enum class LogEntryKind {
  Event,     // a line of text: a port's event, a header
  Sent,      // bytes written to the line
  Received,  // bytes read from the line: these fill the log only within a budget
  Unqueued,  // what was left out because the writer fell behind
};

struct LogEntry {
  std::chrono::system_clock::time_point at;
  LogEntryKind kind = LogEntryKind::Event;
  std::string text;                    // the event's line, or the port's label before the bytes
  std::string bytes;                   // what was sent or received
  std::uint64_t unqueuedBytes = 0;     // log bytes of events left out
  std::uint64_t unqueuedReceived = 0;  // received bytes left out
};

// What an entry takes in the queue: near what its line takes in the file.
std::size_t queuedSize(const LogEntry& entry);

// One line of the file: the time (TimeForm::LocalWithOffset), the text (see renderText) and a
// newline.
std::string stampedLine(std::chrono::system_clock::time_point time, std::string_view text);

// A flood or a long chatter is logged in lines of at most this many bytes,
// which render to a few KiB at most.
inline constexpr std::size_t kBytesPerLine = 512;

// The pieces of `bytes` that go on lines of their own, none longer than
// kBytesPerLine and no character cut in two.
std::vector<std::string_view> linePieces(std::string_view bytes);

// The line of one piece of a sent or received entry: "LABEL TX ..." for the
// first, "LABEL TX (continued) ..." for those after it.
std::string bytesLine(const LogEntry& entry, std::string_view piece, bool first);

}  // namespace qd40
