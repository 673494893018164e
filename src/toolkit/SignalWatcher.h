#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (shutdown, Ctrl-C, logout) into an event
// on the Qt event loop, so the program ends through its own "END" path: the
// port closed, its lock removed, exit status 0. The signal handler itself only
// writes a byte to a pipe. A second signal of the same kind ends the program
// at once, should the event loop be stuck. A signal that was ignored when the
// program started (as nohup ignores SIGHUP) stays ignored, and the watcher
// gives each signal back the disposition it found.
#include <signal.h>

#include <QObject>
#include <array>
#include <functional>

class QSocketNotifier;

namespace qd40 {

class SignalWatcher final : public QObject {
  Q_OBJECT

 public:
  explicit SignalWatcher(std::function<void()> onSignal, QObject* parent = nullptr);
  ~SignalWatcher() override;
  SignalWatcher(const SignalWatcher&) = delete;
  SignalWatcher& operator=(const SignalWatcher&) = delete;

 private:
  void drain();

  std::function<void()> m_onSignal;
  // The dispositions found, one per watched signal.
  static constexpr std::size_t kWatched = 3;
  std::array<struct sigaction, kWatched> m_previous{};
  int m_read = -1;
  QSocketNotifier* m_notifier = nullptr;
};

}  // namespace qd40
