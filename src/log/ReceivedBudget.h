#pragma once
// How much of the session log received bytes may take: so many log bytes a
// second, and half of each file. A line that does not fit starts a gap, which
// lasts until a whole second's budget has come back, so a flood leaves a few
// long gaps rather than one after every line, and costs no rendering in them.
#include <chrono>
#include <cstdint>

namespace qd40 {

// Many times what a projector's reply takes, and over twice a line chattering
// at 19200 baud in pieces of a few characters.
inline constexpr std::uint64_t kReceivedPerSecond = 16 * 1024;

class ReceivedBudget final {
 public:
  using Time = std::chrono::system_clock::time_point;

  explicit ReceivedBudget(std::uint64_t fileBytes) : m_perFile(fileBytes / 2) {}

  // Whether a line received at `at` may be logged at all: in a gap it is
  // refused before it costs a rendering.
  bool open(Time at);
  // Whether a line of `size` bytes, found open at its time, is logged; if
  // so it is taken from the budget, else a gap of at least a second starts.
  bool take(std::uint64_t size);
  // Whether the last line offered was refused.
  bool inGap() const { return m_gap; }
  // A new file has all its budget.
  void newFile() { m_inFile = 0; }

 private:
  const std::uint64_t m_perFile;
  std::uint64_t m_inFile = 0;
  double m_second = kReceivedPerSecond;  // what is left of the moving second
  Time m_last{};
  bool m_gap = false;
};

}  // namespace qd40
