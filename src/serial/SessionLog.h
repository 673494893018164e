#pragma once
// The session log file: lines appended by the window's thread are written
// and flushed one by one on a thread of their own, so a slow or stuck disk
// never holds the window. A write that fails (a full disk) stops the log
// with one line on standard error; the panel goes on without it. What goes
// into a line is the caller's business.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qd40 {

class SessionLog final {
 public:
  // Opens `path` for appending, creating it if need be; nothing, with the
  // reason in `error`, when it cannot be opened.
  static std::unique_ptr<SessionLog> open(const std::string& path, std::string& error);

  SessionLog(const SessionLog&) = delete;
  SessionLog& operator=(const SessionLog&) = delete;
  // Writes whatever is queued, then closes the file.
  ~SessionLog();

  // Queues one line; the newline is added here.
  void write(std::string line);
  // Returns once every line queued so far is written or dropped.
  void waitUntilWritten();
  const std::string& path() const { return m_path; }

 private:
  SessionLog(int fd, std::string path);
  void run();
  bool writeAll(const std::string& text);
  void stop(const std::string& why);

  const int m_fd;
  const std::string m_path;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_drained;
  std::deque<std::string> m_queue;
  bool m_writing = false;
  bool m_closing = false;
  bool m_stopped = false;
  bool m_overflowReported = false;
  std::thread m_writer;
};

// Local time as 2026-12-07 13:58:01.234.
std::string formatLogTime(std::chrono::system_clock::time_point time);

}  // namespace qd40
