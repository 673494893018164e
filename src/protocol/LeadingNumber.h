#pragma once
// The number at the start of a text, read the way a decimal reader that skips
// blanks reads it: blanks, tabs and line feeds are dropped, then the longest
// leading number is taken (sign, digits, decimal point, exponent E or D). No
// number reads as 0. It does not decide what the number means.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qd40 {

double readLeadingNumber(std::string_view text);

// The same reading of a text that grows at its end, fed a piece at a time,
// with work in proportion to the pieces: past the digits that can still
// change a double, only whether any of them was not zero is kept.
class LeadingNumber final {
 public:
  // The text read so far goes on with `more`.
  void feed(std::string_view more);
  // What readLeadingNumber gives for all the text fed so far.
  double value() const;

 private:
  enum class Part { Start, Sign, Integer, Fraction, Marker, ExponentSign, Exponent, Done };
  void take(char c);
  void takeDigit(char c);

  Part m_part = Part::Start;
  bool m_negative = false;
  std::int64_t m_digits = 0;             // integer and fraction digits, leading zeros too
  std::int64_t m_integerDigits = 0;      // those before the point
  std::int64_t m_firstSignificant = -1;  // index of the first digit that is not 0
  std::string m_significant;             // from that digit on, as many as can matter
  bool m_nonZeroBeyond = false;          // any digit not 0 past those
  bool m_exponentNegative = false;
  bool m_hasExponent = false;
  std::int64_t m_exponent = 0;

  // The last value worked out, and what it was worked out from.
  struct Worked {
    std::size_t significant;
    bool nonZeroBeyond;
    std::int64_t scale;
    double value;
  };
  mutable std::optional<Worked> m_worked;
};

}  // namespace qd40
