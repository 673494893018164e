#pragma once
// The receive path under load: a line chattering at its full rate one
// character at a time, and a flood, both with the line monitor on screen and
// again with the session log on.
#include <string>
#include <vector>

#include "PanelDriver.h"

namespace qd40::bench {

// Click to first byte p99 under a flood stays under this, in ms.
inline constexpr double kFloodClickP99 = 20;

struct FloodResult {
  double cpuPercent;
  double clickP99;  // ms from a click to its first byte on the line
};

enum class Clicks { Every100ms, Never };

// Floods the panel's line for `duration`, clicking a button in turn every
// 100 ms unless told not to; `run` numbers the line it prints.
FloodResult flood(Panel& panel, Millis duration, int run, Clicks clicks = Clicks::Every100ms);

// Ratios the panel's CPU must keep to a bare window reading the same line.
inline constexpr double kChatterRatio = 1.3;
inline constexpr double kFloodRatio = 1.15;

// What a bare window that reads and drops the line costs, run by run.
struct LineFloor {
  std::vector<double> chatterCpu;
  std::vector<double> floodCpu;
};

// Starts the floor window `floor` on a line of its own under `dir`, and
// measures chatter and a flood on it.
LineFloor measureLineFloor(XSession& x, const std::string& floor, const std::string& dir, int runs);

// Starts panels of its own under `dir`, measures them as the floor was
// measured and adds their figures beside it.
void measureReceivePath(XSession& x, const std::string& control, const LineFloor& floor,
                        const std::string& dir, int runs);

}  // namespace qd40::bench
