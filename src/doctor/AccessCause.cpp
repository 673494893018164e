// Finds what refuses a node when the kernel says "permission denied".
#include "doctor/AccessCause.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "doctor/PermissionRule.h"

namespace qd40 {

namespace {

// Mount points in mountinfo write a blank, tab, newline and backslash as
// three octal digits after a backslash.
std::string unescapeMountField(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string octal = field.substr(i + 1, 3);
      if (octal.find_first_not_of("01234567") == std::string::npos) {
        out += static_cast<char>(std::stoi(octal, nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool isUnder(const std::string& path, const std::string& mountPoint) {
  if (mountPoint == "/") return true;
  return path.rfind(mountPoint, 0) == 0 &&
         (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

bool hasAccessAcl(const std::string& path) {
  return getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
}

std::string readAll(const char* path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::optional<std::string> noDevMount(std::string_view mountinfo, const std::string& path) {
  // The mount that holds the path is the one with the longest mount point
  // above it; of two on the same point, the later one covers the earlier.
  std::string best;
  bool bestNoDev = false;
  std::istringstream lines{std::string(mountinfo)};
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::vector<std::string> field(6);
    for (std::string& f : field) fields >> f;
    const std::string point = unescapeMountField(field[4]);
    if (point.empty() || !isUnder(path, point) || point.size() < best.size()) continue;
    best = point;
    bestNoDev = ("," + field[5] + ",").find(",nodev,") != std::string::npos;
  }
  if (!bestNoDev) return std::nullopt;
  return best;
}

std::string unsearchableFolder(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (access(folder.c_str(), X_OK) != 0) return folder;
  }
  return {};
}

AccessCause refusalCause(const std::string& path, const struct stat& info,
                         std::string& mountPoint) {
  if (std::optional<std::string> mount = noDevMount(readAll("/proc/self/mountinfo"), path)) {
    mountPoint = *mount;
    return AccessCause::NoDevMount;
  }
  // With an access control list the mode's group bits are only its mask: the
  // list decides.
  if (hasAccessAcl(path)) return AccessCause::Acl;
  if (geteuid() == 0) return AccessCause::RootRefused;
  if (!allowsReadWrite(info.st_mode, modeClassFor(info))) return AccessCause::Mode;
  return AccessCause::Unseen;
}

}  // namespace qd40
