#pragma once
// Reads a fuzzer's input as a few leading choices followed by a payload. Past
// the end every choice reads as 0, so any input is a valid case.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace qd40::fuzz {

class FuzzInput final {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : m_rest(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t byte() {
    if (m_rest.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(m_rest.front());
    m_rest.remove_prefix(1);
    return b;
  }

  std::uint16_t word() { return static_cast<std::uint16_t>(byte() << 8 | byte()); }

  // A piece of the payload whose length is given by the next byte.
  std::string_view piece(std::size_t maxLength = 255) {
    const std::size_t length = std::min<std::size_t>(byte() % (maxLength + 1), m_rest.size());
    const std::string_view out = m_rest.substr(0, length);
    m_rest.remove_prefix(length);
    return out;
  }

  std::string_view rest() const { return m_rest; }

 private:
  std::string_view m_rest;
};

// A broken invariant is a finding: abort so the fuzzer keeps the input.
inline void require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace qd40::fuzz
