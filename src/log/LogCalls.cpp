// The session log's file calls, here or in the writer process.
#include "log/LogCalls.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace qd40 {

namespace {

struct CallHead {
  LogCalls::Op op;
  int fd, flags;
  std::int64_t number;
  std::uint64_t nameSize, dataSize;
};
struct AnswerHead {
  std::int64_t value;
  int error;
  struct stat info;
  std::uint64_t textSize;
};

// Both ends wait for each other in turn, so a stream socket carries whole
// messages; MSG_NOSIGNAL keeps a vanished peer from killing the sender.
bool sendAll(int socket, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::send(socket, bytes, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Waits at most `timeout` ms for each piece (-1: as long as it takes).
bool receiveAll(int socket, void* data, std::size_t size, int timeout = -1) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    pollfd ready{socket, POLLIN, 0};
    const int polled = ::poll(&ready, 1, timeout);
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return false;
    const ssize_t n = ::recv(socket, bytes, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool receiveText(int socket, std::string& text, std::uint64_t size, int timeout = -1) {
  text.resize(size);
  return size == 0 || receiveAll(socket, text.data(), size, timeout);
}

}  // namespace

LogCalls::LogCalls(const std::string& writer, std::string& error) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    error = std::strerror(errno);
    return;
  }
  // The writer's end is its standard input; it has no output and no
  // terminal, and signals from the terminal do not reach it.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  std::string program = writer;
  char* argv[] = {program.data(), nullptr};
  const int failed = ::posix_spawn(&m_writer, writer.c_str(), &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(ends[1]);
  if (failed != 0) {
    error = writer + ": " + std::strerror(failed);
    m_writer = -1;
    ::close(ends[0]);
    return;
  }
  m_socket = ends[0];
}

LogCalls::~LogCalls() {
  if (m_socket < 0) return;
  // The writer ends when it finds the socket closed; one given up was killed
  // and is reaped by whoever inherits it, when its filesystem lets it go.
  ::close(m_socket);
  if (!m_abandoned) {
    while (::waitpid(m_writer, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

void LogCalls::abandon() {
  if (m_socket < 0 || m_abandoned.exchange(true)) return;
  ::shutdown(m_socket, SHUT_RDWR);
  ::kill(m_writer, SIGKILL);
}

LogCalls::Answer LogCalls::made(const Call& call) {
  if (m_socket < 0) return perform(call);
  Answer answer;
  answer.error = ETIMEDOUT;
  if (m_abandoned) return answer;
  const CallHead head{call.op,     call.fd,          call.flags,
                      call.number, call.name.size(), call.data.size()};
  AnswerHead got{};
  const int limit = m_limit;
  if (!sendAll(m_socket, &head, sizeof head) ||
      !sendAll(m_socket, call.name.data(), call.name.size()) ||
      !sendAll(m_socket, call.data.data(), call.data.size()) ||
      !receiveAll(m_socket, &got, sizeof got, limit) ||
      !receiveText(m_socket, answer.text, got.textSize, limit)) {
    abandon();
    return answer;
  }
  answer.value = got.value;
  answer.error = got.error;
  answer.info = got.info;
  return answer;
}

LogCalls::Answer LogCalls::perform(const Call& call) {
  Answer answer;
  const char* name = call.name.c_str();
  switch (call.op) {
    case Op::Open:
      answer.value = ::openat(call.fd, name, call.flags, static_cast<mode_t>(call.number));
      break;
    case Op::Stat:
      answer.value = ::fstatat(call.fd, name, &answer.info,
                               call.name.empty() ? call.flags | AT_EMPTY_PATH : call.flags);
      break;
    case Op::ReadLink: {
      std::vector<char> target(4096);
      answer.value = ::readlinkat(call.fd, name, target.data(), target.size());
      if (answer.value > 0 && static_cast<std::size_t>(answer.value) < target.size()) {
        answer.text.assign(target.data(), static_cast<std::size_t>(answer.value));
      }
      break;
    }
    case Op::Rename:
      answer.value = ::renameat(call.fd, name, call.fd, call.data.c_str());
      break;
    case Op::Write:
      answer.value = ::write(call.fd, call.data.data(), call.data.size());
      break;
    case Op::Truncate:
      answer.value = ::ftruncate(call.fd, static_cast<off_t>(call.number));
      break;
    case Op::Lock:
      answer.value = ::flock(call.fd, call.flags);
      break;
    case Op::Close:
      answer.value = ::close(call.fd);
      break;
  }
  answer.error = answer.value < 0 ? errno : 0;
  return answer;
}

int LogCalls::serve(int socket) {
  for (;;) {
    CallHead head{};
    Call call;
    if (!receiveAll(socket, &head, sizeof head) || !receiveText(socket, call.name, head.nameSize) ||
        !receiveText(socket, call.data, head.dataSize)) {
      return 0;
    }
    call.op = head.op;
    call.fd = head.fd;
    call.flags = head.flags;
    call.number = head.number;
    const Answer answer = perform(call);
    const AnswerHead back{answer.value, answer.error, answer.info, answer.text.size()};
    if (!sendAll(socket, &back, sizeof back) ||
        !sendAll(socket, answer.text.data(), answer.text.size())) {
      return 0;
    }
  }
}

namespace {

int result(const LogCalls::Answer& answer) {
  if (answer.value < 0) errno = answer.error;
  return static_cast<int>(answer.value);
}

}  // namespace

int LogCalls::open(int dir, const std::string& name, int flags, mode_t mode) {
  return result(made({Op::Open, dir, flags, mode, name, {}}));
}

int LogCalls::stat(int fd, const std::string& name, struct stat& info, int flags) {
  const Answer answer = made({Op::Stat, fd, flags, 0, name, {}});
  info = answer.info;
  return result(answer);
}

std::string LogCalls::readLink(int fd) {
  const Answer answer = made({Op::ReadLink, fd, 0, 0, {}, {}});
  result(answer);
  return answer.text;
}

int LogCalls::rename(int dir, const std::string& from, const std::string& to) {
  return result(made({Op::Rename, dir, 0, 0, from, to}));
}

ssize_t LogCalls::write(int fd, const char* data, std::size_t size) {
  const Answer answer = made({Op::Write, fd, 0, 0, {}, std::string(data, size)});
  result(answer);
  return static_cast<ssize_t>(answer.value);
}

int LogCalls::truncate(int fd, std::uint64_t size) {
  return result(made({Op::Truncate, fd, 0, static_cast<std::int64_t>(size), {}, {}}));
}

int LogCalls::lock(int fd, int operation) {
  return result(made({Op::Lock, fd, operation, 0, {}, {}}));
}

int LogCalls::close(int fd) {
  return result(made({Op::Close, fd, 0, 0, {}, {}}));
}

}  // namespace qd40
