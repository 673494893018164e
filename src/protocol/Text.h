#pragma once
// Text as the panel handles it: one element per character. A command line
// built from buttons is ASCII; a typed line may hold any character; received
// bytes become one character each (0 to 255).
#include <string>

namespace qd40 {

using Text = std::u32string;

inline constexpr char32_t kCR = 13;
inline constexpr char32_t kLF = 10;
inline constexpr char32_t kACK = 6;
inline constexpr char32_t kDC4 = 20;

// Widens ASCII or raw bytes, one character per byte.
inline Text fromBytes(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) out.push_back(c);
  return out;
}

}  // namespace qd40
