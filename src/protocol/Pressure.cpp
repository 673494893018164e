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
// Exponents beyond this are out of any double's range whatever the digits, so
// larger ones are held here instead of overflowing the counter.
constexpr std::int64_t kExponentCap = 1'000'000'000;
constexpr std::string_view kOutOfRange = "Pressure reading out of range: ";

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Walks the text as a reader that ignores blanks sees it, so that the rendered
// " 5 1 2 CR " reads as "512CR".
class Cursor {
 public:
  explicit Cursor(std::string_view text) : m_text(text) { skipIgnored(); }
  char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
  void advance() {
    ++m_pos;
    skipIgnored();
  }

 private:
  void skipIgnored() {
    while (m_pos < m_text.size() &&
           (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n')) {
      ++m_pos;
    }
  }

  std::string_view m_text;
  std::size_t m_pos = 0;
};

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

double readLeadingNumber(std::string_view text) {
  Cursor cursor(text);
  std::string number;
  if (cursor.peek() == '-') number.push_back('-');
  if (cursor.peek() == '+' || cursor.peek() == '-') cursor.advance();

  // The decimal order of the first significant digit decides, together with the
  // exponent, whether a number the parser cannot hold is huge or tiny.
  std::int64_t digitCount = 0;
  std::int64_t firstSignificant = -1;
  auto takeDigits = [&] {
    while (isDigit(cursor.peek())) {
      if (firstSignificant < 0 && cursor.peek() != '0') firstSignificant = digitCount;
      number.push_back(cursor.peek());
      ++digitCount;
      cursor.advance();
    }
  };
  takeDigits();
  const std::int64_t integerDigits = digitCount;
  if (cursor.peek() == '.') {
    number.push_back('.');
    cursor.advance();
    takeDigits();
  }
  if (digitCount == 0) return 0.0;

  // An exponent marker counts only when digits follow it; otherwise the number
  // ends before the marker, as in "12E" followed by anything else.
  std::int64_t exponent = 0;
  const char marker = cursor.peek();
  if (marker == 'E' || marker == 'e' || marker == 'D' || marker == 'd') {
    cursor.advance();
    const bool negativeExponent = cursor.peek() == '-';
    if (cursor.peek() == '+' || cursor.peek() == '-') cursor.advance();
    if (isDigit(cursor.peek())) {
      while (isDigit(cursor.peek())) {
        exponent = std::min(exponent * 10 + (cursor.peek() - '0'), kExponentCap);
        cursor.advance();
      }
      if (negativeExponent) exponent = -exponent;
      number += 'e';
      number += std::to_string(exponent);
    }
  }

  double value = 0.0;
  const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
  if (parsed.ec == std::errc::result_out_of_range) {
    const bool negative = number.front() == '-';
    const bool huge = integerDigits - 1 - firstSignificant + exponent >= 0;
    value = huge ? std::numeric_limits<double>::infinity() : 0.0;
    if (negative) value = -value;
  }
  return value;
}

PressureReading convertPressure(std::string_view reply) {
  const double reading = readLeadingNumber(reply);
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
