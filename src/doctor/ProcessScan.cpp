// Looks through /proc for a process and for the processes that have a device
// open.
#include "doctor/ProcessScan.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "doctor/DevicePaths.h"

namespace qd40 {

namespace fs = std::filesystem;

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

}  // namespace qd40
