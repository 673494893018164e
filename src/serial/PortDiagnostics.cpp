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

#include "protocol/Utf8.h"
#include "serial/PortProbe.h"

namespace qd40 {

namespace {

constexpr std::size_t kLongestFileName = NAME_MAX;

std::string userName() {
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? user->pw_name : "$USER";
}

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
    diagnosis.holder = diagnosis.lockUnreadable ? Process{0, "", userNameOf(lock.owner)}
                                                : describeProcess(lock.pid);
    return diagnosis;
  }
  return std::nullopt;
}

std::string groupName(gid_t gid) {
  const group* entry = getgrgid(gid);
  return entry != nullptr ? entry->gr_name : std::to_string(gid);
}

// Advice for a node this user may not use, from the bits the kernel applies.
Diagnosis permission(Diagnosis diagnosis, const struct stat& info) {
  diagnosis.failure = OpenFailure::Permission;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
  diagnosis.owner =
      "owner " + userNameOf(info.st_uid) + ", group " + groupName(info.st_gid) + ", mode " + mode;
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

std::string joinDevices(const std::vector<std::string>& devices) {
  if (devices.empty()) return "none found";
  std::string out;
  for (const std::string& device : devices) out += (out.empty() ? "" : ", ") + device;
  return out;
}

std::string portName(const PortIdentity& port) {
  return "COM" + std::to_string(port.number) + " (" + printablePath(port.device) + ")";
}

// The fix for a denied node, by whose bits the kernel applies to this user.
std::string describePermissionFix(const Diagnosis& diagnosis, const std::string& node) {
  switch (diagnosis.modeClass) {
    case ModeClass::Owner:
      return "You own it, so the kernel applies the owner's bits, which do not allow both "
             "reading and writing; joining a group would not help. Allow them with 'chmod u+rw " +
             node + "', then choose the port again.";
    case ModeClass::Group:
      return "Your session is in its group " + diagnosis.group +
             ", so the kernel applies the group's bits, which do not allow both reading and "
             "writing; joining another group would not help. Allow them with 'sudo chmod g+rw " +
             node + "', then choose the port again.";
    case ModeClass::Others:
      break;
  }
  if (diagnosis.group.empty()) {
    return "Its mode gives no group both read and write access, so joining a group would not "
           "help.";
  }
  if (diagnosis.groupMember) {
    return "Your user is in the " + diagnosis.group +
           " group, but this session began before it joined: log out and log in again.";
  }
  return "Add your user to the " + diagnosis.group + " group with 'sudo usermod -aG " +
         diagnosis.group + " " + userName() + "', then log out and log in again.";
}

// Who left a stale lock: a process that has ended, one whose number now
// belongs to an unrelated program, or none at all.
std::string describeStaleHolder(const Diagnosis& diagnosis) {
  const std::string pid = std::to_string(diagnosis.holder.pid);
  if (diagnosis.holder.pid <= 0) {
    // A lock file without a process number was left by a program that
    // ended while it was taking the port.
    return ", which names no process: a program ended while taking the port";
  }
  if (!diagnosis.reusedBy.empty()) {
    return ", left by process " + pid + ", which no longer runs (the number " + pid +
           " now belongs to " + diagnosis.reusedBy + ", which does not use the port)";
  }
  return ", left by process " + pid + ", which no longer runs";
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
  Diagnosis diagnosis;
  diagnosis.path = path;
  return heldByLock(findLockFiles(configured, path), diagnosis);
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
  if (!isValidUtf8(diagnosis.path)) return failing(OpenFailure::NotUtf8, diagnosis);
  if (access(diagnosis.path.c_str(), R_OK | W_OK) != 0) return permission(diagnosis, info);

  const std::vector<LockFile> locks = findLockFiles(configured, diagnosis.path);
  if (std::optional<Diagnosis> held = heldByLock(locks, diagnosis)) return *held;
  // Only the serial library's own lock stops its open; a stale one it could
  // not remove is the cause.
  for (const LockFile& lock : locks) {
    if (!isOwnLockName(lock, diagnosis.path)) continue;
    struct stat lockInfo {};
    diagnosis.lockOwnedByUs =
        stat(lock.path.c_str(), &lockInfo) == 0 && lockInfo.st_uid == geteuid();
    diagnosis.lockPath = lock.path;
    diagnosis.holder = Process{lock.pid, "", ""};
    diagnosis.reusedBy = lock.reusedBy;
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
  const std::string where = portName(port);
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
      return where + ": permission denied (" + diagnosis.owner + "). " +
             describePermissionFix(diagnosis, node);
    case OpenFailure::InUse:
      if (diagnosis.lockUnreadable) {
        return where + ": in use by a program of user " + diagnosis.holder.user +
               "; its lock file cannot be read (" + printablePath(diagnosis.lockPath) + "). Ask " +
               diagnosis.holder.user + " to close it, then choose the port again.";
      }
      return where + ": in use by " + holderText(diagnosis.holder) +
             ". Close it, then choose the port again.";
    case OpenFailure::StaleLock:
      return where + ": locked by " + printablePath(diagnosis.lockPath) +
             describeStaleHolder(diagnosis) + ". Remove it with '" +
             (diagnosis.lockOwnedByUs ? "rm " : "sudo rm ") + printablePath(diagnosis.lockPath) +
             "', then choose the port again.";
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

std::string describeLostPort(const PortIdentity& port, LineState state, const std::string& node) {
  const std::string where = portName(port);
  const std::string again = "; the next command opens the port again.";
  switch (state) {
    case LineState::Removed:
      return where + ": the device was removed (" + printablePath(node) +
             " is gone). Plug it in again" + again;
    case LineState::Closed:
      return where + ": the device was removed (" + printablePath(node) +
             " is gone: the program that made the pseudo-terminal closed it). Start it again" +
             again;
    case LineState::Renamed:
      return where + ": the device was removed (" + printablePath(node) +
             " now stands for another device). Plug it in again" + again;
    case LineState::HungUp:
    case LineState::Working:
      break;
  }
  return where +
         ": the device is present but hung up, so the line carries nothing more. Check the "
         "cable or adapter" +
         again;
}

std::string describeOtherReaders(const PortIdentity& port, const std::vector<Process>& readers,
                                 bool sawAllProcesses) {
  const std::string where = portName(port);
  if (readers.empty()) {
    if (sawAllProcesses) return {};
    return where +
           ": another program, of a user whose open files cannot be seen, reads this port; it "
           "may take the replies.";
  }
  std::string names;
  for (const Process& reader : readers) names += (names.empty() ? "" : ", ") + holderText(reader);
  if (readers.size() == 1) {
    return where + ": another program reads this port: " + names +
           "; it may take the replies. Close it so that every reply reaches the panel.";
  }
  return where + ": other programs read this port: " + names +
         "; they may take the replies. Close them so that every reply reaches the panel.";
}

}  // namespace qd40
