#pragma once
// The session log file: lines from the window's thread are stamped with the
// time and written on a thread of their own, the lines of one moment (20 ms)
// in one write, so a line chattering a character at a time costs a write a
// moment rather than one a character, and a slow or stuck disk never holds
// the window. What waits for the disk is bounded in bytes: a line that does
// not fit is left out and counted, the count goes into the log as "… N bytes
// not logged" where the gap was, and the first gap is told once on standard
// error. A file that reaches its size is rotated, one NAME.1 kept, and every
// file starts with the session's header. A write that fails (a full disk)
// stops the log with one line on standard error; the panel goes on without
// it. How the file is found and opened is LogFile's business; what goes into
// a line is the caller's.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "serial/LogFile.h"

namespace qd40 {

// Tens of thousands of presses, or most of an hour of a projector chattering
// at line rate; one log never takes more than twice this on the disk.
inline constexpr std::uint64_t kDefaultLogMax = 10 * 1024 * 1024;
// Below this a file would be rotated every few presses.
inline constexpr std::uint64_t kMinLogMax = 64 * 1024;
// A few minutes of line-rate chatter while the disk does not take it.
inline constexpr std::size_t kMaxQueuedBytes = 1024 * 1024;
// How long the writer gathers lines before it writes them, and how many bytes
// make it write at once.
inline constexpr std::chrono::milliseconds kGatherTime{20};
inline constexpr std::size_t kGatherBytes = 64 * 1024;

struct SessionLogOptions {
  std::uint64_t maxBytes = kDefaultLogMax;  // a file that would grow past this is rotated
  std::string header;                       // the first line of every file; none if empty
};

class SessionLog final {
 public:
  // Opens `path` for appending, creating it if need be; nothing, with the
  // reason in `error`, when it may not or cannot be opened.
  static std::unique_ptr<SessionLog> open(const std::string& path, std::string& error,
                                          SessionLogOptions options = {});
  // The log on a descriptor opened elsewhere, named `name` in messages and
  // never rotated. Tests stall it with a pipe nobody reads.
  static std::unique_ptr<SessionLog> onDescriptor(int fd, std::string name,
                                                  SessionLogOptions options = {});

  SessionLog(const SessionLog&) = delete;
  SessionLog& operator=(const SessionLog&) = delete;
  // Writes whatever is queued, then closes the file.
  ~SessionLog();

  // Queues one line, stamped with the time now; the newline is added here.
  // Whatever the text holds, it stays one line (see renderText).
  void write(std::string_view text);
  // Returns once every line queued so far is written or dropped.
  void waitUntilWritten();
  // The bytes waiting for the disk now.
  std::size_t queuedBytes();
  const std::string& path() const { return m_path; }

 private:
  SessionLog(LogFile file, std::string path, SessionLogOptions options);
  void queue(std::string line);
  void run();
  bool put(const std::deque<std::string>& lines);
  bool rotate();
  bool writeAll(const std::string& text);
  void stop(const std::string& why);

  LogFile m_file;
  const std::string m_path;
  const SessionLogOptions m_options;
  std::uint64_t m_size = 0;  // the file's, kept by the writer thread
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_drained;
  std::deque<std::string> m_queue;
  std::size_t m_queuedBytes = 0;
  std::uint64_t m_droppedBytes = 0;  // since the last count went into the queue
  bool m_writing = false;
  bool m_idle = false;  // the writer waits for a line
  int m_waiting = 0;    // callers of waitUntilWritten, who hurry the writer
  bool m_closing = false;
  bool m_stopped = false;
  bool m_behindTold = false;
  std::thread m_writer;
};

// Local time with its offset from UTC, to the millisecond, in ISO 8601:
// 2026-12-08T09:14:03.512+01:00.
std::string formatLogTime(std::chrono::system_clock::time_point time);

// A file size for --log-max: a number of bytes, or of KiB, MiB or GiB with K,
// M or G after it ("500K", "10M", "1G"); nothing for anything else or for
// less than kMinLogMax.
std::optional<std::uint64_t> parseLogSize(std::string_view text);

}  // namespace qd40
