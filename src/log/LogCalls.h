#pragma once
// The calls the session log makes on its file and the folders on the way to
// it, made in this process or by a writer process of the log's own.
//
// A call on a filesystem that hangs (frozen, or a network mount gone away)
// waits in the kernel, and a process with a thread waiting there cannot end
// until the filesystem answers, perhaps never. Made by the writer process,
// such a call holds only that process: the caller waits on a socket, which
// it can give up (abandon()), and the panel ends when it must. The writer is
// a small program of its own (qd40-log-writer), started with posix_spawn
// before any call, in a process group of its own with no terminal, so a
// hung writer keeps neither the panel nor the terminal's pipes. It ends when
// the panel's end of the socket closes, or, killed once abandoned, when its
// filesystem answers.
//
// Descriptors are the writer's: every call on them goes through here.
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace qd40 {

class LogCalls final {
 public:
  // One call and its answer, as they travel between the processes.
  enum class Op : std::int32_t { Open, Stat, ReadLink, Rename, Write, Truncate, Lock, Close };
  struct Call {
    Op op = Op::Close;
    int fd = -1;  // AT_FDCWD for the working folder
    int flags = 0;
    std::int64_t number = 0;  // a mode, a size
    std::string name, data;   // data: the bytes to write, or the new name
  };
  struct Answer {
    std::int64_t value = -1;
    int error = 0;
    struct stat info {};
    std::string text;
  };

  // Calls made in this process.
  LogCalls() = default;
  // Calls made by the writer program at `writer`; in this process, with the
  // reason in `error`, when it cannot be started.
  explicit LogCalls(const std::string& writer, std::string& error);
  LogCalls(const LogCalls&) = delete;
  LogCalls& operator=(const LogCalls&) = delete;
  ~LogCalls();

  int open(int dir, const std::string& name, int flags, mode_t mode = 0);
  // fstatat(); an empty name is the descriptor itself.
  int stat(int fd, const std::string& name, struct stat& info, int flags = 0);
  std::string readLink(int fd);
  int rename(int dir, const std::string& from, const std::string& to);
  ssize_t write(int fd, const char* data, std::size_t size);
  int truncate(int fd, std::uint64_t size);
  int lock(int fd, int operation);
  int close(int fd);

  // Whether the calls are made by a writer process.
  bool separate() const { return m_socket >= 0; }
  // Gives the writer up, from any thread: a call waiting for it and every
  // call after fail at once with ETIMEDOUT, and the writer is killed (a
  // writer waiting in the kernel dies when its filesystem answers).
  void abandon();
  bool abandoned() const { return m_abandoned; }
  // From now on a call the writer does not answer within `milliseconds`
  // gives it up; -1 waits as long as it takes.
  void limitWait(int milliseconds) { m_limit = milliseconds; }

  // The call made here; the writer serves each call with it.
  static Answer perform(const Call& call);
  // The writer program's loop over the descriptor `socket`.
  static int serve(int socket);

 private:
  Answer made(const Call& call);

  int m_socket = -1;
  pid_t m_writer = -1;
  std::atomic<bool> m_abandoned = false;
  std::atomic<int> m_limit = -1;
};

}  // namespace qd40
