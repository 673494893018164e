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
#include <sstream>

#include "serial/PortDiagnostics.h"
#include "serial/PortProbe.h"

namespace qd40 {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDevPrefix = "/dev/";
// Where serial programs keep their lock files; Qt SerialPort takes the first
// of them it may write.
constexpr std::array<const char*, 5> kLockDirectories = {"/var/lock", "/run/lock", "/tmp",
                                                         "/var/tmp", "/var/lock/lockdev"};
constexpr unsigned kFirstPtySlaveMajor = 136, kLastPtySlaveMajor = 143;
constexpr unsigned kPtyMinorsPerMajor = 256;

bool isUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t follow = 0;
    if (byte < 0x80)
      follow = 0;
    else if (byte >= 0xC2 && byte <= 0xDF)
      follow = 1;
    else if (byte >= 0xE0 && byte <= 0xEF)
      follow = 2;
    else if (byte >= 0xF0 && byte <= 0xF4)
      follow = 3;
    else
      return false;
    if (i + follow >= text.size()) return false;
    for (std::size_t k = 1; k <= follow; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += follow + 1;
  }
  return true;
}

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
    if (!name.empty() && isUtf8(name) && stat(name.c_str(), &other) == 0 &&
        S_ISCHR(other.st_mode) && other.st_rdev == info.st_rdev) {
      return name;
    }
  }
  return {};
}

}  // namespace

bool pathIsUtf8(const std::string& path) {
  return isUtf8(path);
}

std::string openablePath(const std::string& configured) {
  const std::string path = resolved(configured);
  if (path.empty() || isUtf8(path)) return path;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return path;
  const std::string other = utf8NameOf(info);
  return other.empty() ? path : other;
}

std::string qtLockName(const std::string& path) {
  std::string name = path.rfind(kDevPrefix, 0) == 0 ? path.substr(kDevPrefix.size()) : path;
  std::replace(name.begin(), name.end(), '/', '_');
  return "LCK.." + name;
}

std::string uucpLockName(const std::string& path) {
  return "LCK.." + fs::path(path).filename().string();
}

bool processAlive(long pid) {
  return pid > 0 && fs::exists("/proc/" + std::to_string(pid));
}

Process describeProcess(long pid) {
  Process process{pid, readFirstLine("/proc/" + std::to_string(pid) + "/comm"), ""};
  struct stat info {};
  if (stat(("/proc/" + std::to_string(pid)).c_str(), &info) == 0) {
    const passwd* user = getpwuid(info.st_uid);
    process.user = user != nullptr ? user->pw_name : std::to_string(info.st_uid);
  }
  return process;
}

std::string holderText(const Process& process) {
  return (process.name.empty() ? std::string("a program") : process.name) + " (process " +
         std::to_string(process.pid) + (process.user.empty() ? "" : " of user " + process.user) +
         ")";
}

std::vector<std::string> lockCandidates(const std::string& configured, const std::string& path) {
  std::vector<std::string> names = {qtLockName(path), uucpLockName(path)};
  for (const std::string& name : {qtLockName(configured), uucpLockName(configured)}) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  std::vector<std::string> paths;
  for (const char* directory : kLockDirectories) {
    for (const std::string& name : names) paths.push_back(std::string(directory) + "/" + name);
  }
  return paths;
}

std::vector<LockFile> findLockFiles(const std::string& configured, const std::string& path) {
  std::vector<LockFile> found;
  for (const std::string& lock : lockCandidates(configured, path)) {
    std::error_code ec;
    if (!fs::is_regular_file(lock, ec)) continue;
    // /var/lock is a link to /run/lock: one file, two names; the first
    // name, the one Qt uses, is kept.
    const fs::path canonical = fs::canonical(lock, ec);
    if (std::any_of(found.begin(), found.end(), [&](const LockFile& seen) {
          return fs::equivalent(seen.path, canonical, ec);
        })) {
      continue;
    }
    // Qt writes the pid as text, as do most other programs.
    std::istringstream first(readFirstLine(lock));
    long pid = 0;
    first >> pid;
    found.push_back({lock, pid, processAlive(pid)});
  }
  return found;
}

std::string failureSignature(const PortIdentity& port, const std::string& path, int libraryError) {
  std::ostringstream key;
  key << port.number << '\n' << port.device << '\n' << path << '\n' << libraryError;
  const auto add = [&key](const std::string& node) {
    struct stat info {};
    if (stat(node.c_str(), &info) != 0) {
      key << "\n-" << errno;
      return;
    }
    key << '\n'
        << info.st_ino << ' ' << info.st_mode << ' ' << info.st_uid << ' ' << info.st_gid << ' '
        << info.st_rdev << ' ' << info.st_mtim.tv_sec << '.' << info.st_mtim.tv_nsec << ' '
        << info.st_ctim.tv_sec << '.' << info.st_ctim.tv_nsec;
  };
  add(port.device);
  add(path);
  add("/dev");
  add("/dev/serial/by-id");
  for (const std::string& lock : lockCandidates(port.device, path.empty() ? port.device : path))
    add(lock);
  return key.str();
}

ProcScan holdersFromProc(const std::string& device) {
  ProcScan scan;
  struct stat target {};
  if (stat(device.c_str(), &target) != 0) return scan;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string pidText = entry.path().filename().string();
    if (pidText.empty() || !std::all_of(pidText.begin(), pidText.end(), ::isdigit)) continue;
    const long pid = std::stol(pidText);
    if (pid == getpid()) continue;
    std::error_code fdError;
    fs::directory_iterator fds(entry.path() / "fd", fdError);
    if (fdError) {
      // Another user's descriptors are hidden from us; a process that has
      // ended meanwhile is no loss.
      if (fdError == std::errc::permission_denied) scan.complete = false;
      continue;
    }
    for (const auto& fd : fds) {
      struct stat info {};
      if (stat(fd.path().c_str(), &info) == 0 && S_ISCHR(info.st_mode) &&
          info.st_rdev == target.st_rdev) {
        scan.holder = describeProcess(pid);
        return scan;
      }
    }
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

std::string findHolder(const std::string& device) {
  const std::string path = openablePath(device);
  for (const LockFile& lock : findLockFiles(device, path.empty() ? device : path)) {
    if (lock.alive && lock.pid != getpid()) return holderText(describeProcess(lock.pid));
  }
  const ProcScan scan = holdersFromProc(path.empty() ? device : path);
  return scan.holder ? holderText(*scan.holder) : std::string();
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
  if (isUtf8(path)) return path;
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    // Valid sequences stay; each byte of an invalid one is spelled out.
    std::size_t length = 1;
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte >= 0xC2 && byte <= 0xF4) length = byte >= 0xF0 ? 4 : (byte >= 0xE0 ? 3 : 2);
    if (byte < 0x80 || (i + length <= path.size() && isUtf8(path.substr(i, length)))) {
      out += path.substr(i, length);
      i += length - 1;
      continue;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
  }
  return out;
}

}  // namespace qd40
