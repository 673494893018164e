// Opens a raw pseudo-terminal pair.
#include "PseudoTerminal.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace qd40::pty {

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

[[noreturn]] void fail(const char* step) {
  throw std::system_error(errno, std::generic_category(), step);
}

void addDescriptorFlag(int fd, int flag) {
  const int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0 || ::fcntl(fd, F_SETFD, flags | flag) != 0) fail("fcntl F_SETFD");
}

}  // namespace

PseudoTerminal::PseudoTerminal(SlaveEnd slave) {
  // Raw from the start: with cooked settings the terminal would echo the
  // projector's replies back to it before the panel ever opens the port.
  termios raw{};
  ::cfmakeraw(&raw);
  ::cfsetispeed(&raw, B19200);
  ::cfsetospeed(&raw, B19200);
  int master = -1;
  int slaveFd = -1;
  if (::openpty(&master, &slaveFd, nullptr, &raw, nullptr) != 0) fail("openpty");
  m_master = UniqueFd(master);
  m_slave = UniqueFd(slaveFd);
  addDescriptorFlag(master, FD_CLOEXEC);
  addDescriptorFlag(slaveFd, FD_CLOEXEC);
  const int status = ::fcntl(master, F_GETFL);
  if (status < 0 || ::fcntl(master, F_SETFL, status | O_NONBLOCK) != 0) fail("fcntl O_NONBLOCK");
  char name[128];
  if (const int error = ::ptsname_r(master, name, sizeof name); error != 0) {
    errno = error;
    fail("ptsname_r");
  }
  m_slavePath = name;
  if (slave == SlaveEnd::Release) m_slave = UniqueFd();
}

}  // namespace qd40::pty
