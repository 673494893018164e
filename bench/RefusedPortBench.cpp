// Holds an arrow at 5 ms on a panel run as 'nobody' while its port refuses
// every repeat, once for each way a port refuses.
#include "RefusedPortBench.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

#include "doctor/LockFiles.h"
#include "panel/Layout.h"

namespace qd40::bench {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr uid_t kNobody = 65534;
constexpr auto kMapTimeout = 10s;
constexpr auto kSettle = 1000ms;
constexpr auto kHoldFor = 5s;
constexpr auto kTapHold = 20ms;  // a D.Zoom tap, which sets the arrows' 5 ms repeat
constexpr auto kLossSettle = 500ms;
constexpr auto kHolderSettle = 3s;  // for the other panel to take its port
constexpr auto kIdleWait = 20s;
constexpr auto kIdleProbe = 200ms;
constexpr double kIdleCpuSeconds = 0.015;

// A control's centre in the window, in pixels.
std::pair<int, int> centreOf(std::string_view name) {
  int left = 0, top = 0;
  for (const ControlSpec* control = findControl(name); control != nullptr;
       control = findControl(control->container)) {
    const bool self = control->name == name;
    left += control->left + (self ? control->width / 2 : 0);
    top += control->top + (self ? control->height / 2 : 0);
  }
  return {toPixels(left), toPixels(top)};
}

// A pty of the benchmark's that 'nobody' may open, or not, as a case needs.
std::unique_ptr<Pty> ptyWithMode(mode_t mode) {
  auto pty = std::make_unique<Pty>();
  chmod(pty->slavePath().c_str(), mode);
  return pty;
}

// The panel as 'nobody', whose port is a link the benchmark points where
// each case needs; the X authority is copied where that user can read it.
class NobodyPanel final {
 public:
  NobodyPanel(XSession& x, const std::string& control, const std::string& dir) : m_x(x) {
    link = dir + "/com1";
    const std::string script = dir + "/as-nobody";
    std::ofstream(script) << "#!/bin/sh\nexec setpriv --reuid=" << kNobody << " --regid=" << kNobody
                          << " --clear-groups " << control << "\n";
    chmod(script.c_str(), 0755);
    std::map<std::string, std::string> env{{"QD40_COM1", link}, {"HOME", dir}};
    if (const char* authority = std::getenv("XAUTHORITY")) {
      fs::copy_file(authority, dir + "/xauthority", fs::copy_options::overwrite_existing);
      chmod((dir + "/xauthority").c_str(), 0644);
      env["XAUTHORITY"] = dir + "/xauthority";
    }
    m_line = ptyWithMode(0666);
    fs::create_symlink(m_line->slavePath(), link);
    child = std::make_unique<Child>(script, env);
    if (!x.waitMapped(child->pid(), kMapTimeout, &m_window)) {
      throw std::runtime_error("the panel run as nobody showed no window within 10 s");
    }
    std::this_thread::sleep_for(kSettle);
  }

  // The line goes away under the open port (the first time), and the link
  // then leads to whatever `next` sets up.
  void takeAway(const std::function<void()>& next) {
    m_line->hangUp();
    std::this_thread::sleep_for(kLossSettle);
    fs::remove(link);
    next();
  }

  // CPU of one held arrow, in % of a core, once the panel is idle again.
  double hold() {
    press("Command48", kTapHold);
    const double before = child->cpuSeconds();
    const auto start = Clock::now();
    press("Command7", kHoldFor);
    const double cpu = 100.0 * (child->cpuSeconds() - before) / (msSince(start) / 1000.0);
    // The repeat goes on until the panel gets to the release.
    const auto released = Clock::now();
    for (double used = child->cpuSeconds(); Clock::now() - released < kIdleWait;) {
      std::this_thread::sleep_for(kIdleProbe);
      const double now = child->cpuSeconds();
      if (now - used < kIdleCpuSeconds) break;
      used = now;
    }
    return cpu;
  }

  std::string link;
  std::unique_ptr<Child> child;

 private:
  void press(std::string_view control, Millis forHow) {
    const auto [x, y] = centreOf(control);
    m_x.moveTo(m_window, x, y);
    m_x.button(true);
    std::this_thread::sleep_for(forHow);
    m_x.button(false);
  }

  XSession& m_x;
  Window m_window = 0;
  std::unique_ptr<Pty> m_line;
};

// A process that ran and ended, whose number a stale lock names.
pid_t endedProcess() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

}  // namespace

std::vector<RefusedHold> measureRefusedHolds(XSession& x, const std::string& program, int runs) {
  // The panel runs from the benchmark's folder as another user.
  const std::string control = fs::absolute(program).string();
  if (geteuid() != 0) {
    std::printf("refused ports: left out, making another user's refusals needs root\n");
    return {};
  }
  const test::TempFolder folder("refused");
  const std::string& dir = folder.path();
  chmod(dir.c_str(), 0755);
  std::vector<RefusedHold> holds;
  {
    NobodyPanel panel(x, control, dir);
    std::unique_ptr<Pty> line;
    int exclusive = -1;
    std::string lock;
    std::unique_ptr<Child> other;
    const auto measure = [&](const std::string& how, const std::function<void()>& setUp) {
      panel.takeAway(setUp);
      RefusedHold hold{how, {}};
      for (int run = 0; run < runs; ++run) hold.cpu.push_back(panel.hold());
      holds.push_back(hold);
      std::printf("refused port, %s: %.2f %% of a core (first run)\n", how.c_str(),
                  hold.cpu.front());
      if (exclusive >= 0) close(exclusive);
      exclusive = -1;
      if (!lock.empty()) fs::remove(lock);
      lock.clear();
      other.reset();
    };
    measure("busy by exclusive mode", [&] {
      line = ptyWithMode(0666);
      exclusive = open(line->slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
      ioctl(exclusive, TIOCEXCL);
      fs::create_symlink(line->slavePath(), panel.link);
    });
    measure("denied", [&] {
      line = ptyWithMode(0600);
      fs::create_symlink(line->slavePath(), panel.link);
    });
    measure("stale lock", [&] {
      line = ptyWithMode(0666);
      lock = "/var/lock/" + qtLockName(line->slavePath());
      std::ofstream(lock) << endedProcess() << "\nqd40-control\nhost\n";
      fs::create_symlink(line->slavePath(), panel.link);
    });
    measure("missing", [] {});
    measure("locked by another panel", [&] {
      line = ptyWithMode(0666);
      fs::create_symlink(line->slavePath(), panel.link);
      other = std::make_unique<Child>(
          control, std::map<std::string, std::string>{{"QD40_COM1", line->slavePath()},
                                                      {"QT_QPA_PLATFORM", "offscreen"}});
      std::this_thread::sleep_for(kHolderSettle);
    });
  }
  return holds;
}

}  // namespace qd40::bench
