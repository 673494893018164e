#pragma once
// A real pseudo-terminal pair for the tests and the benchmarks: the program
// under test opens the slave end by its path, the test plays the projector
// on the master end. Every read and write has a deadline.
#include <QProcess>
#include <chrono>
#include <string>
#include <vector>

#include "PseudoTerminal.h"
#include "Waits.h"

namespace qd40::test {

class PtyPair final {
 public:
  const std::string& slavePath() const { return m_pty.slavePath(); }
  int master() const { return m_pty.master(); }

  // For a panel in this process. Bytes it wrote, gathered while the Qt event
  // loop runs, until `count` have arrived or the time is up.
  std::string read(std::size_t count, std::chrono::milliseconds timeout);
  // Everything that arrives within `quiet` of running the event loop.
  std::string drain(std::chrono::milliseconds quiet);

  // For a program in another process, without an event loop. What arrives
  // within `timeout` (the first piece); empty when nothing came.
  std::string awaitBytes(std::chrono::duration<double, std::milli> timeout);
  // Reads and throws away until the line has been quiet for `quiet`, for at
  // most `deadline`; whether it fell quiet.
  bool awaitQuiet(std::chrono::duration<double, std::milli> quiet,
                  std::chrono::milliseconds deadline = std::chrono::seconds(30));

  // Writes all of `bytes`; throws std::runtime_error when the line takes
  // none of them for a while (nobody reads the slave end).
  void write(const std::string& bytes);
  // Closes the master end: the program's side sees a hang-up.
  void hangUp() { m_pty.hangUp(); }

 private:
  pty::PseudoTerminal m_pty;
};

// Whether process `pid` holds `device` open.
bool holdsOpen(qint64 pid, const std::string& device);
// Ends a panel started by a test as a logout would (SIGTERM), so it releases
// its port and lock; a kill could leave a half-made lock file behind for the
// next test on the same pseudo-terminal number. Kills it if it does not end.
void endPanel(QProcess& panel);

struct Arrival {
  double atMs;  // since the recording began
  std::string bytes;
};

// Runs the event loop for `time` while reading the master end of `pty`,
// noting when each piece arrived.
std::vector<Arrival> record(PtyPair& pty, std::chrono::milliseconds time);

}  // namespace qd40::test
