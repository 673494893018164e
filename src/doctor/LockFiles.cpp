// Finds and reads the lock files of a serial device, and checks each against
// the processes that run now.
#include "doctor/LockFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLockFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "doctor/ProcessScan.h"
#include "protocol/TemporaryFolder.h"
#include "protocol/Utf8.h"

namespace qd40 {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDevPrefix = "/dev/";
// Qt SerialPort's lock folders, in its order; it takes the first that holds
// the lock already or that it may write.
constexpr std::array<const char*, 8> kLockFolders = {
    "/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
    "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
// The kernel keeps this many bytes of a command name, the last one a NUL.
constexpr std::size_t kCommandNameLength = 15;

// What a readable lock records. Qt writes the pid, then the program's name,
// then the host, a line each; uucp-style programs write the pid as text,
// some with the program and user after it on the same line.
void readRecord(const std::string& path, LockFile& lock) {
  if (isValidUtf8(path)) {
    qint64 pid = 0;
    QString name;
    if (QLockFile(QString::fromStdString(path)).getLockInfo(&pid, nullptr, &name)) {
      lock.pid = static_cast<long>(pid);
      lock.name = name.toStdString();
      // The uucp-style line "  1234 minicom alice" is no Qt record; its
      // pid line does not parse as a number and lands below.
      return;
    }
  }
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  std::istringstream fields(line);
  long pid = 0;
  if (fields >> pid && pid > 0) {
    lock.pid = pid;
    fields >> lock.name;
  }
}

bool namesMatch(const std::string& recorded, const std::string& running) {
  return !recorded.empty() && recorded.substr(0, kCommandNameLength) == running;
}

}  // namespace

std::string qtLockName(const std::string& path) {
  std::string name = path.rfind(kDevPrefix, 0) == 0 ? path.substr(kDevPrefix.size()) : path;
  std::replace(name.begin(), name.end(), '/', '_');
  return "LCK.." + name;
}

std::string uucpLockName(const std::string& path) {
  return "LCK.." + fs::path(path).filename().string();
}

std::vector<std::string> lockDirectories(const std::string& temporaryFolder) {
  std::vector<std::string> folders(kLockFolders.begin(), kLockFolders.end());
  std::string last = temporaryFolder.empty() ? kDefaultTemporaryFolder : temporaryFolder;
  while (last.size() > 1 && last.back() == '/') last.pop_back();
  if (std::find(folders.begin(), folders.end(), last) == folders.end()) folders.push_back(last);
  return folders;
}

std::vector<std::string> lockCandidates(const std::string& configured, const std::string& path,
                                        const std::string& temporaryFolder) {
  std::vector<std::string> names = {qtLockName(path), uucpLockName(path)};
  for (const std::string& name : {qtLockName(configured), uucpLockName(configured)}) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  // A folder that is missing holds no lock; one that is another's link
  // (/var/lock is /run/lock) is searched once, under the name Qt uses.
  std::vector<std::pair<dev_t, ino_t>> folders;
  std::vector<std::string> paths;
  for (const std::string& folder : lockDirectories(temporaryFolder)) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) continue;
    const std::pair<dev_t, ino_t> identity{info.st_dev, info.st_ino};
    if (std::find(folders.begin(), folders.end(), identity) != folders.end()) continue;
    folders.push_back(identity);
    for (const std::string& name : names) paths.push_back(folder + "/" + name);
  }
  return paths;
}

LockFile readLockFile(const std::string& path, const std::string& device) {
  LockFile lock;
  lock.path = path;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) lock.owner = info.st_uid;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    // A lock we may not read still stands for a program of its owner.
    lock.state = errno == EACCES ? LockFile::State::Unreadable : LockFile::State::Stale;
    return lock;
  }
  close(fd);
  readRecord(path, lock);
  if (lock.pid <= 0 || !processAlive(lock.pid)) return lock;
  if (lock.pid == getpid()) {
    lock.state = LockFile::State::Held;
    return lock;
  }
  // A process number is reused once its process has ended: the process
  // running under it now holds the lock only if it holds the device.
  const std::string running = describeProcess(lock.pid).name;
  struct stat node {};
  const std::optional<bool> holds =
      stat(device.c_str(), &node) == 0 ? processHoldsDevice(lock.pid, node.st_rdev) : std::nullopt;
  bool held = true;
  if (holds) {
    held = *holds;
  } else if (!lock.name.empty()) {
    held = namesMatch(lock.name, running);
  } else {
    lock.unchecked = true;
  }
  lock.state = held ? LockFile::State::Held : LockFile::State::Stale;
  if (!held) lock.reusedBy = running;
  return lock;
}

std::vector<LockFile> findLockFiles(const std::string& configured, const std::string& path,
                                    const std::string& temporaryFolder) {
  std::vector<LockFile> found;
  for (const std::string& candidate : lockCandidates(configured, path, temporaryFolder)) {
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      found.push_back(readLockFile(candidate, path));
    }
  }
  return found;
}

}  // namespace qd40
