// Starts the simulators, writes a ports file for them, and times qd40ctl.
#include "CtlBench.h"

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>

namespace qd40::bench {

namespace {

using namespace std::chrono_literals;

constexpr auto kSimStart = 10s;  // longest wait for a simulator's terminal
constexpr double kStatusTargetMs = 1500;
constexpr int kFleet = 50;

// Simulators each behind a link in `dir`; stopped when this goes.
struct Sims {
  std::vector<std::unique_ptr<Child>> children;
  std::string portsFile;
};

Sims startSims(const std::string& sim, const std::string& dir, const std::string& name, int count,
               const std::vector<std::string>& options) {
  Sims sims;
  sims.portsFile = dir + "/" + name + ".ports";
  std::ofstream ports(sims.portsFile);
  for (int i = 0; i < count; ++i) {
    const std::string link = dir + "/" + name + "-" + std::to_string(i);
    std::vector<std::string> args{"--link", link};
    args.insert(args.end(), options.begin(), options.end());
    sims.children.push_back(
        std::make_unique<Child>(sim, std::map<std::string, std::string>{}, std::string(), args));
    ports << link << "\n";
  }
  const auto deadline = Clock::now() + kSimStart;
  for (int i = 0; i < count; ++i) {
    struct stat info {};
    const std::string link = dir + "/" + name + "-" + std::to_string(i);
    while (stat(link.c_str(), &info) != 0) {
      if (Clock::now() > deadline) throw std::runtime_error("qd40-sim made no terminal in 10 s");
      std::this_thread::sleep_for(10ms);
    }
  }
  return sims;
}

// Wall time of `qd40ctl --ports FILE status`, in ms, over `runs` runs.
std::vector<double> timeStatus(const std::string& ctl, const Sims& sims, int runs) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    Child status(ctl, {}, std::string(), {"--ports", sims.portsFile, "status"});
    status.wait();
    times.push_back(msSince(status.started()));
  }
  return times;
}

}  // namespace

std::vector<NetworkFigure> measureCtlStatus(const std::string& ctl, const std::string& sim,
                                            const std::string& dir, int runs) {
  std::vector<NetworkFigure> figures;
  const std::string target = "< 1500";
  {
    const Sims one = startSims(sim, dir, "one", 1, {});
    figures.push_back(
        {"qd40ctl status, 1 projector", "ms", timeStatus(ctl, one, runs), kStatusTargetMs, target});
  }
  {
    const Sims fleet = startSims(sim, dir, "fleet", kFleet, {});
    figures.push_back({"qd40ctl status, 50 projectors", "ms", timeStatus(ctl, fleet, runs),
                       kStatusTargetMs, target});
  }
  {
    // A silent projector costs the first read's window (500 ms), and no more.
    const Sims silent = startSims(sim, dir, "silent", 1, {"--silent"});
    figures.push_back({"qd40ctl status, 1 silent projector", "ms", timeStatus(ctl, silent, runs),
                       kStatusTargetMs, target});
  }
  return figures;
}

}  // namespace qd40::bench
