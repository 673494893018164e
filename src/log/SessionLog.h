#pragma once
// The session log file. Entries from the window's thread carry their time
// and bytes; a thread of its own stamps, renders and writes them, the lines
// of one moment (20 ms) in one write, so a slow or stuck disk never holds
// the window.
//
// What the log keeps whatever comes: every file starts with the session's
// header, and what was sent and every port event are written. Received bytes
// fill it only within a budget, per second and per file (at most half of
// it), so a device flooding the line cannot rotate the operator's record
// away; what is left out is counted in a line "… N received bytes not
// logged" where the gap was. What waits for the disk is bounded too; what
// does not fit is counted as "… N bytes not logged".
//
// A file that reaches its size is rotated, one NAME.1 kept; when the rotation
// fails the log goes on in the same file, over its size, and says so once. A
// write that fails (a full disk) stops the log: one line on standard error,
// the handler told once, lines counted; it is tried again every few seconds
// and, once it takes lines again, says in the file when and why it stopped
// and what it missed. A line is never left cut in the middle. How the file is
// found, opened and shared with other writers is LogFile's business; what
// goes into an event is the caller's.
//
// Given a writer program, the log's file calls are made by it (see
// LogCalls), so a filesystem that hangs cannot keep the program from ending:
// the end waits for the log at most kEndWait, then says on standard error
// what was not written. Opening waits at most as long, and the panel then
// runs without a log.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "log/LogFile.h"
#include "log/LogLines.h"
#include "log/ReceivedBudget.h"

namespace qd40 {

// Tens of thousands of presses, or most of an hour of a projector chattering
// at line rate; one log never takes more than twice this on the disk.
inline constexpr std::uint64_t kDefaultLogMax = 10 * 1024 * 1024;
// Below this a file would be rotated every few presses.
inline constexpr std::uint64_t kMinLogMax = 64 * 1024;
// A few minutes of line-rate chatter while the disk does not take it;
// received bytes may take half of it, so events still find room.
inline constexpr std::size_t kMaxQueuedBytes = 1024 * 1024;
// How long the writer gathers lines before it writes them, and how many bytes
// make it write at once.
inline constexpr std::chrono::milliseconds kGatherTime{20};
inline constexpr std::size_t kGatherBytes = 64 * 1024;
// How often a stopped log tries its file again.
inline constexpr std::chrono::seconds kRetryStopped{2};
// How long the end, or the opening, waits for a writer that does not answer.
inline constexpr std::chrono::milliseconds kEndWait{2000};

struct SessionLogOptions {
  std::uint64_t maxBytes = kDefaultLogMax;  // a file that would grow past this is rotated
  std::string header;                       // the first line of every file; none if empty
  // Told once, on the writer's thread, why the log stopped the first time.
  std::function<void(const std::string&)> onStopped;
  // How often a stopped log tries its file again.
  std::chrono::milliseconds retryStopped = kRetryStopped;
  // The program that makes the file calls (qd40-log-writer); this process
  // makes them when empty.
  std::string writer;
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

  // Queues one line, stamped with the time now; the newline is added there.
  // Whatever the text holds, it stays one line (see renderText).
  void write(std::string_view text);
  // Queues bytes sent (LogEntryKind::Sent) or received on the port `label`.
  void writeBytes(LogEntryKind kind, std::string_view label, std::string_view bytes);
  const std::string& path() const { return m_path; }

 private:
  // The tests' view of the queue: waiting until it is written, and its size.
  friend class SessionLogProbe;

  struct Stop {
    std::chrono::system_clock::time_point at;
    std::string why;
    std::chrono::steady_clock::time_point lastTry;
    std::uint64_t lines = 0, bytes = 0;  // not logged since
  };

  SessionLog(std::unique_ptr<LogCalls> calls, LogFile file, std::string path,
             SessionLogOptions options);
  void queue(LogEntry entry);
  void run();
  // The writer's side, on its thread alone.
  void render(const LogEntry& entry, std::vector<std::string>& lines);
  void countsInto(std::vector<std::string>& lines, std::chrono::system_clock::time_point at);
  void put(std::vector<std::string> lines);
  std::size_t putShared(std::string prefix, const std::vector<std::string>& lines);
  std::string rotated(bool& failed);
  bool writeOut(const std::string& text, std::uint64_t at, std::size_t& kept);
  void stop(const std::string& why);
  void tellUnwritten() const;
  std::string reopened(LogFile::Moved moved) const;

  std::unique_ptr<LogCalls> m_calls;  // outlives the file
  LogFile m_file;
  const std::string m_path;
  const SessionLogOptions m_options;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_drained;
  std::deque<LogEntry> m_queue;
  std::size_t m_queuedBytes = 0;
  std::uint64_t m_unqueuedBytes = 0;     // since the last count went into the queue
  std::uint64_t m_unqueuedReceived = 0;  // the same, of received bytes
  bool m_writing = false;
  bool m_finished = false;  // the writer's thread is done
  bool m_idle = false;      // the writer waits for a line
  int m_waiting = 0;        // those waiting for the queue to be written, who hurry the writer
  std::atomic<bool> m_closing = false;
  bool m_behindTold = false;
  // The writer thread's own.
  ReceivedBudget m_budget;
  std::uint64_t m_unloggedBytes = 0, m_unloggedReceived = 0;  // not yet counted in the file
  std::optional<Stop> m_stop;
  bool m_stopTold = false;
  bool m_rotationFailureTold = false;
  std::thread m_writer;
};

// A file size for --log-max: a number of bytes, or of KiB, MiB or GiB with K,
// M or G after it ("500K", "10M", "1G"); nothing for anything else or for
// less than kMinLogMax.
std::optional<std::uint64_t> parseLogSize(std::string_view text);

}  // namespace qd40
