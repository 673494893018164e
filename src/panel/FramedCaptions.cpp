// Label captions at most once a frame.
#include "panel/FramedCaptions.h"

#include <algorithm>
#include <utility>

#include "panel/MonitorLabel.h"

namespace qd40 {

namespace {

using Clock = std::chrono::steady_clock;

// A picture of a common screen; nobody reads a label faster.
constexpr std::chrono::milliseconds kFramePeriod{16};
// The longest a label's text lags behind its caption while nothing it paints
// changes: screen readers and anyone reading the label get the whole text.
constexpr std::chrono::milliseconds kCatchUp{250};

}  // namespace

FramedCaptions::FramedCaptions(Show show, QObject* parent)
    : QObject(parent), m_show(std::move(show)) {
  m_frame.setSingleShot(true);
  m_frame.setInterval(kFramePeriod);
  connect(&m_frame, &QTimer::timeout, this, [this] { showPending(Showing::Seen); });
}

void FramedCaptions::set(QLabel* label, const QString& text) {
  // A write that changes nothing neither waits for the next frame nor
  // hurries it.
  if (this->text(label) == text) return;
  m_pending.erase(label);
  showPending(Showing::All);
  m_show(label, text);
  m_shownAt[label] = Clock::now();
}

void FramedCaptions::append(QLabel* label, const QString& added) {
  auto pending = m_pending.find(label);
  if (pending == m_pending.end()) {
    const QString shown = label->text();
    pending = m_pending.emplace(label, Pending{shown, MonitorLabel::isPrintableAscii(shown)}).first;
  }
  Pending& waiting = pending->second;
  waiting.text += added;
  // What follows a leading part that paints as now leaves it as it is.
  waiting.printable = waiting.printable && MonitorLabel::isPrintableAscii(added);
  waiting.unseen = waiting.unseen && waiting.printable;
  if (!m_frame.isActive()) {
    showPending(Showing::Seen);
  } else if (!waiting.unseen && m_frame.remainingTime() > kFramePeriod.count()) {
    m_frame.start(kFramePeriod);
  }
}

QString FramedCaptions::text(const QLabel* label) const {
  const auto pending = m_pending.find(label);
  return pending != m_pending.end() ? pending->second.text : label->text();
}

void FramedCaptions::showPending(Showing which) {
  const auto now = Clock::now();
  bool shown = false;
  auto wake = now + kCatchUp;
  for (auto it = m_pending.begin(); it != m_pending.end();) {
    QLabel* label = it->first;
    Pending& pending = it->second;
    if (which == Showing::Seen) {
      const auto* monitor = qobject_cast<const MonitorLabel*>(label);
      pending.unseen = pending.unseen || (monitor != nullptr &&
                                          monitor->paintsAlike(pending.text, pending.printable));
      const auto catchUp = m_shownAt[label] + kCatchUp;
      if (pending.unseen && now < catchUp) {
        wake = std::min(wake, catchUp);
        ++it;
        continue;
      }
    }
    m_show(label, pending.text);
    m_shownAt[label] = now;
    it = m_pending.erase(it);
    shown = true;
  }
  // After a showing the next frame must pass before the next one; what only
  // waits to catch up wakes when it is due.
  if (shown) {
    m_frame.start(kFramePeriod);
  } else if (!m_pending.empty()) {
    m_frame.start(std::chrono::ceil<std::chrono::milliseconds>(wake - now));
  }
}

}  // namespace qd40
