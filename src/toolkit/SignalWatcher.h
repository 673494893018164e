#pragma once
// Turns SIGTERM, SIGINT and SIGHUP (shutdown, Ctrl-C, logout) into an event
// on the Qt event loop, so the program ends through its own "END" path: the
// port closed, its lock removed, exit status 0. The signals reach it through
// a SignalPipe, whose rules (a second signal, ignored signals, dispositions
// given back) it keeps.
#include <QObject>
#include <functional>

#include "toolkit/SignalPipe.h"

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
  SignalPipe m_pipe;
  QSocketNotifier* m_notifier = nullptr;
};

}  // namespace qd40
