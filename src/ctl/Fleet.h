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

// The results could not be written to standard output.
inline constexpr int kExitOutputLost = 5;

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
  // Standard output was closed before the run began: nothing written there
  // reaches anyone.
  void outputClosed();

 private:
  void write(const Report& report);
  int exitStatus() const;

  RunSettings m_run;
  bool m_json;
  std::vector<std::unique_ptr<Projector>> m_projectors;
  std::size_t m_running = 0;
  Outcome m_worst = Outcome::Answered;
  std::function<void(int)> m_done;
  std::string m_outputLost;  // why the results could not be written
};

}  // namespace qd40::ctl
