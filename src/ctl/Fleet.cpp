// Runs the projectors side by side and prints their reports as they come.
#include "ctl/Fleet.h"

#include <algorithm>
#include <cstdio>

namespace qd40::ctl {

Fleet::Fleet(std::vector<FleetPort> ports, RunSettings run, bool json, QObject* parent)
    : QObject(parent), m_run(std::move(run)), m_json(json) {
  for (FleetPort& port : ports) {
    m_projectors.push_back(std::make_unique<Projector>(
        std::move(port.name), std::move(port.ports), m_run,
        [this](const Report& report) { write(report); },
        [](const std::string& why) {
          std::fputs(("qd40ctl: " + why + "\n").c_str(), stderr);
          std::fflush(stderr);
        }));
  }
}

void Fleet::start(std::function<void(int)> done) {
  m_done = std::move(done);
  m_running = m_projectors.size();
  for (const auto& projector : m_projectors) {
    projector->start([this](Outcome outcome) {
      m_worst = std::max(m_worst, outcome);
      if (--m_running == 0 && m_done) std::exchange(m_done, {})(static_cast<int>(m_worst));
    });
  }
}

void Fleet::stop() {
  for (const auto& projector : m_projectors) projector->stop();
}

void Fleet::write(const Report& report) {
  // A port that could not be opened is told on the standard error; the plain
  // output has nothing more to say about it.
  const bool notOpened = !report.line && report.values.empty() && !report.error.empty();
  if (!m_json && notOpened) return;
  const std::string line = m_json ? jsonLine(report) : plainLine(report);
  // Whole lines, at once: several projectors write to the same output, and a
  // watch is read through a pipe while it runs.
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

}  // namespace qd40::ctl
