// Looks at an open line: its node, the kernel's device and the descriptor's
// hang-up state, then the processes that share it.
#include "doctor/LineCheck.h"

#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>

#include "doctor/DevicePaths.h"

namespace qd40 {

namespace {

// Whether the kernel still has the character device: an unplugged adapter
// leaves /sys at once, its node in /dev only when udev gets to it.
bool kernelHasDevice(const struct stat& open) {
  if (isPseudoTerminal(open)) return true;
  std::error_code ec;
  return std::filesystem::exists("/sys/dev/char/" + std::to_string(::major(open.st_rdev)) + ":" +
                                     std::to_string(::minor(open.st_rdev)),
                                 ec);
}

}  // namespace

LineCheck checkOpenLine(int fd, const std::string& path, ReaderScan readers) {
  LineCheck check;
  struct stat open {};
  if (fstat(fd, &open) != 0) {
    check.state = LineState::HungUp;
    return check;
  }
  struct stat node {};
  if (stat(path.c_str(), &node) != 0 || !kernelHasDevice(open)) {
    check.state = isPseudoTerminal(open) ? LineState::Closed : LineState::Removed;
    return check;
  }
  if (!S_ISCHR(node.st_mode) || node.st_rdev != open.st_rdev) {
    check.state = LineState::Renamed;
    return check;
  }
  pollfd line{fd, POLLIN | POLLOUT, 0};
  if (poll(&line, 1, 0) < 0 || (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
    check.state = LineState::HungUp;
    return check;
  }
  if (readers == ReaderScan::Scan) {
    const ProcScan scan = holdersFromProc(path, kMostReadersNamed);
    check.readers = scan.holders;
    check.sawAllProcesses = scan.complete;
  }
  return check;
}

}  // namespace qd40
