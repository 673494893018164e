// Feeds an arbitrary byte stream, in arbitrary pieces, to the simulator's line
// splitter and compares the lines with a plain reading of the same stream:
// cut at CR, LF dropped, each line kept to its first maxLineBytes bytes.
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "LineSplitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qd40::fuzz::FuzzInput in(data, size);
  const std::size_t limit = in.byte();
  const std::size_t piece = 1 + in.byte() % 32;
  const std::string_view stream = in.rest();

  qd40sim::LineSplitter splitter =
      limit == 0 ? qd40sim::LineSplitter() : qd40sim::LineSplitter(limit);
  const std::size_t maxLine = limit == 0 ? qd40sim::kMaxLineBytes : limit;
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    for (std::string& line : splitter.feed(stream.substr(at, piece)))
      lines.push_back(std::move(line));
  }

  std::vector<std::string> expected;
  std::string pending;
  std::size_t dropped = 0;
  for (const char c : stream) {
    if (c == '\r') {
      expected.push_back(pending);
      pending.clear();
    } else if (c == '\n') {
      continue;
    } else if (pending.size() < maxLine) {
      pending += c;
    } else {
      ++dropped;
    }
  }
  qd40::fuzz::require(lines == expected);
  qd40::fuzz::require(splitter.pending() == pending);
  qd40::fuzz::require(splitter.droppedBytes() == dropped);
  return 0;
}
