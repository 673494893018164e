// Monitor rendering and the incrementally rendered receive buffer.
#include "protocol/Monitor.h"

#include <algorithm>

namespace qd40 {

void appendToken(std::string& out, char32_t c) {
  // The order of the tests matters: the control characters with tokens of
  // their own come before the catch-all for codes below the blank.
  if (c == kACK) {
    out += "ACK ";
  } else if (c == kDC4) {
    out += '&';
  } else if (c == kCR) {
    out += "CR ";
  } else if (c == kLF) {
    out += "LF ";
  } else if (c < U' ' || c > U'z') {
    out += "? ";
  } else {
    out += static_cast<char>(c);
    out += ' ';
  }
}

std::string renderMonitor(const Text& line) {
  std::string out = " ";
  out.reserve(1 + 2 * line.size());
  for (char32_t c : line) appendToken(out, c);
  return out;
}

std::size_t RxBuffer::append(std::string_view bytes) {
  const std::size_t room = kMaxChars - m_chars.size();
  const std::size_t kept = std::min(room, bytes.size());
  for (std::size_t i = 0; i < kept; ++i) {
    const char32_t c = static_cast<unsigned char>(bytes[i]);
    m_chars.push_back(c);
    appendToken(m_rendered, c);
  }
  return kept;
}

void RxBuffer::clear() {
  m_chars.clear();
  m_rendered = " ";
  ++m_generation;
}

}  // namespace qd40
