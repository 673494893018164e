// Reads a whole number typed by a person.
#include "protocol/WholeNumber.h"

#include <charconv>

namespace qd40 {

std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t least,
                                         std::uint64_t most) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < least || value > most) {
    return std::nullopt;
  }
  return value;
}

}  // namespace qd40
