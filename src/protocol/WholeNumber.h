#pragma once
// The one reading of a whole number typed by a person (an option's value, a
// setting, a port number): decimal digits and nothing else, within a range.
// A sign, a blank, a fraction or trailing text is refused, so that a typo
// never quietly becomes another value.
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace qd40 {

std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t least = 0,
                                         std::uint64_t most = UINT64_MAX);

// The same, as the type the caller keeps it in (`least` at 0 or above);
// `most` defaults to that type's largest value.
template <typename T>
std::optional<T> wholeNumberAs(std::string_view text, T least = 0,
                               T most = std::numeric_limits<T>::max()) {
  const auto value =
      wholeNumber(text, static_cast<std::uint64_t>(least), static_cast<std::uint64_t>(most));
  if (!value) return std::nullopt;
  return static_cast<T>(*value);
}

}  // namespace qd40
