// Keeps received bytes within their share of the session log.
#include "log/ReceivedBudget.h"

#include <algorithm>

namespace qd40 {

bool ReceivedBudget::open(Time at) {
  // A clock set back gives nothing back; one set forward gives one second.
  const double elapsed = std::clamp(std::chrono::duration<double>(at - m_last).count(), 0.0, 1.0);
  if (at > m_last) m_last = at;
  m_second = std::min<double>(kReceivedPerSecond, m_second + elapsed * kReceivedPerSecond);
  return !m_gap || m_second >= kReceivedPerSecond;
}

bool ReceivedBudget::take(std::uint64_t size) {
  m_gap = m_second < static_cast<double>(size) || m_inFile + size > m_perFile;
  if (m_gap) {
    m_second = 0;
    return false;
  }
  m_second -= static_cast<double>(size);
  m_inFile += size;
  return true;
}

}  // namespace qd40
