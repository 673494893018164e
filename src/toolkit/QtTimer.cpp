#include "toolkit/QtTimer.h"

namespace qd40 {

QtTimer::QtTimer(const QString& name, int interval, QObject* parent) : m_timer(new QTimer(parent)) {
  m_timer->setObjectName(name);
  m_timer->setTimerType(Qt::PreciseTimer);
  m_timer->setInterval(interval);
  QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { tick(); });
}

QtTimer::~QtTimer() {
  // The QTimer belongs to the window and may outlive this wrapper.
  if (m_timer) {
    m_timer->stop();
    QObject::disconnect(m_timer, nullptr, m_timer, nullptr);
  }
}

void QtTimer::setInterval(int ms) {
  if (m_timer->isActive()) {
    m_timer->start(ms);
  } else {
    m_timer->setInterval(ms);
  }
}

void QtTimer::setEnabled(bool enabled) {
  if (enabled && !m_timer->isActive()) m_timer->start();
  if (!enabled) m_timer->stop();
}

void QtTimer::tick() {
  if (m_timer->isActive() && m_onTick) m_onTick();
}

}  // namespace qd40
