// Resolves and classifies serial device nodes.
#include "doctor/DevicePaths.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "protocol/Utf8.h"

namespace qd40 {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kFirstPtySlaveMajor = 136, kLastPtySlaveMajor = 143;
constexpr unsigned kPtyMinorsPerMajor = 256;

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

std::string readFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string openablePath(const std::string& configured) {
  const std::string path = resolved(configured);
  if (path.empty() || isValidUtf8(path)) return path;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return path;
  const std::string other = utf8NameOf(info);
  return other.empty() ? path : other;
}

bool isPseudoTerminal(const struct stat& info) {
  const unsigned major = ::major(info.st_rdev);
  return S_ISCHR(info.st_mode) && major >= kFirstPtySlaveMajor && major <= kLastPtySlaveMajor;
}

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

}  // namespace qd40
