// Implements delayed and split delivery of replies.
#include "ReplyScheduler.h"

namespace qd40sim {

ReplyScheduler::ReplyScheduler(LineShaping shaping) : m_shaping(shaping) {}

void ReplyScheduler::schedule(std::string reply, Clock::time_point now) {
  const Clock::time_point due = now + m_shaping.delay;
  if (m_shaping.splitAt == 0 || reply.size() <= m_shaping.splitAt) {
    m_queue.push_back({due, std::move(reply), 1, 1});
    return;
  }
  std::string rest = reply.substr(m_shaping.splitAt);
  reply.resize(m_shaping.splitAt);
  m_queue.push_back({due, std::move(reply), 1, 2});
  m_queue.push_back({due + m_shaping.gap, std::move(rest), 2, 2});
}

// Pieces leave strictly in the order they were queued, as a device sends one reply after the
// other: a piece that is already due still waits for the unsent piece ahead of it.
std::vector<ReplyPiece> ReplyScheduler::takeDue(Clock::time_point now) {
  std::vector<ReplyPiece> due;
  while (!m_queue.empty() && m_queue.front().due <= now) {
    due.push_back(std::move(m_queue.front()));
    m_queue.pop_front();
  }
  return due;
}

std::optional<Clock::time_point> ReplyScheduler::nextDue() const {
  if (m_queue.empty()) return std::nullopt;
  return m_queue.front().due;
}

}  // namespace qd40sim
