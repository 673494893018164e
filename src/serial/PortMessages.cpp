// Says what is wrong with a serial device, and how to mend it.
#include "serial/PortMessages.h"

#include <pwd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "protocol/Utf8.h"
#include "serial/DevicePaths.h"

namespace qd40 {

namespace {

std::string userName() {
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? user->pw_name : "$USER";
}

std::string joinDevices(const std::vector<std::string>& devices) {
  if (devices.empty()) return "none found";
  std::string out;
  for (const std::string& device : devices) out += (out.empty() ? "" : ", ") + device;
  return out;
}

// What to do once the cause is mended: the window keeps the port and opens
// it on a choice; a command is simply run again.
std::string reader(const PortIdentity& port) {
  return port.user == PortUser::Panel ? "the panel" : "this command";
}

std::string tryAgain(const PortIdentity& port) {
  return port.user == PortUser::Panel ? "then choose the port again." : "then run it again.";
}

// The fix for a denied node, by whose bits the kernel applies to this user.
std::string describePermissionFix(const PortIdentity& port, const Diagnosis& diagnosis,
                                  const std::string& node) {
  switch (diagnosis.modeClass) {
    case ModeClass::Owner:
      return "You own it, so the kernel applies the owner's bits, which do not allow both "
             "reading and writing; joining a group would not help. Allow them with 'chmod u+rw " +
             node + "', " + tryAgain(port);
    case ModeClass::Group:
      return "Your session is in its group " + diagnosis.group +
             ", so the kernel applies the group's bits, which do not allow both reading and "
             "writing; joining another group would not help. Allow them with 'sudo chmod g+rw " +
             node + "', " + tryAgain(port);
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

std::string describeExclusive(const PortIdentity& port, const Diagnosis& diagnosis) {
  const std::string clear = "sudo perl -e 'open(my $f, \"+<\", \"" + diagnosis.path +
                            "\") or die $!; ioctl($f, " + std::to_string(TIOCNXCL) +
                            ", 0) or die $!'";
  if (!diagnosis.pseudoTerminal) {
    return "refused as busy: a program of another user holds it in exclusive mode. Close it, " +
           tryAgain(port);
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

std::string portName(const PortIdentity& port) {
  // A command names no COM port: it was given the device itself.
  if (port.user == PortUser::Command) return printablePath(port.device);
  return "COM" + std::to_string(port.number) + " (" + printablePath(port.device) + ")";
}

std::string printablePath(const std::string& path) {
  if (isValidUtf8(path)) return path;
  std::string out;
  for (std::size_t i = 0; i < path.size();) {
    // Valid sequences stay; each byte of an invalid one is spelled out.
    if (const std::size_t length = utf8SequenceLength(path, i); length > 0) {
      out += path.substr(i, length);
      i += length;
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(path[i++]);
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  }
  return out;
}

std::string holderText(const Process& process) {
  return (process.name.empty() ? std::string("a program") : process.name) + " (process " +
         std::to_string(process.pid) + (process.user.empty() ? "" : " of user " + process.user) +
         ")";
}

std::string otherDeviceAdvice(const PortIdentity& port, const std::string& throughSetting) {
  if (!port.variable.empty()) return throughSetting;
  if (port.user == PortUser::Command) return "Name the projector's port with --port.";
  return "Choose the projector's device with \"Choose device…\" (also on the menu of the "
         "\"COM\" button).";
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
             describePermissionFix(port, diagnosis, node);
    case OpenFailure::InUse:
      if (diagnosis.lockUnreadable) {
        return where + ": in use by a program of user " + diagnosis.holder.user +
               "; its lock file cannot be read (" + printablePath(diagnosis.lockPath) + "). Ask " +
               diagnosis.holder.user + " to close it, " + tryAgain(port);
      }
      return where + ": in use by " + holderText(diagnosis.holder) + ". Close it, " +
             tryAgain(port);
    case OpenFailure::StaleLock:
      return where + ": locked by " + printablePath(diagnosis.lockPath) +
             describeStaleHolder(diagnosis) + ". Remove it with '" +
             (diagnosis.lockOwnedByUs ? "rm " : "sudo rm ") + printablePath(diagnosis.lockPath) +
             "', " + tryAgain(port);
    case OpenFailure::Exclusive:
      return where + ": " + describeExclusive(port, diagnosis);
    case OpenFailure::NameTooLong:
      if (diagnosis.lockName) {
        return where + ": the device's path " + node + " is too long to name its lock file (" +
               std::to_string(diagnosis.length) + " bytes, at most " +
               std::to_string(longestFileName()) +
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
  const std::string reopens = "; the next command opens the port again.";
  switch (state) {
    case LineState::Removed:
      return where + ": the device was removed (" + printablePath(node) +
             " is gone). Plug it in again" + reopens;
    case LineState::Closed:
      return where + ": the device was removed (" + printablePath(node) +
             " is gone: the program that made the pseudo-terminal closed it). Start it again" +
             reopens;
    case LineState::Renamed:
      return where + ": the device was removed (" + printablePath(node) +
             " now stands for another device). Plug it in again" + reopens;
    case LineState::HungUp:
    case LineState::Working:
      break;
  }
  return where +
         ": the device is present but hung up, so the line carries nothing more. Check the "
         "cable or adapter" +
         reopens;
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
           "; it may take the replies. Close it so that every reply reaches " + reader(port) + ".";
  }
  return where + ": other programs read this port: " + names +
         "; they may take the replies. Close them so that every reply reaches " + reader(port) +
         ".";
}

}  // namespace qd40
