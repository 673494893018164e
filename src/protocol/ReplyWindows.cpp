// What each send does to the reply timers, and the windows that follow.
#include "protocol/ReplyWindows.h"

namespace qd40 {

SendTimers pressTimers(const ActionRow& row, ArrowMode mode) {
  SendTimers timers;
  switch (row.timing) {
    case Timing::Plain:
      break;
    case Timing::PictureMode:
      timers.before = kPictureModeTiming;
      break;
    case Timing::SignalMode:
      timers.before = kSignalModeTiming;
      break;
    case Timing::Menu:
      timers.repeatInterval = kMenuRepeatInterval;
      timers.arrowMode = ArrowMode::Menu;
      break;
    case Timing::Arrow:
      // An arrow sets the window before its send only in the arrow modes the
      // menu and D.Zoom leave; otherwise it gets what the last send left.
      for (const ArrowTiming& arrow : kArrowTimings) {
        if (arrow.arrowMode == mode) timers.before = arrow.timing;
      }
      break;
    case Timing::Repeat:
    case Timing::Zoom:
      timers.repeatInterval = row.hold.repeatInterval;
      timers.after = row.hold.timing;
      break;
  }
  return timers;
}

SendTimers releaseTimers(const ActionRow& row) {
  SendTimers timers;
  timers.after = kReleaseTiming;
  if (row.timing == Timing::Zoom) {
    timers.repeatInterval = kZoomReleaseRepeatInterval;
    timers.arrowMode = ArrowMode::Zoom;
  }
  return timers;
}

SendTimers freeEntryTimers() {
  return {kFreeEntryTiming, {}, {}, {}};
}

int ReplyWindows::send(const SendTimers& timers) {
  if (timers.before) m_window = timers.before->replyWindow;
  // Setting the interval of the window just opened starts it again.
  if (timers.after) m_window = timers.after->replyWindow;
  if (timers.arrowMode) m_arrowMode = *timers.arrowMode;
  return m_window;
}

int ReplyWindows::action(const ActionRow& row) {
  const int window = send(pressTimers(row, m_arrowMode));
  if (row.held()) send(releaseTimers(row));
  return window;
}

int ReplyWindows::freeEntry() {
  return send(freeEntryTimers());
}

}  // namespace qd40
