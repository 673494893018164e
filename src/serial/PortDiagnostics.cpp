// Finds out why a serial device will not open, and says so with the fix.
#include "serial/PortDiagnostics.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "serial/PortProbe.h"

namespace qd40 {

namespace {

constexpr std::size_t kLongestFileName = NAME_MAX;

std::string userName() {
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? user->pw_name : "$USER";
}

std::string groupName(gid_t gid) {
  const group* entry = getgrgid(gid);
  return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

// Whether this process has `gid` among its groups now.
bool sessionHasGroup(gid_t gid) {
  if (getegid() == gid) return true;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
  const int count = getgroups(static_cast<int>(groups.size()), groups.data());
  return std::find(groups.begin(), groups.begin() + std::max(count, 0), gid) !=
         groups.begin() + std::max(count, 0);
}

// Whether the user database lists this user in `gid`.
bool userListedInGroup(gid_t gid) {
  const passwd* user = getpwuid(getuid());
  if (user == nullptr) return false;
  int count = 0;
  getgrouplist(user->pw_name, user->pw_gid, nullptr, &count);
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
  getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count);
  return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

Diagnosis permission(Diagnosis diagnosis, const struct stat& info) {
  diagnosis.failure = OpenFailure::Permission;
  const passwd* owner = getpwuid(info.st_uid);
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  diagnosis.owner = "owner " +
                    (owner != nullptr ? std::string(owner->pw_name) : std::to_string(info.st_uid)) +
                    ", group " + groupName(info.st_gid) + ", mode " + mode;
  // Joining the group helps only when the group may read and write the node,
  // and the group is not root's.
  const bool groupMayUse = (info.st_mode & S_IRGRP) && (info.st_mode & S_IWGRP);
  if (groupMayUse && info.st_gid != 0 && !sessionHasGroup(info.st_gid)) {
    diagnosis.group = groupName(info.st_gid);
    diagnosis.groupMember = userListedInGroup(info.st_gid);
  }
  return diagnosis;
}

Diagnosis failing(OpenFailure failure, Diagnosis diagnosis) {
  diagnosis.failure = failure;
  return diagnosis;
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
      if (scan.holder) {
        diagnosis.holder = *scan.holder;
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

std::string joinDevices(const std::vector<std::string>& devices) {
  if (devices.empty()) return "none found";
  std::string out;
  for (const std::string& device : devices) out += (out.empty() ? "" : ", ") + device;
  return out;
}

std::string describeExclusive(const Diagnosis& diagnosis) {
  const std::string clear = "sudo perl -e 'open(my $f, \"+<\", \"" + diagnosis.path +
                            "\") or die $!; ioctl($f, " + std::to_string(TIOCNXCL) +
                            ", 0) or die $!'";
  if (!diagnosis.pseudoTerminal) {
    return "refused as busy: a program of another user holds it in exclusive mode. Close it, "
           "then choose the port again.";
  }
  const std::string left =
      "left in exclusive mode by a program that ended without closing it, so that only root can "
      "open it until the program that made the pseudo-terminal closes it";
  const std::string fix =
      "Restart the program that provides the pseudo-terminal, or clear the "
      "mode as root: " +
      clear;
  if (diagnosis.sawAllProcesses) return "refused as busy: it was " + left + ". " + fix + ".";
  return "refused as busy: a program of another user holds it in exclusive mode, or it was " +
         left + ". In that case: " + fix + ".";
}

}  // namespace

std::optional<Diagnosis> foreignLock(const std::string& configured, const std::string& path) {
  for (const LockFile& lock : findLockFiles(configured, path)) {
    if (!lock.alive || lock.pid == getpid()) continue;
    Diagnosis diagnosis;
    diagnosis.failure = OpenFailure::InUse;
    diagnosis.path = path;
    diagnosis.lockPath = lock.path;
    diagnosis.holder = describeProcess(lock.pid);
    return diagnosis;
  }
  return std::nullopt;
}

Diagnosis diagnoseOpenFailure(const std::string& configured, const std::string& detail) {
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
    diagnosis.detail = std::strerror(error);
    return diagnosis;
  }
  diagnosis.path = openablePath(configured);
  if (diagnosis.path.empty() || stat(diagnosis.path.c_str(), &info) != 0)
    return failing(OpenFailure::Missing, diagnosis);
  if (!isTerminal(info)) return failing(OpenFailure::NotSerial, diagnosis);
  if (!pathIsUtf8(diagnosis.path)) return failing(OpenFailure::NotUtf8, diagnosis);
  if (access(diagnosis.path.c_str(), R_OK | W_OK) != 0) return permission(diagnosis, info);

  const std::vector<LockFile> locks = findLockFiles(configured, diagnosis.path);
  for (const LockFile& lock : locks) {
    if (!lock.alive) continue;
    diagnosis.lockPath = lock.path;
    diagnosis.holder = describeProcess(lock.pid);
    return failing(OpenFailure::InUse, diagnosis);
  }
  // Only the serial library's own lock stops its open; a dead one it could
  // not remove is the cause.
  const std::string ownLock = "/" + qtLockName(diagnosis.path);
  for (const LockFile& lock : locks) {
    if (lock.path.size() < ownLock.size() ||
        lock.path.compare(lock.path.size() - ownLock.size(), ownLock.size(), ownLock) != 0) {
      continue;
    }
    struct stat lockInfo {};
    diagnosis.lockOwnedByUs =
        stat(lock.path.c_str(), &lockInfo) == 0 && lockInfo.st_uid == geteuid();
    diagnosis.lockPath = lock.path;
    diagnosis.holder = Process{lock.pid, "", ""};
    return failing(OpenFailure::StaleLock, diagnosis);
  }
  if (qtLockName(diagnosis.path).size() > kLongestFileName) {
    diagnosis.length = qtLockName(diagnosis.path).size();
    diagnosis.lockName = true;
    return failing(OpenFailure::NameTooLong, diagnosis);
  }
  return trialOpen(diagnosis, info);
}

std::string describeOpenFailure(const PortIdentity& port, const Diagnosis& diagnosis) {
  const std::string where =
      "COM" + std::to_string(port.number) + " (" + printablePath(port.device) + ")";
  const std::string node = printablePath(diagnosis.path);
  switch (diagnosis.failure) {
    case OpenFailure::Missing:
      return where + ": no such device. " +
             otherDeviceAdvice(port, "Set " + port.variable +
                                         " to the projector's serial device, for example " +
                                         port.variable + "=/dev/ttyUSB0.") +
             " Serial devices on this machine: " + joinDevices(listSerialDevices()) + ".";
    case OpenFailure::NotSerial:
      return where + ": not a serial device. " +
             otherDeviceAdvice(port, "Set " + port.variable + " to the projector's serial device.");
    case OpenFailure::Permission:
      if (diagnosis.group.empty()) {
        return where + ": permission denied (" + diagnosis.owner +
               "). Its mode gives no group both read and write access, so joining a group "
               "would not help.";
      }
      if (diagnosis.groupMember) {
        return where + ": permission denied (" + diagnosis.owner + "). Your user is in the " +
               diagnosis.group +
               " group, but this session began before it joined: log out and log in again.";
      }
      return where + ": permission denied (" + diagnosis.owner + "). Add your user to the " +
             diagnosis.group + " group with 'sudo usermod -aG " + diagnosis.group + " " +
             userName() + "', then log out and log in again.";
    case OpenFailure::InUse:
      return where + ": in use by " + holderText(diagnosis.holder) +
             ". Close it, then choose the port again.";
    case OpenFailure::StaleLock:
      // A lock file without a process number was left by a program that
      // ended while it was taking the port.
      return where + ": locked by " + printablePath(diagnosis.lockPath) +
             (diagnosis.holder.pid > 0
                  ? ", left by process " + std::to_string(diagnosis.holder.pid) +
                        ", which no longer runs"
                  : ", which names no process: a program ended while taking the port") +
             ". Remove it with '" + (diagnosis.lockOwnedByUs ? "rm " : "sudo rm ") +
             printablePath(diagnosis.lockPath) + "', then choose the port again.";
    case OpenFailure::Exclusive:
      return where + ": " + describeExclusive(diagnosis);
    case OpenFailure::NameTooLong:
      if (diagnosis.lockName) {
        return where + ": the device's path " + node + " is too long to name its lock file (" +
               std::to_string(diagnosis.length) + " bytes, at most " +
               std::to_string(kLongestFileName) +
               "). Use a device node with a shorter path; a link is not enough, because links "
               "are followed to the device.";
      }
      return where + ": the path is too long (" + std::to_string(diagnosis.length) + " bytes). " +
             otherDeviceAdvice(port, "Set " + port.variable + " to a shorter path of the device.");
    case OpenFailure::NotUtf8:
      return where + ": the device's path " + node +
             " is not valid UTF-8, which the serial library cannot open. Give the device node a "
             "UTF-8 name.";
    case OpenFailure::Other:
      break;
  }
  return where + ": cannot be opened (" + diagnosis.detail + ").";
}

std::string describeLostPort(const PortIdentity& port, const std::string& detail) {
  return "COM" + std::to_string(port.number) + " (" + printablePath(port.device) +
         "): the connection was lost (" + detail +
         "). Check the cable or adapter; the next command opens the port again.";
}

}  // namespace qd40
