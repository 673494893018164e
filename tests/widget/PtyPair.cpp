#include "PtyPair.h"

#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>

namespace qd40::test {

namespace {
constexpr auto kSlice = std::chrono::milliseconds(1);
}

std::string PtyPair::read(std::size_t count, std::chrono::milliseconds timeout) {
  std::string got;
  waitUntil(
      [&] {
        char buffer[4096];
        for (;;) {
          const ssize_t n = ::read(m_pty.master(), buffer, sizeof buffer);
          if (n <= 0) break;
          got.append(buffer, static_cast<std::size_t>(n));
        }
        return got.size() >= count;
      },
      timeout);
  return got;
}

std::string PtyPair::drain(std::chrono::milliseconds quiet) {
  runFor(quiet);
  return read(0, std::chrono::milliseconds(0));
}

void PtyPair::write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(m_pty.master(), bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      pollfd waitFor{m_pty.master(), POLLOUT, 0};
      poll(&waitFor, 1, 100);
    }
  }
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    if (done()) return true;
    if (clock.elapsed() >= timeout.count()) return false;
    usleep(static_cast<useconds_t>(std::chrono::microseconds(kSlice).count() / 4));
  }
}

void runFor(std::chrono::milliseconds time) {
  waitUntil([] { return false; }, time);
}

}  // namespace qd40::test

namespace qd40::test {

std::vector<Arrival> record(PtyPair& pty, std::chrono::milliseconds time) {
  std::vector<Arrival> arrivals;
  QElapsedTimer clock;
  clock.start();
  waitUntil(
      [&] {
        std::string got = pty.read(0, std::chrono::milliseconds(0));
        if (!got.empty())
          arrivals.push_back({static_cast<double>(clock.nsecsElapsed()) / 1e6, got});
        return false;
      },
      time);
  return arrivals;
}

}  // namespace qd40::test

namespace qd40::test {

bool holdsOpen(qint64 pid, const std::string& device) {
  std::error_code ec;
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    std::error_code linkError;
    if (std::filesystem::read_symlink(fd.path(), linkError) == device) return true;
  }
  return false;
}

void endPanel(QProcess& panel) {
  if (panel.state() == QProcess::NotRunning) return;
  panel.terminate();
  if (panel.waitForFinished(5000)) return;
  panel.kill();
  panel.waitForFinished(5000);
}

}  // namespace qd40::test
