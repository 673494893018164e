// The receive path with the monitor on screen: what chatter at the line's
// full rate and a flood cost the panel, with and without the session log.
#include "ReceivePathBench.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace qd40::bench {

namespace {

using namespace std::chrono_literals;

constexpr auto kSettle = 1000ms;  // after the window is mapped
constexpr auto kChatterFor = 10s;
constexpr auto kReplyWindowOver = 1000ms;  // the click's reply window has closed
constexpr auto kLineWait = 1000ms;         // longest wait for a clicked line
constexpr auto kQuiet = 100ms;             // the line counts as quiet after this long
constexpr auto kFloodFor = 10s;
constexpr auto kFloodClickEvery = 100ms;
constexpr std::size_t kFloodChunk = 4096;
// 19200 baud with ten bits a character.
constexpr int kLineRate = 1920;
constexpr std::string_view kDigits = "0123456789";

// CPU of the panel while the line chatters at its full rate, each character
// written on its own so each reaches the panel as a delivery of its own. A
// click first empties the receive buffer, so every run fills it from nothing.
double chatter(Panel& panel, Millis duration) {
  if (panel.hasPanel) {
    panel.tap("Command27");
    std::this_thread::sleep_for(kReplyWindowOver);
  }
  panel.pty->awaitQuiet(kQuiet);
  const auto every = std::chrono::duration_cast<Clock::duration>(1s) / kLineRate;
  const double before = panel.child->cpuSeconds();
  const auto start = Clock::now();
  auto next = start;
  std::size_t sent = 0;
  while (Clock::now() - start < duration) {
    std::this_thread::sleep_until(next);
    for (const auto now = Clock::now(); next <= now; next += every) {
      const char c = kDigits[sent % kDigits.size()];
      // A full line (the panel not reading) drops the character, as chatter would be.
      if (write(panel.pty->master(), &c, 1) == 1) ++sent;
    }
  }
  const double seconds = msSince(start) / 1000.0;
  const double cpu = 100.0 * (panel.child->cpuSeconds() - before) / seconds;
  std::printf("chatter: %.0f characters a second for %.1f s\n", static_cast<double>(sent) / seconds,
              seconds);
  return cpu;
}

// The session log may cost a flood at most this much more than none.
constexpr double kLogCostRatio = 1.2;

// Returns the CPU of each flood run.
std::vector<double> measureOnePanel(Panel& panel, const std::string& label, const LineFloor& floor,
                                    int runs) {
  std::this_thread::sleep_for(kSettle);
  panel.showMonitor();
  std::vector<double> chatterCpu, floodCpu, p99;
  for (int run = 0; run < runs; ++run) chatterCpu.push_back(chatter(panel, kChatterFor));
  for (int run = 0; run < runs; ++run) {
    const FloodResult flooded = flood(panel, kFloodFor, run);
    floodCpu.push_back(flooded.cpuPercent);
    p99.push_back(flooded.clickP99);
  }
  addRatio("chatter 1920/s, monitor" + label + ": CPU", "% core", chatterCpu, floor.chatterCpu,
           kChatterRatio);
  addRatio("flood, monitor" + label + ": CPU", "% core", floodCpu, floor.floodCpu, kFloodRatio);
  addFigure("flood, monitor" + label + ": click p99", "ms", p99, kFloodClickP99, true, "< 20");
  return floodCpu;
}

// A directory of its own for each panel: a second panel on another's link
// would find its lock taken.
std::string ownDirectory(const std::string& dir, const std::string& name) {
  const std::string own = dir + "/" + name;
  std::filesystem::create_directories(own);
  return own;
}

}  // namespace

FloodResult flood(Panel& panel, Millis duration, int run, Clicks clicks) {
  std::string chunk;
  for (std::size_t i = 0; i < kFloodChunk; ++i) chunk += kDigits[i % kDigits.size()];
  std::vector<double> latencies;
  std::size_t written = 0;
  const double cpuBefore = panel.child->cpuSeconds();
  const auto start = Clock::now();
  auto nextClick = start;
  bool waiting = false;
  Clock::time_point clicked;
  int clickCount = 0;
  while (Clock::now() - start < duration) {
    pollfd p{panel.pty->master(), POLLIN | POLLOUT, 0};
    poll(&p, 1, 1);
    if (p.revents & POLLOUT) {
      const ssize_t n = write(panel.pty->master(), chunk.data(), chunk.size());
      if (n > 0) written += static_cast<std::size_t>(n);
    }
    if (p.revents & POLLIN) {
      const std::string bytes = panel.pty->awaitBytes(0ms);
      if (waiting && !bytes.empty()) {
        latencies.push_back(msSince(clicked));
        waiting = false;
      }
    }
    if (waiting && Clock::now() - clicked > kLineWait) {
      latencies.push_back(Millis(kLineWait).count());
      waiting = false;
    }
    if (clicks == Clicks::Every100ms && !waiting && Clock::now() >= nextClick) {
      panel.point(clickCount++ % 2 == 0 ? "Command27" : "Command29");
      panel.x.button(true);
      clicked = Clock::now();
      waiting = true;
      panel.x.button(false);
      nextClick += kFloodClickEvery;
    }
  }
  const double seconds = msSince(start) / 1000.0;
  FloodResult result{100.0 * (panel.child->cpuSeconds() - cpuBefore) / seconds,
                     percentile(latencies, 0.99)};
  std::printf("flood run %d: %.1f MB/s into the %s, %zu clicks answered\n", run + 1,
              static_cast<double>(written) / seconds / 1e6, panel.hasPanel ? "panel" : "floor",
              latencies.size());
  panel.pty->awaitQuiet(kQuiet);
  return result;
}

LineFloor measureLineFloor(XSession& x, const std::string& floor, const std::string& dir,
                           int runs) {
  // What being woken for every character and reading a flood cost a bare
  // window on this machine: the panel cannot do with less.
  Panel bare(x, floor, ownDirectory(dir, "floor"), {}, Panel::Kind::Floor);
  std::this_thread::sleep_for(kSettle);
  LineFloor measured;
  for (int run = 0; run < runs; ++run) measured.chatterCpu.push_back(chatter(bare, kChatterFor));
  for (int run = 0; run < runs; ++run) {
    measured.floodCpu.push_back(flood(bare, kFloodFor, run, Clicks::Never).cpuPercent);
  }
  std::printf("floor (bare window reading the line): chatter %.1f %% core, flood %.1f %% core\n",
              median(measured.chatterCpu), median(measured.floodCpu));
  return measured;
}

void measureReceivePath(XSession& x, const std::string& control, const LineFloor& floor,
                        const std::string& dir, int runs) {
  std::vector<double> plainCpu;
  {
    Panel panel(x, control, ownDirectory(dir, "receive"));
    plainCpu = measureOnePanel(panel, "", floor, runs);
  }
  const std::string logged = ownDirectory(dir, "logged");
  Panel panel(x, control, logged, {{"QD40_LOG", logged + "/session.log"}});
  const std::vector<double> loggedCpu = measureOnePanel(panel, " + log", floor, runs);
  // Side by side: the n-th flood with the log against the n-th without.
  std::vector<double> ratio;
  for (std::size_t run = 0; run < loggedCpu.size() && run < plainCpu.size(); ++run) {
    ratio.push_back(loggedCpu[run] / std::max(plainCpu[run], 0.1));
  }
  std::printf("flood CPU: %.1f %% core without the log, %.1f %% with it (%.2fx)\n",
              median(plainCpu), median(loggedCpu), median(ratio));
  addFigure("flood, monitor: CPU with the log / without", "x", ratio, kLogCostRatio, true,
            "<= 1.2");
}

}  // namespace qd40::bench
