// Monitor rendering and the incrementally rendered receive buffer.
#include "protocol/Monitor.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace qd40 {

namespace {

// A token is at most four bytes ("ACK ").
constexpr std::size_t kMaxTokenSize = 4;

struct Token {
  std::array<char, kMaxTokenSize> text{};
  std::uint8_t size = 0;

  constexpr Token() = default;
  constexpr explicit Token(std::string_view s) {
    std::copy(s.begin(), s.end(), text.begin());
    size = static_cast<std::uint8_t>(s.size());
  }
  constexpr explicit Token(char c) : text{c, ' '}, size(2) {}
};

constexpr Token tokenRule(char32_t c) {
  // The order of the tests matters: the control characters with tokens of
  // their own come before the catch-all for codes below the blank.
  if (c == kACK) return Token("ACK ");
  if (c == kDC4) return Token("&");
  if (c == kCR) return Token("CR ");
  if (c == kLF) return Token("LF ");
  if (c < U' ' || c > U'z') return Token("? ");
  return Token(static_cast<char>(c));
}

// Every character a received byte can be, looked up rather than decided
// again for each one, so that a full buffer renders in one pass of copies.
constexpr auto kByteTokens = [] {
  std::array<Token, 256> table{};
  for (char32_t c = 0; c < table.size(); ++c) table[c] = tokenRule(c);
  return table;
}();

const Token& tokenOf(unsigned char c) {
  return kByteTokens[c];
}

const Token& tokenOf(char32_t c) {
  static constexpr Token kUnknown("? ");
  return c < kByteTokens.size() ? kByteTokens[c] : kUnknown;
}

// Appends the tokens of [first, last) to out: sizes them first, so that out
// grows once (geometrically, as any string does), then copies each token as
// its four bytes, the unused ones overwritten by the next token or cut off at
// the end.
template <typename Char>
void appendTokens(std::string& out, const Char* first, const Char* last) {
  std::size_t added = 0;
  for (const Char* c = first; c != last; ++c) added += tokenOf(*c).size;
  std::size_t at = out.size();
  const std::size_t end = at + added;
  out.resize(end + kMaxTokenSize);
  char* to = out.data();
  for (const Char* c = first; c != last; ++c) {
    const Token& token = tokenOf(*c);
    std::memcpy(to + at, token.text.data(), kMaxTokenSize);
    at += token.size;
  }
  out.resize(end);
}

// Widens the bytes onto chars, one character per byte, a block at a time:
// each block is appended whole, so chars grows and copies once per block
// rather than once per character.
void appendBytes(Text& chars, std::string_view bytes) {
  std::array<char32_t, 512> block;
  while (!bytes.empty()) {
    const std::size_t n = std::min(bytes.size(), block.size());
    for (std::size_t i = 0; i < n; ++i) block[i] = static_cast<unsigned char>(bytes[i]);
    chars.append(block.data(), n);
    bytes.remove_prefix(n);
  }
}

}  // namespace

void appendToken(std::string& out, char32_t c) {
  const Token& token = tokenOf(c);
  out.append(token.text.data(), token.size);
}

std::string renderMonitor(const Text& line) {
  std::string out = " ";
  appendTokens(out, line.data(), line.data() + line.size());
  return out;
}

std::size_t RxBuffer::append(std::string_view bytes) {
  const std::size_t room = kMaxChars - m_chars.size();
  const std::size_t kept = std::min(room, bytes.size());
  const auto* first = reinterpret_cast<const unsigned char*>(bytes.data());
  appendBytes(m_chars, bytes.substr(0, kept));
  appendTokens(m_rendered, first, first + kept);
  return kept;
}

void RxBuffer::clear() {
  m_chars.clear();
  m_rendered.assign(1, ' ');
  ++m_generation;
}

}  // namespace qd40
