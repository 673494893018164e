#pragma once
// A window timer over QTimer, with the semantics the handlers rely on:
// enabling a running timer leaves its countdown alone (QTimer::start() would
// restart it), a new interval restarts a running timer, and a disabled timer
// never ticks. Precise timing, so the 5 and 25 ms intervals hold.
#include <QPointer>
#include <QTimer>

#include "toolkit/Toolkit.h"

namespace qd40 {

class QtTimer final : public Timer {
 public:
  // The QTimer is owned by `parent` and carries `name` as its object name.
  QtTimer(const QString& name, int interval, QObject* parent);
  ~QtTimer() override;
  QtTimer(const QtTimer&) = delete;
  QtTimer& operator=(const QtTimer&) = delete;

  void setInterval(int ms) override;
  int interval() const override { return m_timer->interval(); }
  void setEnabled(bool enabled) override;
  bool isEnabled() const override { return m_timer->isActive(); }
  void setHandler(std::function<void()> onTick) override { m_onTick = std::move(onTick); }

 private:
  void tick();

  QPointer<QTimer> m_timer;
  std::function<void()> m_onTick;
};

}  // namespace qd40
