// Reads the number in a pressure reply and turns it into hPa, or into a plain
// message when the reading is too large to convert. Choosing when a reply is a
// pressure reply, and showing the result, is left to the status decoding.
#include "protocol/Pressure.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace qd40 {
namespace {

constexpr std::int16_t kMaxScalable = std::numeric_limits<std::int16_t>::max() / 5;
constexpr std::int16_t kMinScalable = std::numeric_limits<std::int16_t>::min() / 5;
constexpr std::string_view kOutOfRange = "Pressure reading out of range: ";

// Plain ties-to-even rounding that does not depend on the floating-point
// environment someone else may have changed.
double roundHalfEven(double x) {
  const double down = std::floor(x);
  const double rest = x - down;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(down, 2.0) != 0.0)) return down + 1.0;
  return down;
}

bool fitsInt16(double x) {
  return x >= std::numeric_limits<std::int16_t>::min() &&
         x <= std::numeric_limits<std::int16_t>::max();
}

// Everyday numbers are shown in full ("40000", not "4e+04"). Larger ones take
// the exponent form, since written out in full they would show digits that were
// never in the reply.
std::string formatReading(double value) {
  char buffer[64];
  const auto format =
      std::fabs(value) < 1e15 ? std::chars_format::fixed : std::chars_format::scientific;
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, format);
  return std::string(buffer, end.ptr);
}

}  // namespace

PressureReading convertPressure(std::string_view reply) {
  return convertReading(readLeadingNumber(reply));
}

PressureReading convertReading(double reading) {
  const double rounded = roundHalfEven(reading);
  PressureReading result;
  if (fitsInt16(rounded)) result.raw = static_cast<std::int16_t>(rounded);

  // Multiplying by 5 in 16 bits would wrap for these, and a wrapped product
  // would show a believable but wrong pressure, so the reading is shown instead.
  if (!result.raw || *result.raw < kMinScalable || *result.raw > kMaxScalable) {
    result.text = std::string(kOutOfRange) + formatReading(reading);
    return result;
  }

  // The 16-bit product and the single-precision division are kept as they are so
  // that every reading shows the same hPa the panel has always shown for it.
  const auto product = static_cast<std::int16_t>(*result.raw * 5);
  const float scaled = static_cast<float>(product) / 1024.0f;
  const double hpa = (static_cast<double>(scaled) - 0.204) / 0.00459 + 150.0;
  result.hpa = static_cast<std::int16_t>(roundHalfEven(hpa));
  result.text = std::to_string(*result.hpa) + " hPa";
  return result;
}

}  // namespace qd40
