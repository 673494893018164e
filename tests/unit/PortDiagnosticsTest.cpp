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

#include "PortTestSupport.h"
#include "doctor/DevicePaths.h"
#include "doctor/PortDiagnostics.h"

namespace qd40::test {
namespace {

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
  EXPECT_EQ(printablePath(odd.path), testing::TempDir() + "qd40-<xFF><xFE>-com1");
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
  const Sleeper holder(terminal.path);
  const std::string name = comm(holder.pid);
  for (const std::string& lock :
       {kLockDir + qtLockName(terminal.path), kLockDir + "LCK..ttyQD40T" + std::to_string(getpid()),
        kLockDir + qtLockName(link.path)}) {
    std::ofstream(lock) << "     " << holder.pid << "\n";
    EXPECT_EQ(describe(link.path), "COM1 (" + link.path + "): in use by " + name + " (process " +
                                       std::to_string(holder.pid) +
                                       " of user root). Close it, then choose the port again.")
        << lock;
    const std::optional<Diagnosis> before = foreignLock(link.path, terminal.path, "/tmp");
    EXPECT_TRUE(before && before->holder.pid == holder.pid) << "checked before opening: " << lock;
    fs::remove(lock);
  }
  EXPECT_FALSE(foreignLock(link.path, terminal.path, "/tmp"));
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

  // A lock of this very process is live, by whatever name it was taken:
  // never one to tell the operator to remove.
  std::ofstream(lock) << getpid() << "\nqd40ctl\nhost\n";
  EXPECT_EQ(describe(terminal.path).find("rm "), std::string::npos) << describe(terminal.path);
  fs::remove(lock);
}

TEST(PortDiagnostics, PermissionAdviceFollowsTheBitsTheKernelAppliesToTheUser) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  const std::string noGroup =
      "Its mode gives no group both read and write access, so joining a group would not help.";
  const std::string asOwner =
      "You own it, so the kernel applies the owner's bits, which do not "
      "allow both reading and writing; joining a group would not help. "
      "Allow them with 'chmod u+rw " +
      terminal.path + "', then choose the port again.";
  struct Case {
    uid_t owner;
    gid_t group;
    mode_t mode;
    std::string says;
  };
  for (const Case& c : {
           Case{0, 5, 0660,
                "owner root, group tty, mode 0660). Add your user to the tty group with "
                "'sudo usermod -aG tty nobody', then log out and log in again."},
           Case{0, 5, 0620, "owner root, group tty, mode 0620). " + noGroup},
           Case{0, 5, 0000, "owner root, group tty, mode 0000). " + noGroup},
           Case{kNobody, 20, 0066, "owner nobody, group dialout, mode 0066). " + asOwner},
           Case{kNobody, 20, 0460, "owner nobody, group dialout, mode 0460). " + asOwner},
           Case{0, kNoGroup, 0606,
                "owner root, group nogroup, mode 0606). Your session is in its group nogroup, so "
                "the kernel applies the group's bits, which do not allow both reading and "
                "writing; joining another group would not help. Allow them with 'sudo chmod "
                "g+rw " +
                    terminal.path + "', then choose the port again."},
       }) {
    chown(terminal.path.c_str(), c.owner, c.group);
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
  const std::string before = failureSignature(port, terminal.path, 1, "/tmp");
  EXPECT_EQ(failureSignature(port, terminal.path, 1, "/tmp"), before) << "nothing changed";
  // A lock under either name, Qt's or other serial programs', is a change:
  // a refusal cached for one must not outlive a program taking the other.
  for (const std::string& name : {qtLockName(terminal.path), uucpLockName(terminal.path)}) {
    const std::string lock = kLockDir + name;
    const std::string stamp = refusalStamp(port.device, terminal.path, "/tmp");
    std::ofstream(lock) << deadPid() << "\n";
    const std::string locked = failureSignature(port, terminal.path, 1, "/tmp");
    const std::string lockedStamp = refusalStamp(port.device, terminal.path, "/tmp");
    fs::remove(lock);
    EXPECT_NE(locked, before) << name;
    EXPECT_NE(lockedStamp, stamp) << name;
  }
  EXPECT_NE(failureSignature(port, terminal.path, 2, "/tmp"), before) << "another library error";
}

}  // namespace
}  // namespace qd40::test
