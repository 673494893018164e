// Opens and rotates the session log's file.
#include "log/LogFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

#include "wording/PortWording.h"

namespace qd40 {

namespace {

// The translations' context of what is said about the log file. The lines
// written into the log stay in English.
struct LogWords {
  Q_DECLARE_TR_FUNCTIONS(LogWords)
};

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// Writing never waits on open(): a FIFO without a reader fails at once
// instead of holding the window, and the mode is checked right after.
constexpr int kWriteFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr mode_t kNewFileMode = 0600;

class Descriptor final {
 public:
  Descriptor(LogCalls& calls, int fd) : m_calls(calls), m_fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { reset(-1); }
  void reset(int fd) {
    if (m_fd >= 0) m_calls.close(m_fd);
    m_fd = fd;
  }
  int get() const { return m_fd; }
  int release() { return std::exchange(m_fd, -1); }

 private:
  LogCalls& m_calls;
  int m_fd;
};

std::deque<std::string> components(const std::string& path) {
  std::deque<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (end > start && path.compare(start, end - start, ".") != 0) {
      parts.push_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return parts;
}

std::string joined(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  return directory.back() == '/' ? directory + name : directory + '/' + name;
}

std::string ownerName(uid_t uid) {
  passwd entry{};
  passwd* found = nullptr;
  std::vector<char> buffer(4096);
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return LogWords::tr("with id %1").arg(uid).toStdString();
}

// A link the user running the panel or root made can be trusted to point
// where they meant; anyone else's may point at a file they could not write.
// A file of anyone else's may be read and rewritten by them.
bool trusted(uid_t owner) {
  return owner == ::geteuid() || owner == 0;
}

QString kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return LogWords::tr("a directory");
  if (S_ISFIFO(mode)) return LogWords::tr("a named pipe (FIFO)");
  if (S_ISSOCK(mode)) return LogWords::tr("a socket");
  return LogWords::tr("a device");
}

QString othersFile(const QString& shownPath, uid_t owner) {
  return LogWords::tr(
             "The session log %1 is not opened: it belongs to the user %2, not to you "
             "or root, who could read and change what the panel writes into it. Remove "
             "it or choose another file.")
      .arg(shownPath, QString::fromStdString(ownerName(owner)));
}

}  // namespace

std::optional<LogFile> LogFile::open(const std::string& path, std::string& error, LogCalls& calls) {
  const QString shownPath = QString::fromStdString(path);
  const auto fail = [&](const QString& why) -> std::optional<LogFile> {
    error = joinSentences({why, LogWords::tr("The panel runs without a log.")});
    return std::nullopt;
  };
  const auto failWith = [&](int code) {
    if (calls.abandoned()) {
      return fail(LogWords::tr("The session log %1 cannot be opened: its filesystem does not "
                               "answer.")
                      .arg(shownPath));
    }
    return fail(LogWords::tr("The session log %1 cannot be opened: %2.")
                    .arg(shownPath, QString::fromLocal8Bit(std::strerror(code))));
  };
  const auto notAFile = [&](mode_t mode) {
    return fail(LogWords::tr("The session log %1 is %2, not a file; the log is written only to a "
                             "regular file.")
                    .arg(shownPath, kindOf(mode)));
  };

  // The path is walked one name at a time from a directory held open, so
  // that each link is judged before it is followed and nothing can be
  // swapped in between the judging and the following.
  const bool absolute = !path.empty() && path.front() == '/';
  Descriptor directory(
      calls, calls.open(AT_FDCWD, absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  std::string shown = absolute ? "/" : "";
  std::deque<std::string> rest = components(path);
  if (rest.empty()) return notAFile(S_IFDIR);
  int links = 0;
  while (!rest.empty()) {
    const std::string name = std::move(rest.front());
    rest.pop_front();
    Descriptor node(calls, calls.open(directory.get(), name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (node.get() < 0 && !(errno == ENOENT && rest.empty())) return failWith(errno);
    if (node.get() >= 0 && calls.stat(node.get(), {}, info) != 0) return failWith(errno);

    if (node.get() >= 0 && S_ISLNK(info.st_mode)) {
      if (++links > kMaxLinks) return failWith(ELOOP);
      if (!trusted(info.st_uid)) {
        return fail(LogWords::tr("The session log %1 is not opened: the symbolic link %2 "
                                 "belongs to the user %3, not to you or root, so the panel does "
                                 "not follow it. Remove the link or choose another file.")
                        .arg(shownPath, QString::fromStdString(joined(shown, name)),
                             QString::fromStdString(ownerName(info.st_uid))));
      }
      const std::string target = calls.readLink(node.get());
      if (target.empty()) return failWith(errno != 0 ? errno : ENAMETOOLONG);
      std::deque<std::string> spliced = components(target);
      rest.insert(rest.begin(), spliced.begin(), spliced.end());
      if (target.front() == '/') {
        directory.reset(calls.open(AT_FDCWD, "/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        shown = "/";
      }
      if (rest.empty()) return notAFile(S_IFDIR);
      continue;
    }
    if (!rest.empty()) {
      if (!S_ISDIR(info.st_mode)) return failWith(ENOTDIR);
      directory.reset(node.release());
      shown = joined(shown, name);
      continue;
    }
    if (node.get() >= 0 && !S_ISREG(info.st_mode)) return notAFile(info.st_mode);
    if (node.get() >= 0 && !trusted(info.st_uid)) return fail(othersFile(shownPath, info.st_uid));

    Descriptor file(calls, calls.open(directory.get(), name, kWriteFlags | O_CREAT, kNewFileMode));
    if (file.get() < 0 && errno == ELOOP && links < kMaxLinks) {
      // A link was put there since the look above: judge it like any other.
      rest.push_front(name);
      ++links;
      continue;
    }
    if (file.get() < 0) return failWith(errno);
    if (calls.stat(file.get(), {}, info) != 0) return failWith(errno);
    if (!S_ISREG(info.st_mode)) return notAFile(info.st_mode);
    if (!trusted(info.st_uid)) return fail(othersFile(shownPath, info.st_uid));
    return LogFile(calls, file.release(), directory.release(), name);
  }
  return failWith(ENOENT);
}

LogFile::LogFile(LogFile&& other) noexcept
    : m_calls(other.m_calls),
      m_fd(std::exchange(other.m_fd, -1)),
      m_dirFd(std::exchange(other.m_dirFd, -1)),
      m_name(std::move(other.m_name)) {}

LogFile& LogFile::operator=(LogFile&& other) noexcept {
  if (this != &other) {
    closeAll();
    m_calls = other.m_calls;
    m_fd = std::exchange(other.m_fd, -1);
    m_dirFd = std::exchange(other.m_dirFd, -1);
    m_name = std::move(other.m_name);
  }
  return *this;
}

LogFile::~LogFile() {
  closeAll();
}

void LogFile::closeAll() {
  if (m_fd >= 0) m_calls->close(m_fd);
  if (m_dirFd >= 0) m_calls->close(m_dirFd);
  m_fd = m_dirFd = -1;
}

std::uint64_t LogFile::size() const {
  struct stat info {};
  return m_calls->stat(m_fd, {}, info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

bool LogFile::rotate(std::string& error) {
  const std::string previous = m_name + ".1";
  // A log someone removed meanwhile has nothing left to keep.
  if (m_calls->rename(m_dirFd, m_name, previous) != 0 && errno != ENOENT) {
    error = "it cannot be renamed to " + previous + ": " + std::strerror(errno);
    return false;
  }
  return reopen(error);
}

LogFile::Moved LogFile::moved() const {
  struct stat held {
  }, named{};
  if (m_dirFd < 0 || m_calls->stat(m_fd, {}, held) != 0) return Moved::No;
  const auto same = [&](const struct stat& other) {
    return other.st_dev == held.st_dev && other.st_ino == held.st_ino;
  };
  if (m_calls->stat(m_dirFd, m_name, named, AT_SYMLINK_NOFOLLOW) == 0 && same(named)) {
    return Moved::No;
  }
  if (held.st_nlink == 0) return Moved::Removed;
  const std::string previous = m_name + ".1";
  if (m_calls->stat(m_dirFd, previous, named, AT_SYMLINK_NOFOLLOW) == 0 && same(named)) {
    return Moved::Rotated;
  }
  return Moved::Renamed;
}

// The name is opened again in the directory held, never through a link; what
// is found there is judged as at the first opening.
bool LogFile::reopen(std::string& error) {
  Descriptor file(*m_calls, m_calls->open(m_dirFd, m_name, kWriteFlags | O_CREAT, kNewFileMode));
  struct stat info {};
  if (file.get() < 0 || m_calls->stat(file.get(), {}, info) != 0) {
    error = m_name + " cannot be opened: " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    error = m_name + " is no longer a regular file";
    return false;
  }
  if (!trusted(info.st_uid)) {
    error = m_name + " now belongs to the user " + ownerName(info.st_uid) + ", not to you or root";
    return false;
  }
  // The turn goes on in the new file before the old one is let go: writers
  // waiting on the old one find the name moved and come after.
  if (m_locked) lockFd(file.get());
  m_calls->close(m_fd);
  m_fd = file.release();
  return true;
}

void LogFile::lockFd(int fd) {
  while (m_calls->lock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
}

void LogFile::lock() {
  lockFd(m_fd);
  m_locked = true;
}

void LogFile::unlock() {
  m_calls->lock(m_fd, LOCK_UN);
  m_locked = false;
}

void LogFile::truncate(std::uint64_t size) const {
  while (m_calls->truncate(m_fd, size) != 0 && errno == EINTR) {
  }
}

}  // namespace qd40
