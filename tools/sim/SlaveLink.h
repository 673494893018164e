// A symbolic link that gives the pseudo-terminal a stable, configurable name for the panel.
// It only manages the link itself; the terminal it points to belongs to the caller.
#pragma once

#include <optional>
#include <string>

namespace qd40sim {

class SlaveLink {
 public:
  // Makes `linkPath` point to `target`, replacing an existing symbolic link there but never a
  // file or directory. Returns nothing and sets `error` when that is not possible.
  static std::optional<SlaveLink> create(const std::string& linkPath, const std::string& target,
                                         std::string& error);

  SlaveLink(SlaveLink&& other) noexcept;
  SlaveLink& operator=(SlaveLink&&) = delete;
  SlaveLink(const SlaveLink&) = delete;
  SlaveLink& operator=(const SlaveLink&) = delete;
  ~SlaveLink();

  const std::string& path() const { return m_path; }

 private:
  SlaveLink(std::string path, std::string target);

  std::string m_path;
  std::string m_target;
};

}  // namespace qd40sim
