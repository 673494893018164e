#pragma once
// The line monitor's rendering: a leading blank, then one token per character
// ("C " for C, "CR " for carriage return, "ACK " for ACK, "&" for DC4, "? " for
// anything it cannot show). The status decoding reads positions of this text,
// so the layout here is exact.
#include <cstdint>
#include <string>

#include "protocol/Text.h"

namespace qd40 {

void appendToken(std::string& out, char32_t c);
std::string renderMonitor(const Text& line);

// A receive buffer that keeps its rendered form up to date as characters come
// in, so that a long chattering line is never rendered from scratch again.
// It holds at most kMaxChars characters; anything beyond is dropped.
class RxBuffer final {
 public:
  static constexpr std::size_t kMaxChars = 32767;

  // Returns how many of the characters were kept.
  std::size_t append(std::string_view bytes);
  void clear();
  bool empty() const { return m_chars.empty(); }
  const Text& chars() const { return m_chars; }
  const std::string& rendered() const { return m_rendered; }
  // Counts the clearings: between two clearings the rendering only grows, so
  // whoever shows it can hand on just what was added.
  std::uint64_t generation() const { return m_generation; }

 private:
  Text m_chars;
  std::string m_rendered = " ";
  std::uint64_t m_generation = 0;
};

}  // namespace qd40
