#pragma once
// The receive path under load: a line chattering at its full rate one
// character at a time, and a flood, both with the line monitor on screen and
// again with the session log on.
#include <string>

#include "PanelDriver.h"

namespace qd40::bench {

// Click to first byte p99 under a flood stays under this, in ms.
inline constexpr double kFloodClickP99 = 20;

struct FloodResult {
  double cpuPercent;
  double clickP99;  // ms from a click to its first byte on the line
};

// Floods the panel's line for `duration` while clicking a button in turn
// every 100 ms; `run` numbers the line it prints.
FloodResult floodWithClicks(Panel& panel, Millis duration, int run);

// Starts panels of its own under `dir`, measures and adds its figures.
void measureReceivePath(XSession& x, const std::string& control, const std::string& dir, int runs);

}  // namespace qd40::bench
