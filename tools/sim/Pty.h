// Opens the pseudo-terminal the panel talks to and keeps one descriptor on its slave side for
// the simulator's whole life, so the master never sees a hang-up while the panel closes and
// reopens the port. Reading, writing and answering are left to the simulator loop.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace qd40sim {

// Closes the descriptor it owns; move-only.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int get() const { return m_fd; }
  bool valid() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};

struct Pty {
  UniqueFd master;  // Non-blocking, so a full line never stalls the loop.
  UniqueFd slave;   // Held open and in raw mode; never read or written.
  std::string slavePath;
};

// Returns the opened pair, or nothing with `error` describing the failing step.
std::optional<Pty> openPty(std::string& error);

}  // namespace qd40sim
