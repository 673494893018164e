// Appends the session log on a writer thread of its own.
#include "serial/SessionLog.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "protocol/LogText.h"

namespace qd40 {

namespace {

std::string stamped(std::string_view text) {
  return formatLogTime(std::chrono::system_clock::now()) + ' ' + renderText(text) + '\n';
}

std::string notLogged(std::uint64_t bytes) {
  return stamped("… " + std::to_string(bytes) + " bytes not logged");
}

}  // namespace

std::string formatLogTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count() % 1000;
  if (millis < 0) millis += 1000;
  const int offset = static_cast<int>(local.tm_gmtoff / 60);
  const int offsetMinutes = offset < 0 ? -offset : offset;
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(millis), offset < 0 ? '-' : '+', offsetMinutes / 60,
                offsetMinutes % 60);
  return text;
}

std::optional<std::uint64_t> parseLogSize(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  int shift = 0;
  if (unit == "K" || unit == "k") shift = 10;
  if (unit == "M" || unit == "m") shift = 20;
  if (unit == "G" || unit == "g") shift = 30;
  if (!unit.empty() && shift == 0) return std::nullopt;
  if (value > (UINT64_MAX >> shift)) return std::nullopt;
  value <<= shift;
  if (value < kMinLogMax) return std::nullopt;
  return value;
}

std::unique_ptr<SessionLog> SessionLog::open(const std::string& path, std::string& error,
                                             SessionLogOptions options) {
  std::optional<LogFile> file = LogFile::open(path, error);
  if (!file) return nullptr;
  return std::unique_ptr<SessionLog>(new SessionLog(std::move(*file), path, std::move(options)));
}

std::unique_ptr<SessionLog> SessionLog::onDescriptor(int fd, std::string name,
                                                     SessionLogOptions options) {
  return std::unique_ptr<SessionLog>(
      new SessionLog(LogFile::adopt(fd), std::move(name), std::move(options)));
}

SessionLog::SessionLog(LogFile file, std::string path, SessionLogOptions options)
    : m_file(std::move(file)),
      m_path(std::move(path)),
      m_options(std::move(options)),
      m_size(m_file.size()) {
  if (!m_options.header.empty()) queue(stamped(m_options.header));
  m_writer = std::thread(&SessionLog::run, this);
}

SessionLog::~SessionLog() {
  {
    std::lock_guard lock(m_mutex);
    // A gap at the very end is counted too, whatever the bound.
    if (m_droppedBytes > 0 && !m_stopped) m_queue.push_back(notLogged(m_droppedBytes));
    m_closing = true;
  }
  m_wake.notify_one();
  m_writer.join();
}

void SessionLog::write(std::string_view text) {
  std::string line = stamped(text);
  bool wake = false;
  {
    std::lock_guard lock(m_mutex);
    if (m_stopped) return;
    if (m_droppedBytes > 0) {
      // The count goes where the gap was, once the line after it fits too.
      std::string count = notLogged(m_droppedBytes);
      if (m_queuedBytes + count.size() + line.size() <= kMaxQueuedBytes) {
        queue(std::move(count));
        m_droppedBytes = 0;
      }
    }
    if (m_droppedBytes > 0 || m_queuedBytes + line.size() > kMaxQueuedBytes) {
      if (!std::exchange(m_behindTold, true)) {
        std::fprintf(stderr,
                     "qd40-control: the session log %s falls behind; lines that do not fit "
                     "are left out and counted in the log.\n",
                     m_path.c_str());
      }
      m_droppedBytes += line.size();
      return;
    }
    queue(std::move(line));
    // A writer that is gathering is left to its moment unless the lines grow
    // large; waking it for each one would cost a wake-up per character on a
    // chattering line.
    wake = m_idle || m_queuedBytes >= kGatherBytes;
  }
  if (wake) m_wake.notify_one();
}

void SessionLog::queue(std::string line) {
  m_queuedBytes += line.size();
  m_queue.push_back(std::move(line));
}

void SessionLog::waitUntilWritten() {
  std::unique_lock lock(m_mutex);
  ++m_waiting;
  m_wake.notify_one();
  m_drained.wait(lock, [this] { return m_queue.empty() && !m_writing; });
  --m_waiting;
}

std::size_t SessionLog::queuedBytes() {
  std::lock_guard lock(m_mutex);
  return m_queuedBytes;
}

void SessionLog::run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_idle = true;
    m_wake.wait(lock, [this] { return m_closing || !m_queue.empty(); });
    m_idle = false;
    if (m_queue.empty()) break;
    // Lines come a character at a time from a chattering line: what comes in
    // the next moment goes into the same write.
    m_wake.wait_for(lock, kGatherTime,
                    [this] { return m_closing || m_waiting > 0 || m_queuedBytes >= kGatherBytes; });
    // One write takes a bounded part, so what a stalled disk holds beyond the
    // queue stays small too.
    std::deque<std::string> lines;
    std::size_t taken = 0;
    while (!m_queue.empty() && (taken == 0 || taken + m_queue.front().size() <= kGatherBytes)) {
      taken += m_queue.front().size();
      lines.push_back(std::move(m_queue.front()));
      m_queue.pop_front();
    }
    m_queuedBytes -= std::min(m_queuedBytes, taken);
    m_writing = true;
    lock.unlock();
    const bool written = put(lines);
    lock.lock();
    m_writing = false;
    if (!written) {
      m_queue.clear();
      m_queuedBytes = 0;
      m_stopped = true;
    }
    if (m_queue.empty()) m_drained.notify_all();
  }
}

// Rotates first when a line would take the file past its size, so no file
// grows beyond it; an empty file takes a line whatever its length.
bool SessionLog::put(const std::deque<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    const std::uint64_t size = m_size + text.size();
    if (m_file.canRotate() && size > 0 && size + line.size() > m_options.maxBytes) {
      if (!writeAll(text) || !rotate()) return false;
      text.clear();
    }
    text += line;
  }
  return writeAll(text);
}

bool SessionLog::rotate() {
  std::string why;
  if (!m_file.rotate(why)) {
    stop(why);
    return false;
  }
  m_size = 0;
  return m_options.header.empty() ||
         writeAll(stamped(m_options.header + "; earlier lines in " + m_file.name() + ".1"));
}

// No buffer of our own beyond the moment's gathering: a crash loses at most
// the lines of that moment.
bool SessionLog::writeAll(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(m_file.fd(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Only a descriptor handed in can be a pipe; wait for it as a file would.
      pollfd ready{m_file.fd(), POLLOUT, 0};
      ::poll(&ready, 1, -1);
      continue;
    }
    if (n <= 0) {
      stop(n < 0 ? std::strerror(errno) : "nothing could be written");
      return false;
    }
    done += static_cast<std::size_t>(n);
    m_size += static_cast<std::uint64_t>(n);
  }
  return true;
}

void SessionLog::stop(const std::string& why) {
  std::fprintf(stderr, "qd40-control: the session log %s stopped: %s.\n", m_path.c_str(),
               why.c_str());
}

}  // namespace qd40
