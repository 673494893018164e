// Appends the session log on a writer thread of its own.
#include "serial/SessionLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace qd40 {

namespace {

// Lines waiting for a disk that does not keep up are dropped past this many,
// so the panel's memory stays bounded.
constexpr std::size_t kMaxQueuedLines = 100000;

std::string systemError(int error) {
  return std::strerror(error);
}

}  // namespace

std::string formatLogTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count() % 1000;
  if (millis < 0) millis += 1000;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis));
  return text;
}

std::unique_ptr<SessionLog> SessionLog::open(const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "The session log " + path + " cannot be opened: " + systemError(errno) +
            ". The panel runs without a log.";
    return nullptr;
  }
  return std::unique_ptr<SessionLog>(new SessionLog(fd, path));
}

SessionLog::SessionLog(int fd, std::string path)
    : m_fd(fd), m_path(std::move(path)), m_writer(&SessionLog::run, this) {}

SessionLog::~SessionLog() {
  {
    std::lock_guard lock(m_mutex);
    m_closing = true;
  }
  m_wake.notify_one();
  m_writer.join();
  ::close(m_fd);
}

void SessionLog::write(std::string line) {
  {
    std::lock_guard lock(m_mutex);
    if (m_stopped) return;
    if (m_queue.size() >= kMaxQueuedLines) {
      if (!m_overflowReported) {
        std::fprintf(stderr, "qd40-control: the session log %s falls behind; lines are dropped.\n",
                     m_path.c_str());
      }
      m_overflowReported = true;
      return;
    }
    line += '\n';
    m_queue.push_back(std::move(line));
  }
  m_wake.notify_one();
}

void SessionLog::waitUntilWritten() {
  std::unique_lock lock(m_mutex);
  m_drained.wait(lock, [this] { return m_queue.empty() && !m_writing; });
}

void SessionLog::run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_closing || !m_queue.empty(); });
    if (m_queue.empty()) break;
    std::string line = std::move(m_queue.front());
    m_queue.pop_front();
    m_writing = true;
    lock.unlock();
    const bool written = writeAll(line);
    lock.lock();
    m_writing = false;
    if (!written) {
      m_queue.clear();
      m_stopped = true;
    }
    if (m_queue.empty()) m_drained.notify_all();
  }
}

// One write per line and no buffer of our own: each line is in the file as
// soon as it is written, and a crash loses nothing written before it.
bool SessionLog::writeAll(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      stop(n < 0 ? systemError(errno) : "nothing could be written");
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void SessionLog::stop(const std::string& why) {
  std::fprintf(stderr, "qd40-control: the session log %s stopped: %s.\n", m_path.c_str(),
               why.c_str());
}

}  // namespace qd40
