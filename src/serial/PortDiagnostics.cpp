// Finds out why a serial device will not open, and says so with the fix.
#include "serial/PortDiagnostics.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qd40 {

namespace fs = std::filesystem;

namespace {

std::string readFirstLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string processName(long pid) {
  std::string name = readFirstLine("/proc/" + std::to_string(pid) + "/comm");
  return name.empty() ? "a program" : name;
}

bool processAlive(long pid) {
  return pid > 0 && fs::exists("/proc/" + std::to_string(pid));
}

std::string describeProcess(long pid) {
  return processName(pid) + " (process " + std::to_string(pid) + ")";
}

// Lock files of the kind serial programs leave: LCK..ttyUSB0 holding a pid.
std::string holderFromLockFiles(const std::string& device) {
  const std::string base = fs::path(device).filename().string();
  for (const char* dir : {"/var/lock", "/run/lock", "/tmp"}) {
    const fs::path lock = fs::path(dir) / ("LCK.." + base);
    std::error_code ec;
    if (!fs::exists(lock, ec)) continue;
    std::istringstream first(readFirstLine(lock));
    long pid = 0;
    first >> pid;
    if (processAlive(pid) && pid != getpid()) return describeProcess(pid);
  }
  return {};
}

// Any process with an open descriptor on the same device node.
std::string holderFromProc(const std::string& device) {
  struct stat target {};
  if (stat(device.c_str(), &target) != 0) return {};
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const std::string pidText = entry.path().filename().string();
    if (pidText.empty() || !std::all_of(pidText.begin(), pidText.end(), ::isdigit)) continue;
    const long pid = std::stol(pidText);
    if (pid == getpid()) continue;
    std::error_code fdError;
    for (const auto& fd : fs::directory_iterator(entry.path() / "fd", fdError)) {
      struct stat info {};
      if (stat(fd.path().c_str(), &info) == 0 && S_ISCHR(info.st_mode) &&
          info.st_rdev == target.st_rdev) {
        return describeProcess(pid);
      }
    }
  }
  return {};
}

// Whether the node is a terminal device: the kernel files it under the tty
// subsystem, or it is the slave end of a pseudo-terminal.
bool isTerminal(const std::string& device) {
  struct stat info {};
  if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
  constexpr unsigned kFirstPtySlaveMajor = 136, kLastPtySlaveMajor = 143;
  const unsigned major = ::major(info.st_rdev);
  if (major >= kFirstPtySlaveMajor && major <= kLastPtySlaveMajor) return true;
  std::error_code ec;
  const fs::path subsystem =
      fs::read_symlink("/sys/dev/char/" + std::to_string(major) + ":" +
                           std::to_string(::minor(info.st_rdev)) + "/subsystem",
                       ec);
  return !ec && subsystem.filename() == "tty";
}

std::string groupOf(const std::string& device) {
  struct stat info {};
  if (stat(device.c_str(), &info) != 0) return "dialout";
  const group* owner = getgrgid(info.st_gid);
  if (owner == nullptr || info.st_gid == 0) return "dialout";
  return owner->gr_name;
}

std::string userName() {
  const passwd* user = getpwuid(getuid());
  return user != nullptr ? user->pw_name : "$USER";
}

// The devices the command line names for COM1 and COM2; empty for none.
std::array<std::string, 2>& portOverrides() {
  static std::array<std::string, 2> overrides;
  return overrides;
}

std::string joinDevices(const std::vector<std::string>& devices) {
  if (devices.empty()) return "none found";
  std::string out;
  for (const std::string& device : devices) out += (out.empty() ? "" : ", ") + device;
  return out;
}

}  // namespace

PortIdentity portIdentity(int number) {
  if (number >= 1 && number <= 2 && !portOverrides()[number - 1].empty()) {
    return {number, portOverrides()[number - 1], "--com" + std::to_string(number)};
  }
  PortIdentity port{number, "", "QD40_COM" + std::to_string(number)};
  const char* named = std::getenv(port.variable.c_str());
  port.device =
      (named != nullptr && *named != '\0') ? named : "/dev/ttyS" + std::to_string(number - 1);
  return port;
}

void setPortOverride(int number, const std::string& device) {
  if (number >= 1 && number <= 2) portOverrides()[number - 1] = device;
}

OpenFailure classifyOpenFailure(const std::string& device, int systemError) {
  std::error_code ec;
  if (!fs::exists(device, ec) || systemError == ENOENT || systemError == ENODEV ||
      systemError == ENXIO) {
    return OpenFailure::Missing;
  }
  if (!isTerminal(device)) return OpenFailure::NotSerial;
  if (systemError == EBUSY || !findHolder(device).empty()) return OpenFailure::InUse;
  if (systemError == EACCES || systemError == EPERM || access(device.c_str(), R_OK | W_OK) != 0) {
    return OpenFailure::Permission;
  }
  return OpenFailure::Other;
}

std::string findHolder(const std::string& device) {
  std::string holder = holderFromLockFiles(device);
  return holder.empty() ? holderFromProc(device) : holder;
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

std::string describeOpenFailure(const PortIdentity& port, OpenFailure failure,
                                const std::string& detail) {
  const std::string where = "COM" + std::to_string(port.number) + " (" + port.device + ")";
  switch (failure) {
    case OpenFailure::Missing:
      return where + ": no such device. Set " + port.variable +
             " to the projector's serial device, for example " + port.variable +
             "=/dev/ttyUSB0. Serial devices on this machine: " + joinDevices(listSerialDevices()) +
             ".";
    case OpenFailure::Permission: {
      const std::string group = groupOf(port.device);
      return where + ": permission denied. Add your user to the " + group +
             " group with 'sudo usermod -aG " + group + " " + userName() +
             "', then log out and log in again.";
    }
    case OpenFailure::InUse: {
      const std::string holder = findHolder(port.device);
      return where + ": in use by " + (holder.empty() ? "another program" : holder) +
             ". Close it, then choose the port again.";
    }
    case OpenFailure::NotSerial:
      return where + ": not a serial device. Set " + port.variable +
             " to the projector's serial device.";
    case OpenFailure::Other:
      break;
  }
  return where + ": cannot be opened (" + detail + ").";
}

std::string describeLostPort(const PortIdentity& port, const std::string& detail) {
  return "COM" + std::to_string(port.number) + " (" + port.device + "): the connection was lost (" +
         detail + "). Check the cable or adapter; the next command opens the port again.";
}

}  // namespace qd40
