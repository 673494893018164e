// Measures the real panel under X: start-up and memory beside a bare Qt window,
// click to first byte on the line, press-and-hold periods, a flood of
// unsolicited characters, and holding a button on a missing and on a busy
// port. The benchmark owns the pseudo-terminal the panel talks to and clicks
// through XTEST. Every figure is taken over repeated runs; the table shows the
// median, how far the runs strayed (the noise) and the target. The exit status
// is 1 when a target is missed by more than the noise.
//   qd40-panel-bench CONTROL FLOOR [runs
//   [startup,clicks,holds,flood,receive,ports,refused,network,ctl]]
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "panel/Layout.h"
// X11's headers define macros (None, Bool, ...); they come after the panel's.
#include "BenchSupport.h"
#include "CtlBench.h"
#include "NetworkBench.h"
#include "PanelDriver.h"
#include "ReceivePathBench.h"
#include "RefusedPortBench.h"

namespace {

using namespace qd40::bench;
using namespace std::chrono_literals;

constexpr auto kMapTimeout = 10s;
constexpr auto kSettle = 1000ms;  // after the window is mapped, before RSS is read
constexpr auto kClickGap = 40ms;  // between clicks; two buttons in turn, no double-click
constexpr auto kQuiet = 100ms;    // the line counts as quiet after this long
constexpr auto kFloodFor = 10s;
constexpr auto kFailedHoldFor = 5s;
constexpr auto kPortLostSettle = 500ms;  // for the panel to notice the hang-up
constexpr auto kHolderSettle = 10s;      // longest wait for the other program to take the port
constexpr auto kIdleWait = 20s;          // longest wait for a panel to go idle after a release
constexpr auto kIdleProbe = 200ms;
constexpr double kIdleCpuSeconds = 0.015;  // less than two clock ticks in one probe
constexpr int kClicksPerRun = 100;
constexpr double kStartupRatio = 1.3;

void measureStartup(XSession& x, const std::string& control, const std::string& floor,
                    const std::string& dir, int runs) {
  std::vector<double> panelMs, floorMs, panelRss, floorRss;
  for (int run = 0; run < runs; ++run) {
    {
      Panel panel(x, control, dir);
      panelMs.push_back(Millis(panel.mapped - panel.child->started()).count());
      std::this_thread::sleep_for(kSettle);
      panelRss.push_back(panel.child->rssMiB());
    }
    Child bare(floor, {});
    Window window = 0;
    const auto mapped = x.waitMapped(bare.pid(), kMapTimeout, &window);
    if (!mapped) throw std::runtime_error(floor + ": no window within 10 s");
    floorMs.push_back(Millis(*mapped - bare.started()).count());
    std::this_thread::sleep_for(kSettle);
    floorRss.push_back(bare.rssMiB());
  }
  std::printf("floor (bare window, both fonts): start-up %.1f ms, RSS %.1f MiB\n", median(floorMs),
              median(floorRss));
  addRatio("start-up to mapped window", "ms", panelMs, floorMs, kStartupRatio);
  addRatio("RSS after start-up", "MiB", panelRss, floorRss, kStartupRatio);
}

void measureClicks(Panel& panel, int runs) {
  std::vector<double> p50, p99;
  for (int run = 0; run < runs; ++run) {
    std::vector<double> samples;
    for (int i = 0; i < kClicksPerRun; ++i) {
      samples.push_back(panel.click(i % 2 == 0 ? "Command27" : "Command29"));
      std::this_thread::sleep_for(kClickGap);
    }
    p50.push_back(percentile(samples, 0.5));
    p99.push_back(percentile(samples, 0.99));
  }
  addFigure("click -> first byte p50", "ms", p50, 1, true, "<= 1");
  addFigure("click -> first byte p99", "ms", p99, 5, true, "<= 5");
}

// Holds `control` and times the lines on the wire.
void measureHold(Panel& panel, std::string_view control, double period, Millis holdFor,
                 bool zoomFirst, int runs) {
  std::vector<double> rates, deviations;
  for (int run = 0; run < runs; ++run) {
    if (zoomFirst) panel.tap("Command48");
    panel.point(control);
    panel.x.button(true);
    const auto pressed = Clock::now();
    std::vector<double> arrivals;
    while (Clock::now() - pressed < holdFor) {
      const std::string bytes = panel.pty->awaitBytes(1ms);
      const double at = msSince(pressed);
      for (char c : bytes) {
        if (c == '\r') arrivals.push_back(at);
      }
    }
    panel.x.button(false);
    panel.pty->awaitQuiet(kQuiet);
    std::vector<double> off;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
      off.push_back(std::abs(arrivals[i] - arrivals[i - 1] - period));
    }
    const double span = arrivals.size() > 1 ? arrivals.back() - arrivals.front() : 0;
    rates.push_back(span > 0 ? 1000.0 * static_cast<double>(arrivals.size() - 1) / span : 0);
    deviations.push_back(off.empty() ? holdFor.count() : percentile(off, 0.99));
  }
  const std::string name = "hold " + std::to_string(static_cast<int>(period)) + " ms";
  char text[32];
  std::snprintf(text, sizeof text, ">= %.1f", 1000.0 / (period + 1));
  addFigure(name + ": lines per second", "1/s", rates, 1000.0 / (period + 1), false, text);
  addFigure(name + ": p99 period deviation", "ms", deviations, 1, true, "<= 1");
}

void measureFlood(Panel& panel, const LineFloor& floor, int runs) {
  std::vector<double> cpu, p99;
  for (int run = 0; run < runs; ++run) {
    const FloodResult flooded = flood(panel, kFloodFor, run);
    cpu.push_back(flooded.cpuPercent);
    p99.push_back(flooded.clickP99);
  }
  addRatio("flood: CPU", "% core", cpu, floor.floodCpu, kFloodRatio);
  addFigure("flood: click -> wire p99", "ms", p99, kFloodClickP99, true, "< 20");
}

// CPU of holding an arrow at 5 ms while every repeat fails to open the port.
// The arrow is "↓", below the box the panel opens about the lost port.
void measureFailedHold(Panel& panel, Pty& line, const std::string& what, int runs) {
  std::vector<double> cpu;
  for (int run = 0; run < runs; ++run) {
    panel.tap("Command48");
    panel.point("Command7");
    const double before = panel.child->cpuSeconds();
    const auto start = Clock::now();
    panel.x.button(true);
    std::string leaked;
    while (Clock::now() - start < kFailedHoldFor) leaked += line.awaitBytes(10ms);
    panel.x.button(false);
    const auto released = Clock::now();
    cpu.push_back(100.0 * (panel.child->cpuSeconds() - before) / (msSince(start) / 1000.0));
    // The repeat goes on until the panel gets to the release; wait for it to go idle.
    for (double used = panel.child->cpuSeconds(); Clock::now() - released < kIdleWait;) {
      std::this_thread::sleep_for(kIdleProbe);
      const double now = panel.child->cpuSeconds();
      if (now - used < kIdleCpuSeconds) break;
      used = now;
    }
    std::printf("%s port, run %d: the panel went idle %.0f ms after the release\n", what.c_str(),
                run + 1, msSince(released));
    if (!leaked.empty()) throw std::runtime_error("the " + what + " port took " + leaked);
  }
  addFigure("5 ms hold on a " + what + " port: CPU", "% core", cpu, 5, true, "< 5");
}

bool holdsOpen(pid_t pid, const std::string& device) {
  std::error_code ec;
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    if (std::filesystem::read_symlink(fd.path(), ec) == device) return true;
  }
  return false;
}

// Waits until `holder` has the device open.
void waitHeld(const std::string& device, pid_t holder) {
  const auto start = Clock::now();
  while (Clock::now() - start < kHolderSettle) {
    if (holdsOpen(holder, device)) return;
    std::this_thread::sleep_for(kQuiet);
  }
  throw std::runtime_error("the second panel did not open " + device);
}

// Takes the port away (hang-up, then nothing behind the link) and measures a
// held button; then hands it to a second panel that holds it, and again.
void measurePortsAway(Panel& panel, const std::string& control, int runs) {
  const std::string oldSlave = panel.pty->slavePath();
  panel.pty->hangUp();
  std::this_thread::sleep_for(kPortLostSettle);
  std::filesystem::remove(panel.link);
  if (holdsOpen(panel.child->pid(), oldSlave)) {
    throw std::runtime_error("the panel kept " + oldSlave + " open after the hang-up");
  }
  Pty none;
  measureFailedHold(panel, none, "missing", runs);
  Pty busy;
  std::filesystem::create_symlink(busy.slavePath(), panel.link);
  Child holder(control, {{"QD40_COM1", panel.link}, {"QT_QPA_PLATFORM", "offscreen"}});
  waitHeld(busy.slavePath(), holder.pid());
  busy.awaitQuiet(kQuiet);
  measureFailedHold(panel, busy, "busy", runs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: %s CONTROL FLOOR [runs "
                 "[startup,clicks,holds,flood,receive,ports,refused,network,ctl]]\n",
                 argv[0]);
    return 2;
  }
  const std::string control = argv[1], floor = argv[2];
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const int longRuns = std::max(1, (runs + 1) / 2);
  const qd40::test::TempFolder folder("bench");
  const std::string& dir = folder.path();
  const std::string parts =
      argc > 4 ? argv[4] : "startup,clicks,holds,flood,receive,ports,refused,network,ctl";
  const auto wanted = [&](std::string_view part) { return parts.find(part) != std::string::npos; };
  try {
    XSession x;
    if (wanted("startup")) measureStartup(x, control, floor, dir, runs);
    Panel panel(x, control, dir);
    std::this_thread::sleep_for(kSettle);
    if (wanted("clicks")) measureClicks(panel, runs);
    if (wanted("holds")) {
      measureHold(panel, "Command1", 250, 4s, false, runs);
      measureHold(panel, "Command15", 50, 3s, false, runs);
      measureHold(panel, "Command7", 5, 2s, true, runs);
    }
    if (wanted("flood") || wanted("receive")) {
      // The floor of the line is measured once, beside the panels it is set against.
      const LineFloor lineFloor = measureLineFloor(x, floor, dir, longRuns);
      if (wanted("flood")) measureFlood(panel, lineFloor, longRuns);
      if (wanted("receive")) measureReceivePath(x, control, lineFloor, dir, longRuns);
    }
    if (wanted("ports")) measurePortsAway(panel, control, longRuns);
    if (wanted("refused")) {
      for (const RefusedHold& hold : measureRefusedHolds(x, control, longRuns)) {
        addFigure("5 ms hold, refused: " + hold.how, "% core", hold.cpu, 5, true, "< 5");
      }
    }
    if (wanted("ctl")) {
      for (const NetworkFigure& f : measureCtlStatus(QD40_CTL_PATH, QD40_SIM_PATH, dir, runs)) {
        addFigure(f.name, f.unit, f.runs, f.target, true, f.targetText);
      }
    }
    if (wanted("network")) {
      for (const NetworkFigure& f : measureNetworkPorts(x, control, dir, runs, centreOf)) {
        addFigure(f.name, f.unit, f.runs, f.target, true, f.targetText);
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench: %s\n", e.what());
    return 2;
  }
  printTable();
  for (const std::string& lock : locksLeft()) {
    std::printf("left behind by an ended program: %s\n", lock.c_str());
  }
  if (!locksLeft().empty()) return 1;
  for (const Figure& f : figures()) {
    if (!f.met()) return 1;
  }
  return 0;
}
