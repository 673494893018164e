// The simulator's event loop: reads the panel's bytes from the pseudo-terminal master, answers
// each line through the model and the reply scheduler, adds chatter, and logs every line both
// ways. Parsing options, opening the terminal and signal set-up are left to main().
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Chatter.h"
#include "LineSplitter.h"
#include "ProjectorModel.h"
#include "ReplyScheduler.h"
#include "SimOptions.h"

namespace qd40sim {

// The most output held back while the panel is not reading. Chatter stops being queued at the
// lower mark, which leaves room for replies, so a reply is only lost after the panel has sent
// thousands of commands without reading any answer.
inline constexpr std::size_t kMaxQueuedChatter = 64 * 1024;
inline constexpr std::size_t kMaxQueuedOutput = 256 * 1024;
inline constexpr std::size_t kChatterLogPreview = 20;

class Simulator {
 public:
  // `masterFd` must be non-blocking; a byte on `stopFd` carries the signal number to stop on.
  Simulator(const SimOptions& options, int masterFd, int stopFd);

  // Runs until a stop signal (returns 0), stdin end of file with --stdin-quit (returns 0) or a
  // failure of the terminal (returns 1).
  int run();

 private:
  void releaseDue(Clock::time_point now);
  void queueReply(std::string_view bytes, std::string_view note);
  void queueChatter(std::string_view text);
  bool flushOutput();
  bool receive();
  bool stdinStillOpen();
  int pollTimeoutMs(Clock::time_point now) const;
  void log(std::string_view kind, std::string_view text);

  const SimOptions& m_options;
  int m_masterFd;
  int m_stopFd;
  ProjectorModel m_model;
  LineSplitter m_splitter;
  ReplyScheduler m_scheduler;
  std::optional<ChatterSource> m_chatter;
  std::string m_output;
  std::size_t m_droppedChatter = 0;
};

}  // namespace qd40sim
