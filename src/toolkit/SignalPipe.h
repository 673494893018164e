#pragma once
// The self-pipe between the termination signals (SIGTERM, SIGINT, SIGHUP:
// shutdown, Ctrl-C, logout) and a program's loop: the handler only writes
// the signal's number, one byte, to a pipe whose read end the loop watches
// (Qt's loop through SignalWatcher, a poll() loop directly). A second signal
// of the same kind ends the program at once, should the loop be stuck. A
// signal that was ignored when the program started (as nohup ignores SIGHUP)
// stays ignored, and each signal gets back the disposition it had when the
// pipe goes. One pipe per process; no Qt.
#include <signal.h>

#include <array>

namespace qd40 {

class SignalPipe final {
 public:
  SignalPipe();
  ~SignalPipe();
  SignalPipe(const SignalPipe&) = delete;
  SignalPipe& operator=(const SignalPipe&) = delete;

  // The non-blocking read end, or -1 when no pipe could be made.
  int readEnd() const { return m_read; }

 private:
  // The dispositions found, one per watched signal.
  static constexpr std::size_t kWatched = 3;
  std::array<struct sigaction, kWatched> m_previous{};
  int m_read = -1;
};

}  // namespace qd40
