// What the system says about a serial device: its openable path, the lock
// files that name it and the processes that hold it.
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "protocol/Utf8.h"
#include "serial/PortDiagnostics.h"
#include "serial/PortProbe.h"
#include "serial/PortWording.h"

namespace qd40 {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kFirstPtySlaveMajor = 136, kLastPtySlaveMajor = 143;
constexpr unsigned kPtyMinorsPerMajor = 256;

std::string readFirstLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string resolved(const std::string& path) {
  char buffer[PATH_MAX];
  return realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

// Another UTF-8 name of the character device `info`, if the system has one.
std::string utf8NameOf(const struct stat& info) {
  const unsigned major = ::major(info.st_rdev), minor = ::minor(info.st_rdev);
  std::vector<std::string> names = {
      resolved("/dev/char/" + std::to_string(major) + ":" + std::to_string(minor))};
  if (major >= kFirstPtySlaveMajor && major <= kLastPtySlaveMajor) {
    names.push_back("/dev/pts/" +
                    std::to_string((major - kFirstPtySlaveMajor) * kPtyMinorsPerMajor + minor));
  }
  for (const std::string& name : names) {
    struct stat other {};
    if (!name.empty() && isValidUtf8(name) && stat(name.c_str(), &other) == 0 &&
        S_ISCHR(other.st_mode) && other.st_rdev == info.st_rdev) {
      return name;
    }
  }
  return {};
}

}  // namespace

std::string openablePath(const std::string& configured) {
  const std::string path = resolved(configured);
  if (path.empty() || isValidUtf8(path)) return path;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return path;
  const std::string other = utf8NameOf(info);
  return other.empty() ? path : other;
}

std::string userNameOf(uid_t uid) {
  const passwd* user = getpwuid(uid);
  return user != nullptr ? user->pw_name : std::to_string(uid);
}

bool processAlive(long pid) {
  return pid > 0 && fs::exists("/proc/" + std::to_string(pid));
}

Process describeProcess(long pid) {
  Process process{pid, readFirstLine("/proc/" + std::to_string(pid) + "/comm"), ""};
  struct stat info {};
  if (stat(("/proc/" + std::to_string(pid)).c_str(), &info) == 0)
    process.user = userNameOf(info.st_uid);
  return process;
}

std::string holderText(const Process& process) {
  const QString name = process.name.empty() ? PortMessages::tr("a program") : wordOf(process.name);
  const QString pid = QString::number(process.pid);
  if (process.user.empty()) return PortMessages::tr("%1 (process %2)").arg(name, pid).toStdString();
  return PortMessages::tr("%1 (process %2 of user %3)")
      .arg(name, pid, wordOf(process.user))
      .toStdString();
}

std::string nodeStamp(const std::vector<std::string>& nodes) {
  // Held buttons ask for this every few milliseconds: the stamp is the raw
  // bytes of what is compared, with no formatting.
  std::string stamp;
  for (const std::string& node : nodes) {
    stamp += node;
    stamp += '\n';
    struct stat info {};
    if (stat(node.c_str(), &info) != 0) {
      stamp += std::to_string(errno);
      continue;
    }
    for (const auto& [field, size] :
         {std::pair{static_cast<const void*>(&info.st_ino), sizeof info.st_ino},
          std::pair{static_cast<const void*>(&info.st_mode), sizeof info.st_mode},
          std::pair{static_cast<const void*>(&info.st_uid), sizeof info.st_uid},
          std::pair{static_cast<const void*>(&info.st_gid), sizeof info.st_gid},
          std::pair{static_cast<const void*>(&info.st_rdev), sizeof info.st_rdev},
          std::pair{static_cast<const void*>(&info.st_mtim), sizeof info.st_mtim},
          std::pair{static_cast<const void*>(&info.st_ctim), sizeof info.st_ctim}}) {
      stamp.append(static_cast<const char*>(field), size);
    }
  }
  return stamp;
}

std::string failureSignature(const PortIdentity& port, const std::string& path, int libraryError) {
  std::vector<std::string> nodes = {port.device, path, "/dev", "/dev/serial/by-id"};
  // The candidates name the lock folders there are, so a folder made later
  // changes the signature too.
  for (std::string& lock : lockCandidates(port.device, path.empty() ? port.device : path)) {
    nodes.push_back(std::move(lock));
  }
  return std::to_string(port.number) + '\n' + std::to_string(libraryError) + '\n' +
         nodeStamp(nodes);
}

std::optional<bool> processHoldsDevice(long pid, dev_t device) {
  std::error_code ec;
  fs::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd", ec);
  if (ec) return std::nullopt;
  for (const auto& fd : fds) {
    struct stat info {};
    if (stat(fd.path().c_str(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == device) {
      return true;
    }
  }
  return false;
}

ProcScan holdersFromProc(const std::string& device, std::size_t most) {
  ProcScan scan;
  struct stat target {};
  if (stat(device.c_str(), &target) != 0) return scan;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string pidText = entry.path().filename().string();
    if (pidText.empty() || !std::all_of(pidText.begin(), pidText.end(), ::isdigit)) continue;
    const long pid = std::stol(pidText);
    if (pid == getpid()) continue;
    const std::optional<bool> holds = processHoldsDevice(pid, target.st_rdev);
    // Another user's open files are hidden from us; a process that has
    // ended meanwhile is no loss.
    if (!holds) {
      if (access(entry.path().c_str(), F_OK) == 0) scan.complete = false;
      continue;
    }
    if (!*holds) continue;
    scan.holders.push_back(describeProcess(pid));
    if (scan.holders.size() >= most) break;
  }
  return scan;
}

bool isPseudoTerminal(const struct stat& info) {
  const unsigned major = ::major(info.st_rdev);
  return S_ISCHR(info.st_mode) && major >= kFirstPtySlaveMajor && major <= kLastPtySlaveMajor;
}

// Whether the node is a terminal device: the kernel files it under the tty
// subsystem, or it is the slave end of a pseudo-terminal.
bool isTerminal(const struct stat& info) {
  if (!S_ISCHR(info.st_mode)) return false;
  if (isPseudoTerminal(info)) return true;
  std::error_code ec;
  const fs::path subsystem =
      fs::read_symlink("/sys/dev/char/" + std::to_string(::major(info.st_rdev)) + ":" +
                           std::to_string(::minor(info.st_rdev)) + "/subsystem",
                       ec);
  return !ec && subsystem.filename() == "tty";
}

std::vector<std::string> listSerialDevices() {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/dev/serial/by-id", ec)) {
    found.push_back(entry.path().string());
  }
  for (const auto& entry : fs::directory_iterator("/dev", ec)) {
    const std::string name = entry.path().filename().string();
    const bool usb = name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
    // Built-in ports all have a node; only those with a UART behind them count.
    const bool uart = name.rfind("ttyS", 0) == 0 &&
                      readFirstLine("/sys/class/tty/" + name + "/type") != "0" &&
                      fs::exists("/sys/class/tty/" + name + "/type", ec);
    if (usb || uart) found.push_back(entry.path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
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

}  // namespace qd40
