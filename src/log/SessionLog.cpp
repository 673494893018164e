// Appends the session log on a writer thread of its own.
#include "log/SessionLog.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "protocol/TimeText.h"
#include "protocol/WholeNumber.h"

namespace qd40 {

namespace {

using SystemClock = std::chrono::system_clock;

std::string notLogged(SystemClock::time_point at, std::uint64_t bytes, const char* what) {
  return stampedLine(at, "… " + std::to_string(bytes) + what + " not logged");
}

std::size_t lineCount(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

std::optional<std::uint64_t> parseLogSize(std::string_view text) {
  const std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
  std::optional<std::uint64_t> number = wholeNumber(text.substr(0, digits));
  if (!number) return std::nullopt;
  std::uint64_t value = *number;
  const std::string_view unit = text.substr(digits);
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
  auto calls = std::make_unique<LogCalls>();
  if (!options.writer.empty()) {
    std::string why;
    calls = std::make_unique<LogCalls>(options.writer, why);
    if (!why.empty()) {
      std::fprintf(stderr,
                   "qd40-control: the session log's writer cannot be started (%s); the panel "
                   "writes the log itself and cannot end while the log's filesystem hangs.\n",
                   why.c_str());
    }
  }
  calls->limitWait(static_cast<int>(kEndWait.count()));
  std::optional<LogFile> file = LogFile::open(path, error, *calls);
  if (!file) return nullptr;
  calls->limitWait(-1);
  return std::unique_ptr<SessionLog>(
      new SessionLog(std::move(calls), std::move(*file), path, std::move(options)));
}

std::unique_ptr<SessionLog> SessionLog::onDescriptor(int fd, std::string name,
                                                     SessionLogOptions options) {
  auto calls = std::make_unique<LogCalls>();
  LogFile file = LogFile::adopt(fd, *calls);
  return std::unique_ptr<SessionLog>(
      new SessionLog(std::move(calls), std::move(file), std::move(name), std::move(options)));
}

SessionLog::SessionLog(std::unique_ptr<LogCalls> calls, LogFile file, std::string path,
                       SessionLogOptions options)
    : m_calls(std::move(calls)),
      m_file(std::move(file)),
      m_path(std::move(path)),
      m_options(std::move(options)),
      m_budget(m_options.maxBytes) {
  if (!m_options.header.empty()) write(m_options.header);
  m_writer = std::thread(&SessionLog::run, this);
}

SessionLog::~SessionLog() {
  {
    std::lock_guard lock(m_mutex);
    // A gap at the very end is counted too, whatever the bound.
    m_queue.push_back(
        {SystemClock::now(), LogEntryKind::Unqueued, {}, {}, m_unqueuedBytes, m_unqueuedReceived});
    m_closing = true;
  }
  m_wake.notify_one();
  {
    // A writer process that does not answer in time is given up: the calls
    // waiting for it fail at once, and what they held is counted.
    std::unique_lock lock(m_mutex);
    if (!m_drained.wait_for(lock, kEndWait, [this] { return m_finished; })) m_calls->abandon();
  }
  m_writer.join();
  tellUnwritten();
}

// Said as the log ends stopped: the lines the file lacks.
void SessionLog::tellUnwritten() const {
  if (!m_stop) return;
  const std::string lines = std::to_string(m_stop->lines) +
                            (m_stop->lines == 1 ? " line (" : " lines (") +
                            std::to_string(m_stop->bytes) + " bytes)";
  if (m_calls->abandoned()) {
    std::fprintf(stderr,
                 "qd40-control: the session log %s did not answer within %lld s; the program "
                 "ends without its last %s; the first of them may yet be written when its "
                 "filesystem answers.\n",
                 m_path.c_str(), static_cast<long long>(kEndWait.count() / 1000), lines.c_str());
    return;
  }
  std::fprintf(stderr, "qd40-control: the session log %s ends stopped: %s since %s not written.\n",
               m_path.c_str(), lines.c_str(),
               formatTime(m_stop->at, TimeForm::LocalWithOffset).c_str());
}

void SessionLog::write(std::string_view text) {
  queue({SystemClock::now(), LogEntryKind::Event, std::string(text), {}, 0, 0});
}

void SessionLog::writeBytes(LogEntryKind kind, std::string_view label, std::string_view bytes) {
  if (bytes.empty()) return;
  queue({SystemClock::now(), kind, std::string(label), std::string(bytes), 0, 0});
}

void SessionLog::queue(LogEntry entry) {
  const std::size_t size = queuedSize(entry);
  const bool received = entry.kind == LogEntryKind::Received;
  // Received bytes may take half the queue: events always find room.
  const std::size_t bound = received ? kMaxQueuedBytes / 2 : kMaxQueuedBytes;
  bool wake = false;
  {
    std::lock_guard lock(m_mutex);
    if (m_unqueuedBytes + m_unqueuedReceived > 0 && m_queuedBytes + size <= bound) {
      // The count goes where the gap was, once the entry after it fits too.
      m_queue.push_back(
          {entry.at, LogEntryKind::Unqueued, {}, {}, m_unqueuedBytes, m_unqueuedReceived});
      m_unqueuedBytes = m_unqueuedReceived = 0;
    }
    if (m_queuedBytes + size > bound) {
      if (!std::exchange(m_behindTold, true)) {
        std::fprintf(stderr,
                     "qd40-control: the session log %s falls behind; lines that do not fit "
                     "are left out and counted in the log.\n",
                     m_path.c_str());
      }
      (received ? m_unqueuedReceived : m_unqueuedBytes) += received ? entry.bytes.size() : size;
      return;
    }
    m_queuedBytes += size;
    m_queue.push_back(std::move(entry));
    // A writer that is gathering is left to its moment unless the lines grow
    // large; waking it for each one would cost a wake-up per character on a
    // chattering line.
    wake = m_idle || m_queuedBytes >= kGatherBytes;
  }
  if (wake) m_wake.notify_one();
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
    std::deque<LogEntry> entries;
    std::size_t taken = 0;
    while (!m_queue.empty() &&
           (taken == 0 || taken + queuedSize(m_queue.front()) <= kGatherBytes)) {
      taken += queuedSize(m_queue.front());
      entries.push_back(std::move(m_queue.front()));
      m_queue.pop_front();
    }
    m_queuedBytes -= std::min(m_queuedBytes, taken);
    m_writing = true;
    lock.unlock();
    std::vector<std::string> lines;
    for (const LogEntry& entry : entries) render(entry, lines);
    put(std::move(lines));
    lock.lock();
    m_writing = false;
    if (m_queue.empty()) m_drained.notify_all();
  }
  m_finished = true;
  m_drained.notify_all();
}

void SessionLog::render(const LogEntry& entry, std::vector<std::string>& lines) {
  switch (entry.kind) {
    case LogEntryKind::Unqueued:
      m_unloggedBytes += entry.unqueuedBytes;
      m_unloggedReceived += entry.unqueuedReceived;
      // The last entry of all: whatever was left out is counted now.
      if (m_closing) countsInto(lines, entry.at);
      return;
    case LogEntryKind::Event:
      countsInto(lines, entry.at);
      lines.push_back(stampedLine(entry.at, entry.text));
      return;
    case LogEntryKind::Sent:
    case LogEntryKind::Received: {
      const bool received = entry.kind == LogEntryKind::Received;
      if (!received) countsInto(lines, entry.at);
      bool first = true;
      for (const std::string_view piece : linePieces(entry.bytes)) {
        const bool wasGap = m_budget.inGap();
        if (received && !m_budget.open(entry.at)) {
          m_unloggedReceived += piece.size();
          continue;
        }
        std::string line = bytesLine(entry, piece, first);
        first = false;
        if (received && !m_budget.take(line.size())) {
          m_unloggedReceived += piece.size();
          continue;
        }
        if (received && wasGap) countsInto(lines, entry.at);
        lines.push_back(std::move(line));
      }
      return;
    }
  }
}

void SessionLog::countsInto(std::vector<std::string>& lines, SystemClock::time_point at) {
  if (m_unloggedBytes > 0) lines.push_back(notLogged(at, m_unloggedBytes, " bytes"));
  if (m_unloggedReceived > 0) lines.push_back(notLogged(at, m_unloggedReceived, " received bytes"));
  m_unloggedBytes = m_unloggedReceived = 0;
}

void SessionLog::put(std::vector<std::string> lines) {
  if (lines.empty()) return;
  std::uint64_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size();
  std::string prefix;
  if (m_stop) {
    const auto now = std::chrono::steady_clock::now();
    if (now - m_stop->lastTry < m_options.retryStopped && !m_closing) {
      m_stop->lines += lines.size();
      m_stop->bytes += bytes;
      return;
    }
    m_stop->lastTry = now;
    prefix = stampedLine(SystemClock::now(),
                         "the session log resumes; it stopped at " +
                             formatTime(m_stop->at, TimeForm::LocalWithOffset) + ": " +
                             m_stop->why + "; " + std::to_string(m_stop->lines) + " lines (" +
                             std::to_string(m_stop->bytes) + " bytes) not logged");
  }
  std::size_t written = 0;
  if (!m_file.canRotate()) {
    std::string text = prefix;
    for (const std::string& line : lines) text += line;
    std::size_t kept = 0;
    if (writeOut(text, 0, kept)) {
      written = lines.size();
    } else if (kept > prefix.size()) {
      written = lineCount(std::string_view(text).substr(prefix.size(), kept - prefix.size()));
    }
  } else {
    m_file.lock();
    written = putShared(prefix, lines);
    m_file.unlock();
  }
  if (written < lines.size()) {
    for (std::size_t i = written; i < lines.size(); ++i) m_stop->bytes += lines[i].size();
    m_stop->lines += lines.size() - written;
  } else if (std::exchange(m_stop, std::nullopt)) {
    std::fprintf(stderr, "qd40-control: the session log %s resumes.\n", m_path.c_str());
  }
}

// Under the lock the file is shared by: another writer may have rotated or
// removed it, and its size is what every writer put in. Returns how many of
// `lines` were written, all unless the log stopped.
std::size_t SessionLog::putShared(std::string prefix, const std::vector<std::string>& lines) {
  if (const LogFile::Moved moved = m_file.moved(); moved != LogFile::Moved::No) {
    std::string why;
    if (!m_file.reopen(why)) {
      stop(why);
      return 0;
    }
    m_budget.newFile();
    prefix += reopened(moved);
  }
  std::uint64_t size = m_file.size();
  std::string out = std::move(prefix);
  std::size_t written = 0, pending = 0, kept = 0;
  bool rotationFailed = false;
  for (const std::string& line : lines) {
    const std::uint64_t grown = size + out.size();
    if (!rotationFailed && grown > 0 && grown + line.size() > m_options.maxBytes) {
      if (!writeOut(out, size, kept)) return written;
      written += std::exchange(pending, 0);
      out = rotated(rotationFailed);
      size = m_file.size();
    }
    out += line;
    ++pending;
  }
  return writeOut(out, size, kept) ? written + pending : written;
}

// Goes on in a new file, or, when it cannot be made, in the same one over its
// size: stopping would lose everything after, a file over its size nothing.
// Returns the lines the file goes on with.
std::string SessionLog::rotated(bool& failed) {
  std::string why;
  failed = !m_file.rotate(why);
  if (!failed) {
    m_budget.newFile();
    m_rotationFailureTold = false;
    if (m_options.header.empty()) return {};
    return stampedLine(SystemClock::now(),
                       m_options.header + "; earlier lines in " + m_file.name() + ".1");
  }
  if (std::exchange(m_rotationFailureTold, true)) return {};
  std::fprintf(stderr, "qd40-control: the session log %s cannot be rotated: %s.\n", m_path.c_str(),
               why.c_str());
  return stampedLine(SystemClock::now(), "the session log cannot be rotated: " + why +
                                             "; it goes on in this file over its size");
}

std::string SessionLog::reopened(LogFile::Moved moved) const {
  const std::string& name = m_file.name();
  const std::string what =
      moved == LogFile::Moved::Rotated
          ? name + " was rotated by another writer, earlier lines in " + name + ".1"
      : moved == LogFile::Moved::Removed ? name + " was removed, lines before are lost"
                                         : name + " was renamed by another program";
  const std::string header = m_options.header.empty() ? "" : m_options.header + "; ";
  return stampedLine(SystemClock::now(), header + "the log is opened again: " + what);
}

// No buffer of our own beyond the moment's gathering: a crash loses at most
// the lines of that moment. When the disk refuses, no line is left cut in the
// middle: a file is cut back to `at`, where the text began, and `kept` says
// how much of the text stays (of a pipe, the whole lines it took).
bool SessionLog::writeOut(const std::string& text, std::uint64_t at, std::size_t& kept) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = m_file.write(text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Only a descriptor handed in can be a pipe; wait for it as a file would.
      pollfd ready{m_file.fd(), POLLOUT, 0};
      ::poll(&ready, 1, -1);
      continue;
    }
    if (n <= 0) {
      stop(m_calls->abandoned() ? "its filesystem does not answer"
           : n < 0              ? std::strerror(errno)
                                : "nothing could be written");
      kept = 0;
      if (m_file.canRotate()) {
        if (done > 0) m_file.truncate(at);
      } else if (const std::size_t end = text.rfind('\n', done - 1); done > 0 && end != text.npos) {
        kept = end + 1;
      }
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void SessionLog::stop(const std::string& why) {
  if (m_stop) {
    m_stop->why = why;
    return;
  }
  m_stop = Stop{SystemClock::now(), why, std::chrono::steady_clock::now()};
  std::fprintf(stderr, "qd40-control: the session log %s stopped: %s.\n", m_path.c_str(),
               why.c_str());
  // A log that stops as the program ends is told on standard error alone.
  if (m_closing) return;
  if (!std::exchange(m_stopTold, true) && m_options.onStopped) m_options.onStopped(why);
}

}  // namespace qd40
