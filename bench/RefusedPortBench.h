#pragma once
// What holding a button costs while every repeat is refused by the port:
// busy in another program's exclusive mode, permission denied, behind a
// stale lock, missing, and locked by another panel. The panel runs as the
// ordinary user 'nobody', whom the first three refuse; making that user's
// refusals needs root, and without it the figures are left out.
#include <string>
#include <vector>

// X11's headers define macros (None, Bool, ...); they come after the panel's.
#include "BenchSupport.h"

namespace qd40::bench {

struct RefusedHold {
  std::string how;          // the way the port refuses
  std::vector<double> cpu;  // % of a core over each held run
};

// Starts the panel `program` as 'nobody' on a port of its own and measures a
// 5 ms hold for each way of refusing, `runs` times.
std::vector<RefusedHold> measureRefusedHolds(XSession& x, const std::string& program, int runs);

}  // namespace qd40::bench
