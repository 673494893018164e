// The panel's reply windows as a sequence of sends sees them, from start-up.
#include "protocol/ReplyWindows.h"

namespace qd40 {

int ReplyWindows::command(const CommandRow& row) {
  if (row.timing == Timing::PictureMode) m_window = kPictureModeTiming.replyWindow;
  if (row.timing == Timing::SignalMode) m_window = kSignalModeTiming.replyWindow;
  if (row.timing == Timing::Menu) m_arrowMode = kMenuArrowMode;
  return m_window;
}

int ReplyWindows::hold(const HoldRow& row) {
  int window = row.timing.replyWindow;
  if (row.kind == HoldKind::Arrow) {
    // An arrow sets the window before its send only in the arrow modes the
    // menu and D.Zoom leave; otherwise it gets what the last send left.
    for (const ArrowTiming& arrow : kArrowTimings) {
      if (arrow.arrowMode == m_arrowMode) m_window = arrow.timing.replyWindow;
    }
    window = m_window;
  }
  // The release closes the window and sets the start-up one for what follows.
  m_window = kReleaseTiming.replyWindow;
  if (row.kind == HoldKind::Zoom) m_arrowMode = kZoomReleaseArrowMode;
  return window;
}

int ReplyWindows::freeEntry() {
  m_window = kFreeEntryTiming.replyWindow;
  return m_window;
}

}  // namespace qd40
