// Implements creating, replacing and removing the terminal's symbolic link.
#include "SlaveLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace qd40sim {

SlaveLink::SlaveLink(std::string path, std::string target)
    : m_path(std::move(path)), m_target(std::move(target)) {}

SlaveLink::SlaveLink(SlaveLink&& other) noexcept
    : m_path(std::exchange(other.m_path, {})), m_target(std::move(other.m_target)) {}

std::optional<SlaveLink> SlaveLink::create(const std::string& linkPath, const std::string& target,
                                           std::string& error) {
  struct stat info {};
  if (::lstat(linkPath.c_str(), &info) == 0) {
    if (!S_ISLNK(info.st_mode)) {
      error = "refusing to replace " + linkPath + ": it exists and is not a symbolic link";
      return std::nullopt;
    }
    // Build the new link beside the old one and rename it over, so the name never disappears
    // for a panel that is just opening it.
    const std::string temporary = linkPath + ".qd40-sim-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), linkPath.c_str()) != 0) {
      error = "cannot replace link " + linkPath + ": " + std::strerror(errno);
      ::unlink(temporary.c_str());
      return std::nullopt;
    }
  } else if (errno != ENOENT || ::symlink(target.c_str(), linkPath.c_str()) != 0) {
    error = "cannot create link " + linkPath + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return SlaveLink(linkPath, target);
}

// Another simulator may have taken the name over meanwhile; its link is left alone.
SlaveLink::~SlaveLink() {
  if (m_path.empty()) return;
  char buffer[4096];
  const ssize_t length = ::readlink(m_path.c_str(), buffer, sizeof buffer);
  if (length > 0 && std::string(buffer, static_cast<std::size_t>(length)) == m_target) {
    ::unlink(m_path.c_str());
  }
}

}  // namespace qd40sim
