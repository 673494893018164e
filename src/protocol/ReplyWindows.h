#pragma once
// How long the panel waits for the reply to each line it sends, and what
// each send leaves for the next: a picture-mode or signal-mode button and
// the free entry lengthen the window for every later send, a held button's
// release puts back the start-up window, and the menu and D.Zoom buttons
// change what the arrows get. A program that sends the panel's codes
// without its window follows the panel's timers through this, so that it
// cuts a reply off where the panel would. It sends nothing and keeps no time.
#include <cstdint>

#include "protocol/Commands.h"

namespace qd40 {

class ReplyWindows final {
 public:
  // Each returns the reply window, in ms, of the send it stands for.
  int command(const CommandRow& row);
  // A press of a press-and-hold button and its release, with no repeat.
  int hold(const HoldRow& row);
  int freeEntry();

 private:
  int m_window = kTimer2Start;
  std::uint8_t m_arrowMode = 0;
};

}  // namespace qd40
