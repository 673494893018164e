// Pseudo-terminal, child processes, X input and statistics for the panel benchmark.
#include "BenchSupport.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qd40::bench {

namespace {

constexpr std::chrono::milliseconds kGraceBeforeKill{2000};
constexpr std::chrono::milliseconds kReapPoll{10};

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what);
}

// A window can be gone by the time its MapNotify is read (a program's
// short-lived helper window, on a loaded machine): reading its properties
// then fails with BadWindow, which means only that it was not the panel's.
// Any other error is told; Xlib's own handler would end the benchmark.
int onXError(::Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow) return 0;
  char text[256];
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "bench: X error: %s (request %d)\n", text, error->request_code);
  return 0;
}

// Whether `pid` has ended within `time`; its status in `status` when it has.
bool reapedWithin(pid_t pid, std::chrono::milliseconds time, int* status = nullptr) {
  return test::waitWithin(
      time, [&] { return waitpid(pid, status, WNOHANG) != 0; },
      [] { std::this_thread::sleep_for(kReapPoll); });
}

}  // namespace

double msSince(Clock::time_point start) {
  return Millis(Clock::now() - start).count();
}

Child::Child(const std::string& path, const std::map<std::string, std::string>& env,
             const std::string& errors, const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  m_started = Clock::now();
  m_pid = fork();
  if (m_pid < 0) fail("fork failed");
  if (m_pid == 0) {
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(errors.empty() ? null : open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
         STDERR_FILENO);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
}

Child::~Child() {
  kill(m_pid, SIGTERM);
  if (reapedWithin(m_pid, kGraceBeforeKill)) return;
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
}

int Child::wait(std::chrono::milliseconds timeout) {
  int status = 0;
  if (!reapedWithin(m_pid, timeout, &status)) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Child::cpuSeconds() const {
  std::ifstream in("/proc/" + std::to_string(m_pid) + "/stat");
  std::string line;
  std::getline(in, line);
  // Fields after the command name, which is in parentheses and may hold blanks.
  std::istringstream rest(line.substr(line.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Child::rssMiB() const {
  std::ifstream in("/proc/" + std::to_string(m_pid) + "/status");
  std::string key;
  while (in >> key) {
    if (key == "VmRSS:") {
      double kib = 0;
      in >> kib;
      return kib / 1024.0;
    }
    in.ignore(1 << 16, '\n');
  }
  return 0;
}

XSession::XSession() {
  m_display = XOpenDisplay(nullptr);
  if (m_display == nullptr) fail("no X display (run under xvfb-run -a)");
  XSetErrorHandler(onXError);
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(m_display, &event, &error, &major, &minor)) fail("no XTEST extension");
  XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
  XFlush(m_display);
}

XSession::~XSession() {
  XCloseDisplay(m_display);
}

std::optional<Clock::time_point> XSession::waitMapped(pid_t pid, Millis timeout, Window* window) {
  const Atom pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(timeout);
  while (Clock::now() < deadline) {
    if (XPending(m_display) == 0) {
      pollfd p{ConnectionNumber(m_display), POLLIN, 0};
      poll(&p, 1, 5);
      continue;
    }
    XEvent event;
    XNextEvent(m_display, &event);
    if (event.type != MapNotify || event.xmap.override_redirect) continue;
    const auto mapped = Clock::now();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(m_display, event.xmap.window, pidAtom, 0, 1, False, XA_CARDINAL, &type,
                       &format, &count, &after, &data);
    const bool ours = data != nullptr && count == 1 &&
                      static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid;
    if (data != nullptr) XFree(data);
    if (!ours) continue;
    *window = event.xmap.window;
    return mapped;
  }
  return std::nullopt;
}

void XSession::moveTo(Window window, int x, int y) {
  int rootX = 0, rootY = 0;
  Window child = None;
  XTranslateCoordinates(m_display, window, DefaultRootWindow(m_display), x, y, &rootX, &rootY,
                        &child);
  XTestFakeMotionEvent(m_display, DefaultScreen(m_display), rootX, rootY, CurrentTime);
  XFlush(m_display);
}

void XSession::button(bool down) {
  XTestFakeButtonEvent(m_display, 1, down ? True : False, CurrentTime);
  XFlush(m_display);
}

void XSession::altChord(char key) {
  const KeyCode alt = XKeysymToKeycode(m_display, XK_Alt_L);
  const KeyCode letter = XKeysymToKeycode(m_display, static_cast<KeySym>(key));
  XTestFakeKeyEvent(m_display, alt, True, CurrentTime);
  XTestFakeKeyEvent(m_display, letter, True, CurrentTime);
  XTestFakeKeyEvent(m_display, letter, False, CurrentTime);
  XTestFakeKeyEvent(m_display, alt, False, CurrentTime);
  XFlush(m_display);
}

double percentile(std::vector<double> values, double q) {
  if (values.empty()) return NAN;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double median(std::vector<double> values) {
  return percentile(std::move(values), 0.5);
}

double spread(const std::vector<double>& values) {
  const double middle = median(values);
  std::vector<double> deviations;
  for (double v : values) deviations.push_back(std::abs(v - middle));
  return median(deviations);
}

}  // namespace qd40::bench
