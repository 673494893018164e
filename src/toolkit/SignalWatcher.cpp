// The termination signals as events on Qt's loop.
#include "toolkit/SignalWatcher.h"

#include <unistd.h>

#include <QSocketNotifier>

namespace qd40 {

SignalWatcher::SignalWatcher(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
  if (m_pipe.readEnd() < 0) return;
  m_notifier = new QSocketNotifier(m_pipe.readEnd(), QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::drain);
}

// The notifier goes before the pipe it watches.
SignalWatcher::~SignalWatcher() {
  delete m_notifier;
}

void SignalWatcher::drain() {
  char bytes[16];
  while (read(m_pipe.readEnd(), bytes, sizeof bytes) > 0) {
  }
  if (m_onSignal) m_onSignal();
}

}  // namespace qd40
