// Runs the projectors side by side and prints their reports as they come.
#include "ctl/Fleet.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "protocol/LocaleText.h"

namespace qd40::ctl {

Fleet::Fleet(std::vector<FleetPort> ports, RunSettings run, bool json, QObject* parent)
    : QObject(parent), m_run(std::move(run)), m_json(json) {
  for (FleetPort& port : ports) {
    m_projectors.push_back(std::make_unique<Projector>(
        std::move(port.name), std::move(port.ports), m_run,
        [this](const Report& report) { write(report); },
        [](const std::string& why) {
          std::fputs(forTerminal("qd40ctl: " + why + "\n").c_str(), stderr);
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
      if (--m_running == 0 && m_done) std::exchange(m_done, {})(exitStatus());
    });
  }
}

void Fleet::stop() {
  for (const auto& projector : m_projectors) projector->stop();
}

void Fleet::write(const Report& report) {
  const std::string line = m_json ? jsonLine(report) : plainLine(report);
  // Whole lines, at once: several projectors write to the same output, and a
  // watch is read through a pipe while it runs.
  if (m_outputLost.empty() && (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
                               std::fflush(stdout) != 0)) {
    m_outputLost = std::strerror(errno);
  }
}

void Fleet::outputClosed() {
  m_outputLost = "standard output is closed";
}

int Fleet::exitStatus() const {
  // Results a script never saw are no success, whatever the projectors did;
  // the run still went to its end, so a switch-off still switched off.
  if (!m_outputLost.empty()) {
    std::fputs(
        forTerminal("qd40ctl: the results could not be written: " + m_outputLost + "\n").c_str(),
        stderr);
    return kExitOutputLost;
  }
  return static_cast<int>(m_worst);
}

}  // namespace qd40::ctl
