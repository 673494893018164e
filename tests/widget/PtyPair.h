#pragma once
// A real pseudo-terminal pair for tests: the panel opens the slave end by its
// path, the test plays the projector on the master end. Also the small event
// loop helpers the Qt tests share.
#include <QProcess>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "PseudoTerminal.h"

namespace qd40::test {

class PtyPair final {
 public:
  const std::string& slavePath() const { return m_pty.slavePath(); }
  // Bytes the panel wrote, gathered while the Qt event loop runs, until
  // `count` have arrived or the time is up.
  std::string read(std::size_t count, std::chrono::milliseconds timeout);
  // Everything that arrives within `quiet` of running the event loop.
  std::string drain(std::chrono::milliseconds quiet);
  void write(const std::string& bytes);
  // Closes the master end: the panel's side sees a hang-up.
  void hangUp() { m_pty.hangUp(); }

 private:
  pty::PseudoTerminal m_pty;
};

// Whether process `pid` holds `device` open.
bool holdsOpen(qint64 pid, const std::string& device);
// Runs the Qt event loop until `done` holds or the time is up.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
// Runs the Qt event loop for a while.
void runFor(std::chrono::milliseconds time);
// Ends a panel started by a test as a logout would (SIGTERM), so it releases
// its port and lock; a kill could leave a half-made lock file behind for the
// next test on the same pseudo-terminal number. Kills it if it does not end.
void endPanel(QProcess& panel);

}  // namespace qd40::test

namespace qd40::test {

struct Arrival {
  double atMs;  // since the recording began
  std::string bytes;
};

// Runs the event loop for `time` while reading the master end of `pty`,
// noting when each piece arrived.
std::vector<Arrival> record(PtyPair& pty, std::chrono::milliseconds time);

}  // namespace qd40::test
