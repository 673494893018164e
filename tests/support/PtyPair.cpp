// The test's end of a pseudo-terminal pair.
#include "PtyPair.h"

#include <poll.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace qd40::test {

namespace {

// A line that takes no byte for this long has nobody reading it.
constexpr auto kWriteDeadline = std::chrono::seconds(10);
constexpr auto kWritePoll = std::chrono::milliseconds(100);

}  // namespace

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

std::string PtyPair::awaitBytes(std::chrono::duration<double, std::milli> timeout) {
  const auto until = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(timeout);
  pollfd p{master(), POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(std::ceil(timeout.count()))) <= 0) return {};
  // While no one has the slave open the master reports a hang-up at once;
  // nothing can arrive before the program opens it, so wait out the time
  // rather than spin beside the program being measured.
  if ((p.revents & POLLIN) == 0) {
    std::this_thread::sleep_until(until);
    return {};
  }
  char buffer[4096];
  const ssize_t n = ::read(master(), buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool PtyPair::awaitQuiet(std::chrono::duration<double, std::milli> quiet,
                         std::chrono::milliseconds deadline) {
  bool fellQuiet = false;
  waitWithin(
      deadline, [&] { return fellQuiet; }, [&] { fellQuiet = awaitBytes(quiet).empty(); });
  return fellQuiet;
}

void PtyPair::write(const std::string& bytes) {
  std::size_t done = 0;
  const auto wrote = [&] {
    const ssize_t n = ::write(m_pty.master(), bytes.data() + done, bytes.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
    return n > 0;
  };
  const auto writable = [&] {
    pollfd waitFor{m_pty.master(), POLLOUT, 0};
    poll(&waitFor, 1, static_cast<int>(kWritePoll.count()));
  };
  while (done < bytes.size()) {
    if (!waitWithin(kWriteDeadline, wrote, writable)) {
      throw std::runtime_error("the pseudo-terminal took " + std::to_string(done) + " of " +
                               std::to_string(bytes.size()) + " bytes: nobody reads its slave end");
    }
  }
}

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
