#pragma once
// Every projector of a run at once: each on its own port, each reported on
// its own lines as its actions end, so one dead or slow projector costs its
// own reply windows and never the others'. The run ends when the last
// projector is done, with the worst of their outcomes as the exit status.
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ctl/Projector.h"

namespace qd40::ctl {

struct FleetPort {
  std::string name;  // as the operator gave it, for the output
  PortConfig ports;  // COM1 stands for it
};

class Fleet final : public QObject {
  Q_OBJECT

 public:
  Fleet(std::vector<FleetPort> ports, RunSettings run, bool json, QObject* parent = nullptr);

  // `done` gets the exit status once every projector is done.
  void start(std::function<void(int)> done);
  // Ends the run now (a watch, or a run cut short by a signal).
  void stop();

 private:
  void write(const Report& report);

  RunSettings m_run;
  bool m_json;
  std::vector<std::unique_ptr<Projector>> m_projectors;
  std::size_t m_running = 0;
  Outcome m_worst = Outcome::Answered;
  std::function<void(int)> m_done;
};

}  // namespace qd40::ctl
