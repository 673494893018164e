// The self-pipe between the termination signals and a loop.
#include "toolkit/SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace qd40 {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};
// The write end, for the handler; one pipe per process.
volatile sig_atomic_t gWriteEnd = -1;

extern "C" void onTerminationSignal(int signo) {
  const int saved = errno;
  const auto byte = static_cast<char>(signo);
  [[maybe_unused]] const ssize_t written = gWriteEnd >= 0 ? write(gWriteEnd, &byte, 1) : 0;
  errno = saved;
}

}  // namespace

SignalPipe::SignalPipe() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  m_read = ends[0];
  gWriteEnd = ends[1];
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  // Restarted calls keep the rest of the program unaware of the signal; the
  // disposition goes back to the default, so a second signal ends it at once.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  static_assert(kSignals.size() == kWatched);
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    sigaction(kSignals[i], nullptr, &m_previous[i]);
    // Whoever started the program asked for this signal to be ignored.
    if (m_previous[i].sa_handler == SIG_IGN) continue;
    sigaction(kSignals[i], &action, nullptr);
  }
}

SignalPipe::~SignalPipe() {
  if (m_read < 0) return;
  for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &m_previous[i], nullptr);
  const int writeEnd = gWriteEnd;
  gWriteEnd = -1;
  ::close(writeEnd);
  ::close(m_read);
}

}  // namespace qd40
