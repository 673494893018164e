// Reads the leading number of a text, whole or a piece at a time.
#include "protocol/LeadingNumber.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace qd40 {
namespace {

// Exponents beyond this are out of any double's range whatever the digits, so
// larger ones are held here instead of overflowing the counter.
constexpr std::int64_t kExponentCap = 1'000'000'000;
// A double is the nearest to a decimal number; the halfway points between two
// doubles have at most 767 significant digits, so digits past these can only
// tip a tie, and whether any of them is not 0 is all they can tell.
constexpr std::size_t kSignificantDigits = 800;
// 0.d1d2... times ten to a power above this is past the largest double, to a
// power below that past half the smallest.
constexpr std::int64_t kScaleBeyondLargest = 309;
constexpr std::int64_t kScaleBeyondSmallest = -330;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool isMarker(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

bool isIgnored(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

double readLeadingNumber(std::string_view text) {
  LeadingNumber number;
  number.feed(text);
  return number.value();
}

void LeadingNumber::feed(std::string_view more) {
  for (const char c : more) {
    if (m_part == Part::Done) return;
    if (!isIgnored(c)) take(c);
  }
}

void LeadingNumber::take(char c) {
  switch (m_part) {
    case Part::Start:
      if (c == '-' || c == '+') {
        m_negative = c == '-';
        m_part = Part::Sign;
        return;
      }
      [[fallthrough]];
    case Part::Sign:
      if (isDigit(c)) {
        m_part = Part::Integer;
        takeDigit(c);
      } else {
        m_part = c == '.' ? Part::Fraction : Part::Done;
      }
      return;
    case Part::Integer:
      if (isDigit(c)) {
        takeDigit(c);
      } else if (c == '.') {
        m_part = Part::Fraction;
      } else {
        m_part = isMarker(c) ? Part::Marker : Part::Done;
      }
      return;
    case Part::Fraction:
      if (isDigit(c)) {
        takeDigit(c);
      } else {
        // An exponent counts only after a digit; a lone point is no number.
        m_part = isMarker(c) && m_digits > 0 ? Part::Marker : Part::Done;
      }
      return;
    case Part::Marker:
      if (c == '-' || c == '+') {
        m_exponentNegative = c == '-';
        m_part = Part::ExponentSign;
        return;
      }
      [[fallthrough]];
    case Part::ExponentSign:
    case Part::Exponent:
      // An exponent marker counts only when digits follow it; otherwise the
      // number ends before the marker, as in "12E" followed by anything else.
      if (isDigit(c)) {
        m_part = Part::Exponent;
        m_hasExponent = true;
        m_exponent = std::min(m_exponent * 10 + (c - '0'), kExponentCap);
      } else {
        m_part = Part::Done;
      }
      return;
    case Part::Done:
      return;
  }
}

void LeadingNumber::takeDigit(char c) {
  if (m_firstSignificant < 0 && c != '0') m_firstSignificant = m_digits;
  ++m_digits;
  if (m_part == Part::Integer) ++m_integerDigits;
  if (m_firstSignificant < 0) return;
  if (m_significant.size() < kSignificantDigits) {
    m_significant += c;
  } else if (c != '0') {
    m_nonZeroBeyond = true;
  }
}

double LeadingNumber::value() const {
  if (m_digits == 0) return 0.0;
  const double zero = m_negative ? -0.0 : 0.0;
  if (m_firstSignificant < 0) return zero;
  const std::int64_t exponent = !m_hasExponent ? 0 : m_exponentNegative ? -m_exponent : m_exponent;
  // The number is 0.d1d2... times ten to this power.
  const std::int64_t scale = m_integerDigits - m_firstSignificant + exponent;
  if (m_worked && m_worked->significant == m_significant.size() &&
      m_worked->nonZeroBeyond == m_nonZeroBeyond && m_worked->scale == scale) {
    return m_worked->value;
  }
  double value = 0.0;
  if (scale > kScaleBeyondLargest) {
    value = std::numeric_limits<double>::infinity();
  } else if (scale >= kScaleBeyondSmallest) {
    std::string number = "0." + m_significant;
    if (m_nonZeroBeyond) number += '1';
    number += 'e' + std::to_string(scale);
    const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
    // Past the range the decimal order decides between huge and tiny.
    if (parsed.ec == std::errc::result_out_of_range) {
      value = scale >= 1 ? std::numeric_limits<double>::infinity() : 0.0;
    }
  }
  value = m_negative ? -value : value;
  m_worked = Worked{m_significant.size(), m_nonZeroBeyond, scale, value};
  return value;
}

}  // namespace qd40
