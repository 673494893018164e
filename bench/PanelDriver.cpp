// The table of figures and the panel the benchmark drives.
#include "doctor/LockFiles.h"
#include "panel/Layout.h"
// X11's headers define macros (None, Bool, ...); they come after the panel's.
#include "PanelDriver.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace qd40::bench {

namespace {

using namespace std::chrono_literals;

constexpr auto kMapTimeout = 10s;
constexpr auto kLineWait = 1000ms;  // longest wait for a clicked line
constexpr auto kQuiet = 100ms;      // the line counts as quiet after this long
constexpr auto kTapHold = 20ms;     // a D.Zoom tap, well under its repeat
constexpr auto kResized = 300ms;    // for the window to take its new height

std::vector<Figure> g_figures;
std::vector<std::string> g_locksLeft;
// Where a program on this machine locks a line.
constexpr const char* kLockFolder = "/var/lock/";

}  // namespace

std::pair<int, int> centreOf(std::string_view name) {
  const qd40::ControlSpec* control = qd40::findControl(name);
  if (control == nullptr) throw std::runtime_error("no control " + std::string(name));
  int left = control->left + control->width / 2;
  int top = control->top + control->height / 2;
  for (std::string_view container = control->container; container != "Form1";) {
    const qd40::ControlSpec* frame = qd40::findControl(container);
    left += frame->left;
    top += frame->top;
    container = frame->container;
  }
  return {qd40::toPixels(left), qd40::toPixels(top)};
}

void addFigure(std::string name, std::string unit, const std::vector<double>& runs, double target,
               bool atMost, std::string targetText) {
  g_figures.push_back({std::move(name), std::move(unit), median(runs), spread(runs), target, atMost,
                       std::move(targetText), std::nullopt});
}

void addRatio(std::string name, std::string unit, const std::vector<double>& runs,
              const std::vector<double>& floorRuns, double maxRatio) {
  const double value = median(runs), floor = median(floorRuns);
  // Relative noises add up in a ratio.
  const double ratio = floor > 0 ? value / floor : 0;
  const double noise =
      floor > 0 && value > 0 ? ratio * (spread(runs) / value + spread(floorRuns) / floor) : 0;
  char text[32];
  std::snprintf(text, sizeof text, "<= %.2fx", maxRatio);
  g_figures.push_back(
      {std::move(name), std::move(unit), value, noise, maxRatio, true, text, floor});
}

void printTable() {
  std::printf("\n%-40s %9s %-7s %9s %7s %7s %10s  %s\n", "figure", "median", "unit", "floor",
              "ratio", "noise", "target", "verdict");
  for (const Figure& f : figures()) {
    char floor[16] = "-", ratio[16] = "-";
    if (f.floor) {
      std::snprintf(floor, sizeof floor, "%.2f", *f.floor);
      std::snprintf(ratio, sizeof ratio, "%.2fx", f.compared());
    }
    std::printf("%-40s %9.2f %-7s %9s %7s %7.2f %10s  %s\n", f.name.c_str(), f.value,
                f.unit.c_str(), floor, ratio, f.noise, f.targetText.c_str(),
                f.met() ? "ok" : "MISSED");
  }
}

const std::vector<Figure>& figures() {
  return g_figures;
}

const std::vector<std::string>& locksLeft() {
  return g_locksLeft;
}

Panel::Panel(XSession& session, const std::string& program, const std::string& dir,
             std::map<std::string, std::string> env, Kind kind)
    : x(session), hasPanel(kind == Kind::Panel) {
  link = dir + "/com1";
  std::filesystem::remove(link);
  std::filesystem::create_symlink(pty->slavePath(), link);
  env["QD40_COM1"] = link;
  child = std::make_unique<Child>(program, env);
  const auto when = x.waitMapped(child->pid(), kMapTimeout, &window);
  if (!when) throw std::runtime_error(program + ": no window within 10 s");
  mapped = *when;
}

Panel::~Panel() {
  const pid_t pid = child->pid();
  child.reset();
  // The line is locked under the name it was opened by, or under the
  // device's own; a lock counts only if it names the program just ended,
  // since the device's name may be in use by another program by now.
  for (const std::string& name : {link, pty->slavePath()}) {
    const std::string lock = kLockFolder + qd40::qtLockName(name);
    pid_t owner = 0;
    if (!(std::ifstream(lock) >> owner) || owner != pid) continue;
    g_locksLeft.push_back(lock);
    std::error_code ec;
    std::filesystem::remove(lock, ec);
  }
}

void Panel::point(std::string_view control) {
  const auto [x0, y0] = centreOf(control);
  x.moveTo(window, x0, y0);
}

double Panel::click(std::string_view control) {
  point(control);
  x.button(true);
  const auto released = Clock::now();
  x.button(false);
  std::string line = pty->awaitBytes(kLineWait);
  if (line.empty()) return Millis(kLineWait).count();
  const double ms = msSince(released);
  while (line.find('\r') == std::string::npos) {
    const std::string more = pty->awaitBytes(kLineWait);
    if (more.empty()) break;
    line += more;
  }
  return ms;
}

void Panel::tap(std::string_view control) {
  point(control);
  x.button(true);
  std::this_thread::sleep_for(kTapHold);
  x.button(false);
  pty->awaitQuiet(kQuiet);
}

void Panel::showMonitor() {
  // Without a window manager the keyboard follows the pointer.
  point("Image1");
  x.altChord('k');
  std::this_thread::sleep_for(kResized);
}

}  // namespace qd40::bench
