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
#include "serial/PortWording.h"

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
      PortMessages::tr("owner %1, group %2, mode %3")
          .arg(wordOf(userNameOf(info.st_uid)), wordOf(groupName(info.st_gid)), QLatin1String(mode))
          .toStdString();
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

QString joinDevices(const std::vector<std::string>& devices) {
  if (devices.empty()) return PortMessages::tr("none found");
  std::string out;
  for (const std::string& device : devices) out += (out.empty() ? "" : ", ") + device;
  return wordOf(out);
}

std::string portName(const PortIdentity& port) {
  return "COM" + std::to_string(port.number) + " (" + printablePath(port.device) + ")";
}

// The fix for a denied node, by whose bits the kernel applies to this user.
std::string describePermissionFix(const Diagnosis& diagnosis, const std::string& node) {
  switch (diagnosis.modeClass) {
    case ModeClass::Owner:
      return PortMessages::tr(
                 "You own it, so the kernel applies the owner's bits, which do not "
                 "allow both reading and writing; joining a group would not help. "
                 "Allow them with 'chmod u+rw %1', then choose the port again.")
          .arg(wordOf(node))
          .toStdString();
    case ModeClass::Group:
      return PortMessages::tr(
                 "Your session is in its group %1, so the kernel applies the group's "
                 "bits, which do not allow both reading and writing; joining another "
                 "group would not help. Allow them with 'sudo chmod g+rw %2', then "
                 "choose the port again.")
          .arg(wordOf(diagnosis.group), wordOf(node))
          .toStdString();
    case ModeClass::Others:
      break;
  }
  if (diagnosis.group.empty()) {
    return PortMessages::tr(
               "Its mode gives no group both read and write access, so joining a "
               "group would not help.")
        .toStdString();
  }
  if (diagnosis.groupMember) {
    return PortMessages::tr(
               "Your user is in the %1 group, but this session began before it "
               "joined: log out and log in again.")
        .arg(wordOf(diagnosis.group))
        .toStdString();
  }
  return PortMessages::tr(
             "Add your user to the %1 group with 'sudo usermod -aG %1 %2', then log "
             "out and log in again.")
      .arg(wordOf(diagnosis.group), wordOf(userName()))
      .toStdString();
}

// Who left a stale lock: a process that has ended, one whose number now
// belongs to an unrelated program, or none at all.
QString describeStaleLock(const Diagnosis& diagnosis) {
  const QString lock = wordOf(printablePath(diagnosis.lockPath));
  const QString pid = QString::number(diagnosis.holder.pid);
  if (diagnosis.holder.pid <= 0) {
    // A lock file without a process number was left by a program that
    // ended while it was taking the port.
    return PortMessages::tr(
               "locked by %1, which names no process: a program ended while taking "
               "the port.")
        .arg(lock);
  }
  if (!diagnosis.reusedBy.empty()) {
    return PortMessages::tr(
               "locked by %1, left by process %2, which no longer runs (the number %2 "
               "now belongs to %3, which does not use the port).")
        .arg(lock, pid, wordOf(diagnosis.reusedBy));
  }
  return PortMessages::tr("locked by %1, left by process %2, which no longer runs.").arg(lock, pid);
}

std::string describeExclusive(const Diagnosis& diagnosis) {
  if (!diagnosis.pseudoTerminal) {
    return PortMessages::tr(
               "refused as busy: a program of another user holds it in exclusive "
               "mode. Close it, then choose the port again.")
        .toStdString();
  }
  const QString clear =
      wordOf("sudo perl -e 'open(my $f, \"+<\", \"" + diagnosis.path + "\") or die $!; ioctl($f, " +
             std::to_string(TIOCNXCL) + ", 0) or die $!'");
  if (diagnosis.sawAllProcesses) {
    return joinSentences(
        {PortMessages::tr("refused as busy: it was left in exclusive mode by a program that ended "
                          "without closing it, so that only root can open it until the program "
                          "that made the pseudo-terminal closes it."),
         PortMessages::tr("Restart the program that provides the pseudo-terminal, or clear the "
                          "mode as root: %1.")
             .arg(clear)});
  }
  return joinSentences(
      {PortMessages::tr("refused as busy: a program of another user holds it in exclusive mode, "
                        "or it was left in exclusive mode by a program that ended without "
                        "closing it, so that only root can open it until the program that made "
                        "the pseudo-terminal closes it."),
       PortMessages::tr("In that case: Restart the program that provides the pseudo-terminal, or "
                        "clear the mode as root: %1.")
           .arg(clear)});
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
  const std::string where = portName(port) + ": ";
  const QString node = wordOf(printablePath(diagnosis.path));
  const QString variable = wordOf(port.variable);
  const auto advice = [&port](const QString& throughSetting) {
    return wordOf(otherDeviceAdvice(port, throughSetting.toStdString()));
  };
  switch (diagnosis.failure) {
    case OpenFailure::Missing:
      return where +
             joinSentences({PortMessages::tr("no such device."),
                            advice(PortMessages::tr("Set %1 to the projector's serial device, for "
                                                    "example %1=/dev/ttyUSB0.")
                                       .arg(variable)),
                            PortMessages::tr("Serial devices on this machine: %1.")
                                .arg(joinDevices(listSerialDevices()))});
    case OpenFailure::NotSerial:
      return where +
             joinSentences(
                 {PortMessages::tr("not a serial device."),
                  advice(
                      PortMessages::tr("Set %1 to the projector's serial device.").arg(variable))});
    case OpenFailure::Permission:
      return where + joinSentences(
                         {PortMessages::tr("permission denied (%1).").arg(wordOf(diagnosis.owner)),
                          wordOf(describePermissionFix(diagnosis, node.toStdString()))});
    case OpenFailure::InUse:
      if (diagnosis.lockUnreadable) {
        return where +
               PortMessages::tr(
                   "in use by a program of user %1; its lock file cannot be "
                   "read (%2). Ask %1 to close it, then choose the port "
                   "again.")
                   .arg(wordOf(diagnosis.holder.user), wordOf(printablePath(diagnosis.lockPath)))
                   .toStdString();
      }
      return where + PortMessages::tr("in use by %1. Close it, then choose the port again.")
                         .arg(wordOf(holderText(diagnosis.holder)))
                         .toStdString();
    case OpenFailure::StaleLock:
      return where +
             joinSentences({describeStaleLock(diagnosis),
                            PortMessages::tr("Remove it with '%1', then choose the port again.")
                                .arg(wordOf((diagnosis.lockOwnedByUs ? "rm " : "sudo rm ") +
                                            printablePath(diagnosis.lockPath)))});
    case OpenFailure::Exclusive:
      return where + describeExclusive(diagnosis);
    case OpenFailure::NameTooLong:
      if (diagnosis.lockName) {
        return where +
               PortMessages::tr(
                   "the device's path %1 is too long to name its lock file "
                   "(%2 bytes, at most %3). Use a device node with a shorter "
                   "path; a link is not enough, because links are followed "
                   "to the device.")
                   .arg(node, QString::number(diagnosis.length), QString::number(kLongestFileName))
                   .toStdString();
      }
      return where +
             joinSentences(
                 {PortMessages::tr("the path is too long (%1 bytes).").arg(diagnosis.length),
                  advice(PortMessages::tr("Set %1 to a shorter path of the "
                                          "device.")
                             .arg(variable))});
    case OpenFailure::NotUtf8:
      return where + PortMessages::tr(
                         "the device's path %1 is not valid UTF-8, which the serial "
                         "library cannot open. Give the device node a UTF-8 name.")
                         .arg(node)
                         .toStdString();
    case OpenFailure::Other:
      break;
  }
  return where +
         PortMessages::tr("cannot be opened (%1).").arg(wordOf(diagnosis.detail)).toStdString();
}

std::string describeLostPort(const PortIdentity& port, LineState state, const std::string& node) {
  const std::string where = portName(port) + ": ";
  const QString gone = wordOf(printablePath(node));
  switch (state) {
    case LineState::Removed:
      return where + PortMessages::tr(
                         "the device was removed (%1 is gone). Plug it in again; the "
                         "next command opens the port again.")
                         .arg(gone)
                         .toStdString();
    case LineState::Closed:
      return where + PortMessages::tr(
                         "the device was removed (%1 is gone: the program that made "
                         "the pseudo-terminal closed it). Start it again; the next "
                         "command opens the port again.")
                         .arg(gone)
                         .toStdString();
    case LineState::Renamed:
      return where + PortMessages::tr(
                         "the device was removed (%1 now stands for another device). "
                         "Plug it in again; the next command opens the port again.")
                         .arg(gone)
                         .toStdString();
    case LineState::HungUp:
    case LineState::Working:
      break;
  }
  return where + PortMessages::tr(
                     "the device is present but hung up, so the line carries nothing "
                     "more. Check the cable or adapter; the next command opens the "
                     "port again.")
                     .toStdString();
}

std::string describeOtherReaders(const PortIdentity& port, const std::vector<Process>& readers,
                                 bool sawAllProcesses) {
  const std::string where = portName(port) + ": ";
  if (readers.empty()) {
    if (sawAllProcesses) return {};
    return where + PortMessages::tr(
                       "another program, of a user whose open files cannot be seen, "
                       "reads this port; it may take the replies.")
                       .toStdString();
  }
  std::string names;
  for (const Process& reader : readers) names += (names.empty() ? "" : ", ") + holderText(reader);
  if (readers.size() == 1) {
    return where + PortMessages::tr(
                       "another program reads this port: %1; it may take the "
                       "replies. Close it so that every reply reaches the panel.")
                       .arg(wordOf(names))
                       .toStdString();
  }
  return where + PortMessages::tr(
                     "other programs read this port: %1; they may take the replies. "
                     "Close them so that every reply reaches the panel.")
                     .arg(wordOf(names))
                     .toStdString();
}

}  // namespace qd40
