#pragma once
// The session log's file, opened with care because the panel may run as root
// and be pointed at a place others can write to, such as a sticky /tmp:
// - no symbolic link is followed, anywhere on the path, unless it belongs to
//   the user running the panel or to root, so nobody can plant a link that
//   turns the log into an append to a file of root's;
// - only a regular file is taken, and it is opened without waiting, so a FIFO
//   nobody reads cannot hold the window, nor a device take the log's lines;
// - a file that belongs to another user (not the one running the panel, not
//   root) is refused, since that user could read and forge the record;
// - a new file is readable and writable by its owner alone (0600).
// The file is rotated in the directory it was found in, not where a link
// stood. Several panels may append to one file: they take turns by a lock on
// it, and each notices when the name no longer stands for the file it holds
// (rotated by another panel, or removed) and opens it again. Writing to it is
// the caller's business. Every call on the file and its folders is made
// through the LogCalls given, which outlive it.
#include <cstdint>
#include <optional>
#include <string>

#include "log/LogCalls.h"

namespace qd40 {

class LogFile final {
 public:
  // The file at `path`, created if missing; nothing, with the operator's
  // words in `error`, when it may not or cannot be opened.
  static std::optional<LogFile> open(const std::string& path, std::string& error, LogCalls& calls);
  // A descriptor opened elsewhere, such as a pipe; it is never rotated.
  static LogFile adopt(int fd, LogCalls& calls) { return LogFile(calls, fd, -1, {}); }

  LogFile(LogFile&& other) noexcept;
  LogFile& operator=(LogFile&& other) noexcept;
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  ~LogFile();

  int fd() const { return m_fd; }
  ssize_t write(const char* data, std::size_t size) { return m_calls->write(m_fd, data, size); }
  std::uint64_t size() const;
  bool canRotate() const { return m_dirFd >= 0; }
  // The file's own name in its directory, with every link resolved.
  const std::string& name() const { return m_name; }
  // Renames the file to NAME.1, replacing an older NAME.1, and goes on in a
  // new, empty NAME; false, with the reason, when either step fails.
  bool rotate(std::string& error);

  // What became of the file the name stood for when it was opened: still
  // there, rotated to NAME.1 by another writer, renamed elsewhere, removed.
  enum class Moved { No, Rotated, Renamed, Removed };
  Moved moved() const;
  // Goes on in whatever file the name stands for now, creating it if need
  // be; false, with the reason, when it may not or cannot be opened.
  bool reopen(std::string& error);

  // Takes turns with other writers of the same file; waits for them. The
  // turn is kept across rotate() and reopen().
  void lock();
  void unlock();
  // Cuts the file back to `size` bytes, so a line the disk took only in
  // part is not left cut in the middle.
  void truncate(std::uint64_t size) const;

 private:
  LogFile(LogCalls& calls, int fd, int dirFd, std::string name)
      : m_calls(&calls), m_fd(fd), m_dirFd(dirFd), m_name(std::move(name)) {}
  void closeAll();
  void lockFd(int fd);

  LogCalls* m_calls;
  int m_fd = -1;
  int m_dirFd = -1;
  std::string m_name;
  bool m_locked = false;
};

}  // namespace qd40
