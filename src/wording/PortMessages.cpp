// Says what is wrong with a serial device, and how to mend it.
#include "wording/PortMessages.h"

#include <pwd.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cstdio>

#include "doctor/DevicePaths.h"
#include "protocol/Utf8.h"
#include "wording/PortWording.h"

namespace qd40 {

namespace {

std::string userName() {
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? user->pw_name : "$USER";
}

QString joinDevices(const std::vector<std::string>& devices) {
  if (devices.empty()) return PortMessages::tr("none found");
  std::string out;
  for (const std::string& device : devices) out += (out.empty() ? "" : ", ") + device;
  return wordOf(out);
}

// A sentence in the panel's words or in a command's: the window keeps the
// port and opens it on a choice; a command is simply run again. Each wording
// is a whole sentence of its own, so that each is translated whole.
QString byUser(const PortIdentity& port, const QString& panel, const QString& command) {
  return port.user == PortUser::Panel ? panel : command;
}

// The fix for a denied node, by whose bits the kernel applies to this user.
std::string describePermissionFix(const PortIdentity& port, const Diagnosis& diagnosis,
                                  const std::string& node) {
  switch (diagnosis.modeClass) {
    case ModeClass::Owner:
      return byUser(port,
                    PortMessages::tr(
                        "You own it, so the kernel applies the owner's bits, which do not "
                        "allow both reading and writing; joining a group would not help. "
                        "Allow them with 'chmod u+rw %1', then choose the port again."),
                    PortMessages::tr(
                        "You own it, so the kernel applies the owner's bits, which do not "
                        "allow both reading and writing; joining a group would not help. "
                        "Allow them with 'chmod u+rw %1', then run it again."))
          .arg(wordOf(node))
          .toStdString();
    case ModeClass::Group:
      return byUser(port,
                    PortMessages::tr(
                        "Your session is in its group %1, so the kernel applies the group's "
                        "bits, which do not allow both reading and writing; joining another "
                        "group would not help. Allow them with 'sudo chmod g+rw %2', then "
                        "choose the port again."),
                    PortMessages::tr(
                        "Your session is in its group %1, so the kernel applies the group's "
                        "bits, which do not allow both reading and writing; joining another "
                        "group would not help. Allow them with 'sudo chmod g+rw %2', then "
                        "run it again."))
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

QString ownershipText(const Ownership& ownership) {
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", ownership.mode);
  return PortMessages::tr("owner %1, group %2, mode %3")
      .arg(wordOf(ownership.user), wordOf(ownership.group), QLatin1String(mode));
}

// A refused node: what refuses it, and the fix where there is one. Only a
// refusal by the mode gets advice about the mode.
std::string describePermission(const PortIdentity& port, const Diagnosis& diagnosis,
                               const std::string& node) {
  const QString denied =
      PortMessages::tr("permission denied (%1).").arg(ownershipText(diagnosis.ownership));
  switch (diagnosis.accessCause) {
    case AccessCause::Mode:
      return joinSentences({denied, wordOf(describePermissionFix(port, diagnosis, node))});
    case AccessCause::NoDevMount:
      return joinSentences(
          {denied, PortMessages::tr("Its mode is not the cause: it lies on a file system mounted "
                                    "with 'nodev' at %1, where the kernel opens no device node. "
                                    "Use the device's node under /dev, or mount %1 without "
                                    "'nodev'.")
                       .arg(wordOf(diagnosis.folder))});
    case AccessCause::Acl:
      return joinSentences(
          {denied, PortMessages::tr("An access control list on it decides who may read and write "
                                    "it, and it does not let this user; see 'getfacl %1'.")
                       .arg(wordOf(node))});
    case AccessCause::Folder:
      return PortMessages::tr(
                 "permission denied: the folder %1 on its path cannot be searched by this user "
                 "(%2), so nothing in it can be reached. Use a path outside it, or ask the "
                 "folder's owner to allow searching it.")
          .arg(wordOf(diagnosis.folder), ownershipText(diagnosis.ownership))
          .toStdString();
    case AccessCause::RootRefused:
      return joinSentences(
          {denied, PortMessages::tr("The kernel refuses it even to root, and no cause can be seen "
                                    "here: a security module (AppArmor, SELinux) may refuse it; "
                                    "the system log may say which.")});
    case AccessCause::Unseen:
      break;
  }
  return joinSentences(
      {denied, PortMessages::tr("Its mode allows this user to read and write it, yet the kernel "
                                "refuses, and no cause can be seen here: a security module "
                                "(AppArmor, SELinux) may refuse it; the system log may say "
                                "which.")});
}

// Who left a stale lock: a process that has ended, one whose number now
// belongs to an unrelated program, or none at all.
QString describeStaleLock(const Diagnosis& diagnosis) {
  const QString lock = wordOf(diagnosis.lockPath);
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

std::string describeExclusive(const PortIdentity& port, const Diagnosis& diagnosis) {
  if (!diagnosis.pseudoTerminal) {
    return byUser(port,
                  PortMessages::tr("refused as busy: a program of another user holds it in "
                                   "exclusive mode. Close it, then choose the port again."),
                  PortMessages::tr("refused as busy: a program of another user holds it in "
                                   "exclusive mode. Close it, then run it again."))
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

std::string portName(const PortIdentity& port) {
  // A command names no COM port: it was given the device itself.
  if (port.user == PortUser::Command) return printablePath(port.device);
  return "COM" + std::to_string(port.number) + " (" + printablePath(port.device) + ")";
}

std::string holderText(const Process& process) {
  const QString name = process.name.empty() ? PortMessages::tr("a program") : wordOf(process.name);
  const QString pid = QString::number(process.pid);
  if (process.user.empty()) return PortMessages::tr("%1 (process %2)").arg(name, pid).toStdString();
  return PortMessages::tr("%1 (process %2 of user %3)")
      .arg(name, pid, wordOf(process.user))
      .toStdString();
}

std::string otherDeviceAdvice(const PortIdentity& port, const std::string& throughSetting) {
  if (!port.variable.empty()) return throughSetting;
  if (port.user == PortUser::Command) {
    return PortMessages::tr("Name the projector's port with --port.").toStdString();
  }
  return PortMessages::tr(
             "Choose the projector's device with \"Choose device…\" (also on the "
             "menu of the \"COM\" button).")
      .toStdString();
}

std::string describeOpenFailure(const PortIdentity& port, const Diagnosis& diagnosis) {
  const std::string where = portName(port) + ": ";
  const QString node = wordOf(diagnosis.path);
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
      return where + describePermission(port, diagnosis, node.toStdString());
    case OpenFailure::InUse:
      if (diagnosis.lockUnreadable) {
        return where + byUser(port,
                              PortMessages::tr("in use by a program of user %1; its lock file "
                                               "cannot be read (%2). Ask %1 to close it, then "
                                               "choose the port again."),
                              PortMessages::tr("in use by a program of user %1; its lock file "
                                               "cannot be read (%2). Ask %1 to close it, then "
                                               "run it again."))
                           .arg(wordOf(diagnosis.holder.user), wordOf(diagnosis.lockPath))
                           .toStdString();
      }
      if (diagnosis.lockUnchecked) {
        return where +
               byUser(port,
                      PortMessages::tr("locked by %1, which records only process %2; whether "
                                       "process %2 uses the port cannot be checked, because "
                                       "its open files are hidden from this user. If the port "
                                       "should be free, ask an administrator to check the "
                                       "lock, then choose the port again."),
                      PortMessages::tr("locked by %1, which records only process %2; whether "
                                       "process %2 uses the port cannot be checked, because "
                                       "its open files are hidden from this user. If the port "
                                       "should be free, ask an administrator to check the "
                                       "lock, then run it again."))
                   .arg(wordOf(diagnosis.lockPath), QString::number(diagnosis.holder.pid))
                   .toStdString();
      }
      return where + byUser(port,
                            PortMessages::tr("in use by %1. Close it, then choose the port again."),
                            PortMessages::tr("in use by %1. Close it, then run it again."))
                         .arg(wordOf(holderText(diagnosis.holder)))
                         .toStdString();
    case OpenFailure::StaleLock:
      return where +
             joinSentences(
                 {describeStaleLock(diagnosis),
                  byUser(port, PortMessages::tr("Remove it with '%1', then choose the port again."),
                         PortMessages::tr("Remove it with '%1', then run it again."))
                      .arg(wordOf((diagnosis.lockOwnedByUs ? "rm " : "sudo rm ") +
                                  printablePath(diagnosis.lockPath)))});
    case OpenFailure::Exclusive:
      return where + describeExclusive(port, diagnosis);
    case OpenFailure::NameTooLong:
      if (diagnosis.lockName) {
        return where +
               PortMessages::tr(
                   "the device's path %1 is too long to name its lock file "
                   "(%2 bytes, at most %3). Use a device node with a shorter "
                   "path; a link is not enough, because links are followed "
                   "to the device.")
                   .arg(node, QString::number(diagnosis.length), QString::number(longestFileName()))
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
  const QString gone = wordOf(node);
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
    return where + byUser(port,
                          PortMessages::tr("another program reads this port: %1; it may take "
                                           "the replies. Close it so that every reply reaches "
                                           "the panel."),
                          PortMessages::tr("another program reads this port: %1; it may take "
                                           "the replies. Close it so that every reply reaches "
                                           "this command."))
                       .arg(wordOf(names))
                       .toStdString();
  }
  return where + byUser(port,
                        PortMessages::tr("other programs read this port: %1; they may take the "
                                         "replies. Close them so that every reply reaches the "
                                         "panel."),
                        PortMessages::tr("other programs read this port: %1; they may take the "
                                         "replies. Close them so that every reply reaches this "
                                         "command."))
                     .arg(wordOf(names))
                     .toStdString();
}

}  // namespace qd40
