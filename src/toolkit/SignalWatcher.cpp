// The self-pipe between the termination signals and the event loop.
#include "toolkit/SignalWatcher.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>

namespace qd40 {

namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};
// The write end, for the handler; one watcher per process.
volatile sig_atomic_t gWriteEnd = -1;

extern "C" void onTerminationSignal(int signo) {
  const int saved = errno;
  const auto byte = static_cast<char>(signo);
  [[maybe_unused]] const ssize_t written = gWriteEnd >= 0 ? write(gWriteEnd, &byte, 1) : 0;
  errno = saved;
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  m_read = ends[0];
  gWriteEnd = ends[1];
  m_notifier = new QSocketNotifier(m_read, QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::drain);
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  // Restarted calls keep the rest of the program unaware of the signal; the
  // disposition goes back to the default, so a second signal ends it at once.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  static_assert(kSignals.size() == kWatched);
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    sigaction(kSignals[i], nullptr, &m_previous[i]);
    // Whoever started the panel asked for this signal to be ignored.
    if (m_previous[i].sa_handler == SIG_IGN) continue;
    sigaction(kSignals[i], &action, nullptr);
  }
}

SignalWatcher::~SignalWatcher() {
  if (m_read < 0) return;
  for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &m_previous[i], nullptr);
  const int writeEnd = gWriteEnd;
  gWriteEnd = -1;
  ::close(writeEnd);
  ::close(m_read);
}

void SignalWatcher::drain() {
  char bytes[16];
  while (read(m_read, bytes, sizeof bytes) > 0) {
  }
  if (m_onSignal) m_onSignal();
}

}  // namespace qd40
