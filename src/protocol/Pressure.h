#pragma once
// The pressure conversion: a raw reading from the reply to hPa.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qd40 {

// Reads a number the way a decimal reader that skips blanks does: drops blanks,
// tabs and line feeds, then takes the longest leading number (sign, digits,
// decimal point, exponent E or D). No number reads as 0.
double readLeadingNumber(std::string_view text);

struct PressureReading {
  std::optional<std::int16_t> raw;  // the reading rounded, when it fits 16 bits
  std::optional<std::int16_t> hpa;  // the converted value, when the arithmetic fits
  std::string text;                 // what the status label shows
};

PressureReading convertPressure(std::string_view reply);

}  // namespace qd40
