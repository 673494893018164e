// Implements rate-paced chatter generation.
#include "Chatter.h"

#include <algorithm>

namespace qd40sim {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

ChatterSource::ChatterSource(int charsPerSecond, std::optional<milliseconds> runFor,
                             Clock::time_point start)
    : m_rate(std::max(charsPerSecond, 1)), m_start(start) {
  if (runFor)
    m_total =
        static_cast<std::uint64_t>(std::max<std::int64_t>(runFor->count(), 0) * m_rate / 1000);
}

std::uint64_t ChatterSource::dueCount(Clock::time_point now) const {
  const std::int64_t elapsed = duration_cast<milliseconds>(now - m_start).count();
  if (elapsed <= 0) return 0;
  const auto due = static_cast<std::uint64_t>(elapsed * m_rate / 1000);
  return m_total ? std::min(due, *m_total) : due;
}

std::string ChatterSource::take(Clock::time_point now) {
  const std::uint64_t due = dueCount(now);
  std::string out;
  for (; m_taken < due; ++m_taken) out.push_back(kChatterCycle[m_taken % kChatterCycle.size()]);
  return out;
}

std::optional<Clock::time_point> ChatterSource::nextWake(Clock::time_point now) const {
  if (finished()) return std::nullopt;
  const auto nextCharAt =
      m_start + milliseconds((static_cast<std::int64_t>(m_taken) + 1) * 1000 / m_rate + 1);
  return std::max(now + kChatterBatchInterval, nextCharAt);
}

}  // namespace qd40sim
