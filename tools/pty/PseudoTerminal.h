#pragma once
// A pseudo-terminal pair, made with openpty(3), for everything here that
// plays a projector: the simulator, the tests and the benchmarks. The program
// under test opens the slave end by its path; the owner talks on the master
// end. It only sets the pair up; reading and writing are the owner's.
#include <string>
#include <utility>

namespace qd40::pty {

// Closes the descriptor it owns; move-only.
class UniqueFd final {
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

class PseudoTerminal final {
 public:
  // Whether the maker keeps a descriptor on the slave end. The simulator
  // keeps one, so its master never reads a hang-up while the panel closes and
  // reopens the port. A test or a benchmark lets it go: a process that holds
  // the slave open is another reader of the port to the panel, and the
  // master reports a hang-up until the program under test opens the slave.
  enum class SlaveEnd { Release, Keep };

  // Both ends raw, so nothing written is changed on its way (no echo, no CR
  // to LF); both close-on-exec, so a child the owner starts cannot keep the
  // line up after the owner hangs it up; the master non-blocking. Throws
  // std::system_error naming the step that failed.
  explicit PseudoTerminal(SlaveEnd slave = SlaveEnd::Release);

  int master() const { return m_master.get(); }
  const std::string& slavePath() const { return m_slavePath; }
  // Closes the master end, as the maker of a terminal does when it ends:
  // whoever has the slave open reads a hang-up.
  void hangUp() { m_master = UniqueFd(); }

 private:
  UniqueFd m_master;
  UniqueFd m_slave;
  std::string m_slavePath;
};

}  // namespace qd40::pty
