// The reasons given for a serial device that will not open: each cause found
// on a real pseudo-terminal, told with its true message and a fix that works.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "serial/PortDiagnostics.h"

namespace qd40 {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
const std::string kLockDir = "/var/lock/";

// The slave end of a fresh pseudo-terminal, whose master the test keeps.
class Terminal {
 public:
  Terminal() : m_master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    grantpt(m_master);
    unlockpt(m_master);
    path = ptsname(m_master);
  }
  ~Terminal() { close(m_master); }
  std::string path;

 private:
  int m_master;
};

// A link the test removes again.
struct Link {
  Link(const std::string& target, std::string at) : path(std::move(at)) {
    fs::remove(path);
    fs::create_symlink(target, path);
  }
  ~Link() { fs::remove(path); }
  std::string path;
};

// A child process that waits to be killed; its pid is a live holder.
struct Sleeper {
  Sleeper() : pid(fork()) {
    if (pid == 0) {
      pause();
      _exit(0);
    }
  }
  ~Sleeper() {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid_t pid;
};

pid_t deadPid() {
  const pid_t pid = fork();
  if (pid == 0) _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

std::string comm(pid_t pid) {
  std::string name;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
  return name;
}

std::string describe(const std::string& device) {
  return describeOpenFailure({1, device, "QD40_COM1"}, diagnoseOpenFailure(device, "Qt's words"));
}

// Runs `work` in a child process as the unprivileged user 'nobody' and
// returns what it printed. Empty optional when this process cannot do that.
std::optional<std::string> asNobody(const std::function<std::string()>& work) {
  if (geteuid() != 0) return std::nullopt;
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    if (setgroups(0, nullptr) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0) _exit(2);
    const std::string said = work();
    [[maybe_unused]] const ssize_t n = write(out[1], said.data(), said.size());
    _exit(0);
  }
  close(out[1]);
  std::string said;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) said.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return said;
}

#define SKIP_UNLESS_ROOT() \
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make lock files, nodes and another user"

TEST(PortDiagnostics, LockFilesAreNamedAsQtAndAsOtherSerialProgramsNameThem) {
  struct Case {
    const char* path;
    const char* qt;
    const char* uucp;
  };
  for (const Case& c : {Case{"/dev/pts/2", "LCK..pts_2", "LCK..2"},
                        Case{"/dev/ttyUSB0", "LCK..ttyUSB0", "LCK..ttyUSB0"},
                        Case{"/dev/serial/by-id/usb-X", "LCK..serial_by-id_usb-X", "LCK..usb-X"},
                        Case{"/srv/lab/com1", "LCK.._srv_lab_com1", "LCK..com1"}}) {
    EXPECT_EQ(qtLockName(c.path), c.qt);
    EXPECT_EQ(uucpLockName(c.path), c.uucp);
  }
}

TEST(PortDiagnostics, LinksAreFollowedToTheDeviceAlsoFromANameThatIsNotUtf8) {
  Terminal terminal;
  const Link plain(terminal.path, testing::TempDir() + "qd40-com1");
  const Link odd(terminal.path, testing::TempDir() + "qd40-\xff\xfe-com1");
  EXPECT_EQ(openablePath(plain.path), terminal.path);
  EXPECT_EQ(openablePath(odd.path), terminal.path);
  EXPECT_EQ(printablePath(odd.path), testing::TempDir() + "qd40-\\xFF\\xFE-com1");
  EXPECT_EQ(printablePath("/dev/ttyé"), "/dev/ttyé");
  EXPECT_EQ(openablePath("/dev/qd40-no-such-node"), "");
}

TEST(PortDiagnostics, MissingAndNonSerialNodesAreToldApart) {
  const Link dangling("/dev/qd40-gone", testing::TempDir() + "qd40-dangling");
  const std::string file = testing::TempDir() + "qd40-not-a-device";
  std::ofstream(file) << "x";
  for (const std::string& missing : {std::string("/dev/qd40-no-such-node"), dangling.path}) {
    EXPECT_EQ(describe(missing).rfind("COM1 (" + missing + "): no such device. Set QD40_COM1", 0),
              0u)
        << describe(missing);
  }
  for (const std::string& other : {std::string("/dev/null"), file, std::string("/tmp")}) {
    EXPECT_EQ(describe(other),
              "COM1 (" + other +
                  "): not a serial device. Set QD40_COM1 to the projector's serial device.");
  }
}

TEST(PortDiagnostics, ALiveLockByEitherNameGivesTheHolderNamePidAndUser) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  const Link link(terminal.path, "/tmp/ttyQD40T" + std::to_string(getpid()));
  const Sleeper holder;
  const std::string name = comm(holder.pid);
  for (const std::string& lock :
       {kLockDir + qtLockName(terminal.path), kLockDir + "LCK..ttyQD40T" + std::to_string(getpid()),
        kLockDir + qtLockName(link.path)}) {
    std::ofstream(lock) << "     " << holder.pid << "\n";
    EXPECT_EQ(describe(link.path), "COM1 (" + link.path + "): in use by " + name + " (process " +
                                       std::to_string(holder.pid) +
                                       " of user root). Close it, then choose the port again.")
        << lock;
    const std::optional<Diagnosis> before = foreignLock(link.path, terminal.path);
    EXPECT_TRUE(before && before->holder.pid == holder.pid) << "checked before opening: " << lock;
    fs::remove(lock);
  }
  EXPECT_FALSE(foreignLock(link.path, terminal.path));
}

TEST(PortDiagnostics, AStaleLockGivesItsPathItsDeadPidAndTheCommandThatRemovesIt) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  chmod(terminal.path.c_str(), 0666);
  const std::string lock = kLockDir + qtLockName(terminal.path);
  const pid_t dead = deadPid();
  std::ofstream(lock) << dead << "\nqd40-control\nhost\n";
  const std::string asRoot = describe(terminal.path);
  const std::optional<std::string> asUser = asNobody([&] { return describe(terminal.path); });
  fs::remove(lock);
  const std::string expected = "COM1 (" + terminal.path + "): locked by " + lock +
                               ", left by process " + std::to_string(dead) +
                               ", which no longer runs. Remove it with '";
  EXPECT_EQ(asRoot, expected + "rm " + lock + "', then choose the port again.");
  if (asUser) EXPECT_EQ(*asUser, expected + "sudo rm " + lock + "', then choose the port again.");
  EXPECT_EQ(describe(terminal.path),
            "COM1 (" + terminal.path + "): cannot be opened (Qt's words).");

  // A panel killed between making its lock file and writing its pid.
  std::ofstream{lock};
  EXPECT_EQ(describe(terminal.path), "COM1 (" + terminal.path + "): locked by " + lock +
                                         ", which names no process: a program ended while "
                                         "taking the port. Remove it with 'rm " +
                                         lock + "', then choose the port again.");
  fs::remove(lock);
}

TEST(PortDiagnostics, PermissionNamesTheRealGroupAndAdvisesJoiningOnlyWhenThatHelps) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  struct Case {
    mode_t mode;
    const char* says;
  };
  for (const Case& c :
       {Case{0660,
             "owner root, group tty, mode 0660). Add your user to the tty group with "
             "'sudo usermod -aG tty nobody', then log out and log in again."},
        Case{0620,
             "owner root, group tty, mode 0620). Its mode gives no group both read and "
             "write access, so joining a group would not help."},
        Case{0000,
             "owner root, group tty, mode 0000). Its mode gives no group both read and "
             "write access, so joining a group would not help."}}) {
    chown(terminal.path.c_str(), 0, 5);
    chmod(terminal.path.c_str(), c.mode);
    const std::optional<std::string> said = asNobody([&] { return describe(terminal.path); });
    if (!said) GTEST_SKIP() << "cannot become the user 'nobody'";
    EXPECT_EQ(*said, "COM1 (" + terminal.path + "): permission denied (" + c.says);
  }
}

TEST(PortDiagnostics, ExclusiveModeLeftOnAPtyIsToldWithACommandThatClearsIt) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  chmod(terminal.path.c_str(), 0666);
  const int slave = open(terminal.path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(ioctl(slave, TIOCEXCL), 0);
  close(slave);  // as a killed program's descriptor is closed
  const auto tryOpen = [&] {
    const int fd = open(terminal.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::string(errno == EBUSY ? "busy" : "error");
    close(fd);
    return std::string("opened");
  };
  const std::optional<std::string> said = asNobody([&] { return describe(terminal.path); });
  if (!said) GTEST_SKIP() << "cannot become the user 'nobody'";
  EXPECT_EQ(said->rfind("COM1 (" + terminal.path +
                            "): refused as busy: a program of another user holds it in exclusive "
                            "mode, or it was left in exclusive mode by a program that ended",
                        0),
            0u)
      << *said;
  EXPECT_EQ(asNobody(tryOpen), "busy");
  // The command the message gives, run as it says.
  const std::size_t from = said->find("sudo perl");
  ASSERT_NE(from, std::string::npos);
  const std::string command = said->substr(from + 5, said->size() - from - 6);
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(asNobody(tryOpen), "opened");
}

TEST(PortDiagnostics, NamesTooLongForTheSystemOrForALockFileAreSaidToBe) {
  const std::string huge = "/dev/" + std::string(5000, 'x');
  EXPECT_EQ(describe(huge), "COM1 (" + huge +
                                "): the path is too long (5005 bytes). Set QD40_COM1 to a shorter "
                                "path of the device.");
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  struct stat info {};
  ASSERT_EQ(stat(terminal.path.c_str(), &info), 0);
  const std::string dir = testing::TempDir() + std::string(200, 'd');
  fs::create_directories(dir);
  const std::string node = dir + "/" + std::string(80, 'n');
  fs::remove(node);
  if (mknod(node.c_str(), S_IFCHR | 0600, info.st_rdev) != 0) GTEST_SKIP() << "cannot make nodes";
  const Link link(node, testing::TempDir() + "qd40-short");
  const std::string said = describe(link.path);
  fs::remove_all(dir);
  EXPECT_EQ(said, "COM1 (" + link.path + "): the device's path " + node +
                      " is too long to name its lock file (" +
                      std::to_string(qtLockName(node).size()) +
                      " bytes, at most 255). Use a device node with a shorter path; a link is not "
                      "enough, because links are followed to the device.");
}

TEST(PortDiagnostics, TheSignatureOfAFailureChangesWithTheLockFiles) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  const PortIdentity port{1, terminal.path, "QD40_COM1"};
  const std::string before = failureSignature(port, terminal.path, 1);
  EXPECT_EQ(failureSignature(port, terminal.path, 1), before) << "nothing changed";
  const std::string lock = kLockDir + qtLockName(terminal.path);
  std::ofstream(lock) << deadPid() << "\n";
  const std::string locked = failureSignature(port, terminal.path, 1);
  fs::remove(lock);
  EXPECT_NE(locked, before);
  EXPECT_NE(failureSignature(port, terminal.path, 2), before) << "another library error";
}

}  // namespace
}  // namespace qd40
