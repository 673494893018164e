// Finds out why a serial device will not open.
#include "doctor/PortDiagnostics.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "doctor/DevicePaths.h"
#include "protocol/Utf8.h"

namespace qd40 {

namespace {

bool isOwnLockName(const LockFile& lock, const std::string& path) {
  const std::string own = "/" + qtLockName(path);
  return lock.path.size() >= own.size() &&
         lock.path.compare(lock.path.size() - own.size(), own.size(), own) == 0;
}

// The first lock of another process that holds the device, or that cannot
// be read and so may.
std::optional<Diagnosis> heldByLock(const std::vector<LockFile>& locks, Diagnosis diagnosis) {
  for (const LockFile& lock : locks) {
    if (lock.pid == getpid() || lock.state == LockFile::State::Stale) continue;
    diagnosis.failure = OpenFailure::InUse;
    diagnosis.lockPath = lock.path;
    diagnosis.lockUnreadable = lock.state == LockFile::State::Unreadable;
    diagnosis.lockUnchecked = lock.unchecked;
    // Only a process known to hold the device is named: the one running
    // under an unchecked number may be a bystander.
    if (diagnosis.lockUnreadable) {
      diagnosis.holder = Process{0, "", userNameOf(lock.owner)};
    } else if (lock.unchecked) {
      diagnosis.holder = Process{lock.pid, "", ""};
    } else {
      diagnosis.holder = describeProcess(lock.pid);
    }
    return diagnosis;
  }
  return std::nullopt;
}

std::string groupName(gid_t gid) {
  const group* entry = getgrgid(gid);
  return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

Ownership ownershipOf(const struct stat& info) {
  return {userNameOf(info.st_uid), groupName(info.st_gid),
          static_cast<unsigned>(info.st_mode & 07777)};
}

// Advice for a node this user may not use: what refuses it, and for the
// mode, from the bits the kernel applies.
Diagnosis permission(Diagnosis diagnosis, const struct stat& info) {
  diagnosis.failure = OpenFailure::Permission;
  diagnosis.ownership = ownershipOf(info);
  diagnosis.accessCause = refusalCause(diagnosis.path, info, diagnosis.folder);
  diagnosis.modeClass = modeClassFor(info);
  if (diagnosis.modeClass == ModeClass::Group) diagnosis.group = groupName(info.st_gid);
  // Joining the group helps only a user the others' bits apply to, when the
  // group may read and write the node and is not root's.
  if (diagnosis.modeClass == ModeClass::Others && allowsReadWrite(info.st_mode, ModeClass::Group) &&
      info.st_gid != 0) {
    diagnosis.group = groupName(info.st_gid);
    diagnosis.groupMember = userListedInGroup(info.st_gid);
  }
  return diagnosis;
}

Diagnosis failing(OpenFailure failure, Diagnosis diagnosis) {
  diagnosis.failure = failure;
  return diagnosis;
}

// A node behind a folder this user may not search.
Diagnosis unsearchable(Diagnosis diagnosis) {
  diagnosis.folder = unsearchableFolder(diagnosis.path);
  struct stat info {};
  if (diagnosis.folder.empty() || stat(diagnosis.folder.c_str(), &info) != 0) {
    diagnosis.detail = std::strerror(EACCES);
    return diagnosis;
  }
  diagnosis.ownership = ownershipOf(info);
  diagnosis.accessCause = AccessCause::Folder;
  return failing(OpenFailure::Permission, diagnosis);
}

// Opens the node the way the serial library does and closes it at once: the
// system's own answer tells a busy node from a refused one.
Diagnosis trialOpen(Diagnosis diagnosis, const struct stat& info) {
  const int fd = open(diagnosis.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    close(fd);
    return diagnosis;
  }
  const int error = errno;
  switch (error) {
    case EBUSY: {
      const ProcScan scan = holdersFromProc(diagnosis.path);
      if (!scan.holders.empty()) {
        diagnosis.holder = scan.holders.front();
        return failing(OpenFailure::InUse, diagnosis);
      }
      diagnosis.pseudoTerminal = isPseudoTerminal(info);
      diagnosis.sawAllProcesses = scan.complete;
      return failing(OpenFailure::Exclusive, diagnosis);
    }
    case EACCES:
    case EPERM:
      return permission(diagnosis, info);
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return failing(OpenFailure::Missing, diagnosis);
    default:
      diagnosis.detail = std::strerror(error);
      return diagnosis;
  }
}

}  // namespace

std::size_t longestFileName() {
  return NAME_MAX;
}

std::optional<Diagnosis> foreignLock(const std::string& configured, const std::string& path,
                                     const std::string& temporaryFolder) {
  Diagnosis diagnosis;
  diagnosis.path = path;
  return heldByLock(findLockFiles(configured, path, temporaryFolder), diagnosis);
}

Diagnosis diagnoseOpenFailure(const std::string& configured, const std::string& detail,
                              const std::string& temporaryFolder) {
  Diagnosis diagnosis;
  diagnosis.path = configured;
  diagnosis.detail = detail;
  struct stat info {};
  if (configured.size() >= PATH_MAX) {
    diagnosis.length = configured.size();
    return failing(OpenFailure::NameTooLong, diagnosis);
  }
  if (stat(configured.c_str(), &info) != 0) {
    const int error = errno;
    if (error == ENAMETOOLONG) {
      diagnosis.length = configured.size();
      return failing(OpenFailure::NameTooLong, diagnosis);
    }
    if (error == ENOENT || error == ENOTDIR || error == ELOOP)
      return failing(OpenFailure::Missing, diagnosis);
    if (error == EACCES) return unsearchable(diagnosis);
    diagnosis.detail = std::strerror(error);
    return diagnosis;
  }
  diagnosis.path = openablePath(configured);
  if (diagnosis.path.empty() || stat(diagnosis.path.c_str(), &info) != 0)
    return failing(OpenFailure::Missing, diagnosis);
  if (!isTerminal(info)) return failing(OpenFailure::NotSerial, diagnosis);
  if (!isValidUtf8(diagnosis.path)) return failing(OpenFailure::NotUtf8, diagnosis);
  if (access(diagnosis.path.c_str(), R_OK | W_OK) != 0) return permission(diagnosis, info);

  const std::vector<LockFile> locks = findLockFiles(configured, diagnosis.path, temporaryFolder);
  if (std::optional<Diagnosis> held = heldByLock(locks, diagnosis)) return *held;
  // Only the serial library's own lock stops its open; a stale one it could
  // not remove is the cause.
  for (const LockFile& lock : locks) {
    // A lock of this very process is live, whatever name it was taken by:
    // it is never one to remove.
    if (!isOwnLockName(lock, diagnosis.path) || lock.pid == getpid()) continue;
    struct stat lockInfo {};
    diagnosis.lockOwnedByUs =
        stat(lock.path.c_str(), &lockInfo) == 0 && lockInfo.st_uid == geteuid();
    diagnosis.lockPath = lock.path;
    diagnosis.holder = Process{lock.pid, "", ""};
    diagnosis.reusedBy = lock.reusedBy;
    return failing(OpenFailure::StaleLock, diagnosis);
  }
  if (qtLockName(diagnosis.path).size() > longestFileName()) {
    diagnosis.length = qtLockName(diagnosis.path).size();
    diagnosis.lockName = true;
    return failing(OpenFailure::NameTooLong, diagnosis);
  }
  return trialOpen(diagnosis, info);
}

std::string refusalStamp(const std::string& device, const std::string& path,
                         const std::string& temporaryFolder) {
  std::vector<std::string> nodes = {device, path, "/dev", "/dev/serial/by-id"};
  // The candidates name the lock folders there are, so a folder made later
  // changes the stamp too.
  for (std::string& lock : lockCandidates(device, path.empty() ? device : path, temporaryFolder)) {
    nodes.push_back(std::move(lock));
  }
  return nodeStamp(nodes);
}

std::string failureSignature(const PortIdentity& port, const std::string& path, int libraryError,
                             const std::string& temporaryFolder) {
  return std::to_string(port.number) + '\n' + std::to_string(libraryError) + '\n' +
         refusalStamp(port.device, path, temporaryFolder);
}

}  // namespace qd40
