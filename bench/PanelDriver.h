#pragma once
// What every section of the panel benchmark shares: the table of figures it
// prints, and a panel started on a pseudo-terminal of the benchmark's that it
// points at and clicks through XTEST.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// X11's headers define macros (None, Bool, ...); they come after the panel's.
#include "BenchSupport.h"

namespace qd40::bench {

// A figure is the median of repeated runs. Where a bare window measured in the
// same run gives a floor, the target is a ratio to that floor; elsewhere it is
// an absolute value.
struct Figure {
  std::string name;
  std::string unit;
  double value;
  double noise;  // of the value, or of the ratio where there is a floor
  double target;
  bool atMost;  // the value must stay at or below the target, else at or above
  std::string targetText;
  std::optional<double> floor;  // the floor's median, in `unit`

  // The value as compared with the target: the ratio to the floor, if any.
  double compared() const { return floor ? value / *floor : value; }
  bool met() const { return atMost ? compared() <= target + noise : compared() >= target - noise; }
};

// Adds the median of `runs` to the table, with how far the runs strayed.
void addFigure(std::string name, std::string unit, const std::vector<double>& runs, double target,
               bool atMost, std::string targetText);
// Adds the median of `runs` with the target `maxRatio` times the median of
// `floorRuns`; the noise of the ratio comes from both.
void addRatio(std::string name, std::string unit, const std::vector<double>& runs,
              const std::vector<double>& floorRuns, double maxRatio);
const std::vector<Figure>& figures();
// The table, one line per figure.
void printTable();

// The locks that ended panels left behind, removed once noted; any is a fault.
const std::vector<std::string>& locksLeft();

// The centre of a control on the screen, in the panel's pixels.
std::pair<int, int> centreOf(std::string_view name);

// A panel on a pseudo-terminal of the benchmark's, reached through a link so
// the benchmark can take the port away or hand it to another program.
struct Panel {
  XSession& x;
  std::string link;
  std::unique_ptr<Pty> pty = std::make_unique<Pty>();
  std::unique_ptr<Child> child;
  Window window = 0;
  Clock::time_point mapped;
  // The floor window takes the line too, but has no controls.
  enum class Kind { Panel, Floor };
  bool hasPanel = true;

  // `env` is added to the panel's environment (QD40_COM1 is set here).
  Panel(XSession& session, const std::string& program, const std::string& dir,
        std::map<std::string, std::string> env = {}, Kind kind = Kind::Panel);
  // Ends the program (SIGTERM, as at a shutdown) and notes it if the lock of
  // its line stayed behind, removing it.
  ~Panel();
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  void point(std::string_view control);
  // Milliseconds from the release of a click to the first byte on the line.
  double click(std::string_view control);
  void tap(std::string_view control);
  // Alt+K: the window grows to show the line monitor.
  void showMonitor();
};

}  // namespace qd40::bench
