// Reads the panel's line settings text.
#include "line/LineSettings.h"

#include <charconv>
#include <vector>

namespace qd40 {

namespace {

std::optional<int> wholeNumber(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    fields.push_back(text.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() != 4) return std::nullopt;
  LineSettings line;
  const auto baud = wholeNumber(fields[0]);
  const auto bits = wholeNumber(fields[2]);
  const auto stops = wholeNumber(fields[3]);
  if (!baud || *baud <= 0 || !bits || *bits < 5 || *bits > 8 || !stops ||
      (*stops != 1 && *stops != 2)) {
    return std::nullopt;
  }
  if (fields[1] == "N" || fields[1] == "n")
    line.parity = Parity::None;
  else if (fields[1] == "E" || fields[1] == "e")
    line.parity = Parity::Even;
  else if (fields[1] == "O" || fields[1] == "o")
    line.parity = Parity::Odd;
  else
    return std::nullopt;
  line.baud = *baud;
  line.dataBits = *bits;
  line.stopBits = *stops;
  return line;
}

}  // namespace qd40
