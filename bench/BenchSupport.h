#pragma once
// What the panel benchmark is built from: a pseudo-terminal it owns, the
// programs it starts, X input through XTEST, CPU and memory from /proc, and
// the statistics of repeated runs.
// Qt's headers go before Xlib's, whose macros (Status, Bool) they would meet.
#include "PtyPair.h"
#include "TempFolder.h"

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qd40::bench {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

double msSince(Clock::time_point start);

// The master side of a pseudo-terminal pair; the panel opens the slave.
using Pty = test::PtyPair;

// A child process with extra environment; stopped (SIGTERM, then SIGKILL)
// when the object goes. Its standard error goes to `errors`, or nowhere.
class Child final {
 public:
  Child(const std::string& path, const std::map<std::string, std::string>& env,
        const std::string& errors = {}, const std::vector<std::string>& args = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t pid() const { return m_pid; }
  Clock::time_point started() const { return m_started; }
  // Waits for it to end; its exit status, or -1 when it was killed or had
  // to be, still running after `timeout`.
  int wait(std::chrono::milliseconds timeout = std::chrono::minutes(5));
  // CPU seconds (user + system) used so far.
  double cpuSeconds() const;
  // Resident memory in MiB.
  double rssMiB() const;

 private:
  pid_t m_pid = -1;
  Clock::time_point m_started;
};

// The X display, watched for top-level windows being mapped, and driven
// through XTEST.
class XSession final {
 public:
  XSession();
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;
  // Waits for a top-level window of `pid` to be mapped; returns when it was.
  std::optional<Clock::time_point> waitMapped(pid_t pid, Millis timeout, Window* window);
  void moveTo(Window window, int x, int y);
  void button(bool down);
  // Presses and releases `key` with Alt held, at the pointer's window.
  void altChord(char key);

 private:
  ::Display* m_display = nullptr;
};

// Nearest-rank percentile, q in [0, 1].
double percentile(std::vector<double> values, double q);
double median(std::vector<double> values);
// Median absolute deviation: how far repeated runs of one figure stray.
double spread(const std::vector<double>& values);

}  // namespace qd40::bench
