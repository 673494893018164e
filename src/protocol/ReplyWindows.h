#pragma once
// How long the panel waits for the reply to each line it sends, and what
// each send leaves for the next: a picture-mode or signal-mode button and
// the free entry lengthen the window for every later send, a held button's
// release puts back the start-up window, and the menu and D.Zoom buttons
// change what the arrows get. The rule is stated once, as what a send does
// to the timers; the panel's form applies it to its timers, and a program
// that sends the panel's codes without its window follows it through
// ReplyWindows, so that it cuts a reply off where the panel would. It sends
// nothing and keeps no time.
#include <optional>

#include "protocol/Catalogue.h"
#include "protocol/Commands.h"

namespace qd40 {

// What one send does to the timers, in the order the panel does it.
struct SendTimers {
  std::optional<ReplyTiming> before;   // set before the line goes out
  std::optional<int> repeatInterval;   // set once it is out, for the repeat
  std::optional<ReplyTiming> after;    // set once it is out: restarts the open window
  std::optional<ArrowMode> arrowMode;  // left for the arrows
};

// A click of a single-shot button, or the press of a held one, while the
// arrows are in `mode`.
SendTimers pressTimers(const ActionRow& row, ArrowMode mode);
// The release of a held button; nothing goes out, the timers are set anew.
SendTimers releaseTimers(const ActionRow& row);
// The free entry's send.
SendTimers freeEntryTimers();

// The reply windows a sequence of sends gets, from start-up.
class ReplyWindows final {
 public:
  // The reply window, in ms, of an action's send; a held button is
  // pressed and released with no repeat.
  int action(const ActionRow& row);
  int freeEntry();

 private:
  int send(const SendTimers& timers);

  int m_window = kTimer2Start;
  ArrowMode m_arrowMode = ArrowMode::Start;
};

}  // namespace qd40
