// Implements pseudo-terminal setup: open, grant, unlock, raw mode on the slave side.
#include "Pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qd40sim {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  if (m_fd >= 0) ::close(m_fd);
}

namespace {

std::string failure(const char* step) {
  return std::string(step) + ": " + std::strerror(errno);
}

}  // namespace

std::optional<Pty> openPty(std::string& error) {
  Pty pty;
  pty.master = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.master.valid()) {
    error = failure("posix_openpt");
    return std::nullopt;
  }
  if (::grantpt(pty.master.get()) != 0) {
    error = failure("grantpt");
    return std::nullopt;
  }
  if (::unlockpt(pty.master.get()) != 0) {
    error = failure("unlockpt");
    return std::nullopt;
  }
  const char* name = ::ptsname(pty.master.get());
  if (name == nullptr) {
    error = failure("ptsname");
    return std::nullopt;
  }
  pty.slavePath = name;

  pty.slave = UniqueFd(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.slave.valid()) {
    error = failure("open slave");
    return std::nullopt;
  }
  // Raw mode from the start: with the default cooked settings the terminal would echo every
  // reply back to us as if the panel had sent it, before the panel ever opens the port.
  termios settings{};
  if (::tcgetattr(pty.slave.get(), &settings) != 0) {
    error = failure("tcgetattr");
    return std::nullopt;
  }
  ::cfmakeraw(&settings);
  ::cfsetispeed(&settings, B19200);
  ::cfsetospeed(&settings, B19200);
  if (::tcsetattr(pty.slave.get(), TCSANOW, &settings) != 0) {
    error = failure("tcsetattr");
    return std::nullopt;
  }

  const int flags = ::fcntl(pty.master.get(), F_GETFL);
  if (flags < 0 || ::fcntl(pty.master.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
    error = failure("fcntl O_NONBLOCK");
    return std::nullopt;
  }
  return pty;
}

}  // namespace qd40sim
