// Holds replies until they are due, applying the configured delay and split so the panel can
// be tested against a slow or fragmenting line. Writing the pieces to the line is left to the
// caller, which asks for the due pieces and sleeps in poll() until nextDue().
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ProjectorModel.h"

namespace qd40sim {

inline constexpr std::chrono::milliseconds kNoDelay{0};
inline constexpr std::chrono::milliseconds kDefaultSplitGap{200};

struct LineShaping {
  std::chrono::milliseconds delay = kNoDelay;
  std::size_t splitAt = 0;  // 0 sends every reply in one piece.
  std::chrono::milliseconds gap = kDefaultSplitGap;
};

struct ReplyPiece {
  Clock::time_point due;
  std::string bytes;
  int part = 1;
  int parts = 1;
};

class ReplyScheduler {
 public:
  explicit ReplyScheduler(LineShaping shaping = {});

  void schedule(std::string reply, Clock::time_point now);
  std::vector<ReplyPiece> takeDue(Clock::time_point now);
  std::optional<Clock::time_point> nextDue() const;
  bool empty() const { return m_queue.empty(); }

 private:
  LineShaping m_shaping;
  std::deque<ReplyPiece> m_queue;
};

}  // namespace qd40sim
