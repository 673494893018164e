#pragma once
// The panel on network ports: a 5 ms hold on a refused port (CPU, and the
// lines on standard error), memory with a server that floods the panel with
// Telnet requests and never reads, and the time from a link going dead to
// the operator being told.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "BenchSupport.h"

namespace qd40::bench {

struct NetworkFigure {
  std::string name;
  std::string unit;
  std::vector<double> runs;
  double target;
  std::string targetText;
};

// Where a control of the window is, in pixels from its top left corner.
using CentreOf = std::function<std::pair<int, int>(std::string_view)>;

// Every figure is at most its target. A figure that cannot be taken here
// (the dead link needs root for a network namespace) is left out with a
// line that says why.
std::vector<NetworkFigure> measureNetworkPorts(XSession& x, const std::string& control,
                                               const std::string& dir, int runs,
                                               const CentreOf& centreOf);

}  // namespace qd40::bench
