// Reads the panel's line settings text.
#include "line/LineSettings.h"

#include <vector>

#include "protocol/WholeNumber.h"

namespace qd40 {

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
  const auto baud = wholeNumberAs<int>(fields[0], 1);
  const auto bits = wholeNumberAs<int>(fields[2], 5, 8);
  const auto stops = wholeNumberAs<int>(fields[3], 1, 2);
  if (!baud || !bits || !stops) {
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
