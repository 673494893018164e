// The reasons given for a serial device that will not open: the right cause
// for each kind of node, and the fix the operator is told.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "serial/PortDiagnostics.h"

namespace qd40 {
namespace {

// The slave end of a fresh pseudo-terminal: a terminal nobody holds.
class FreeTerminal {
 public:
  FreeTerminal() : m_master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    grantpt(m_master);
    unlockpt(m_master);
    path = ptsname(m_master);
  }
  ~FreeTerminal() { close(m_master); }
  std::string path;

 private:
  int m_master;
};

TEST(PortDiagnostics, ClassifiesByWhatTheNodeIs) {
  FreeTerminal terminal;
  const std::string file = testing::TempDir() + "qd40-not-a-device";
  std::ofstream(file) << "x";
  struct Case {
    std::string device;
    int error;
    OpenFailure expected;
  };
  for (const Case& c :
       {Case{"/dev/qd40-no-such-node", ENOENT, OpenFailure::Missing},
        Case{"/dev/null", ENOTTY, OpenFailure::NotSerial}, Case{file, 0, OpenFailure::NotSerial},
        Case{"/tmp", 0, OpenFailure::NotSerial},
        Case{terminal.path, EACCES, OpenFailure::Permission},
        Case{terminal.path, EBUSY, OpenFailure::InUse},
        Case{terminal.path, 0, OpenFailure::Other}}) {
    EXPECT_EQ(classifyOpenFailure(c.device, c.error), c.expected) << c.device << " " << c.error;
  }
}

TEST(PortDiagnostics, DevicesComeFromTheVariablesOrTheBuiltInPorts) {
  unsetenv("QD40_COM2");
  EXPECT_EQ(portIdentity(2).device, "/dev/ttyS1");
  setenv("QD40_COM2", "/dev/ttyUSB3", 1);
  EXPECT_EQ(portIdentity(2).device, "/dev/ttyUSB3");
  EXPECT_EQ(portIdentity(2).variable, "QD40_COM2");
  unsetenv("QD40_COM2");
}

TEST(PortDiagnostics, EachReasonNamesTheDeviceAndTheFix) {
  const PortIdentity port{2, "/dev/ttyUSB7", "QD40_COM2"};
  const std::string missing = describeOpenFailure(port, OpenFailure::Missing, "");
  EXPECT_EQ(missing.rfind("COM2 (/dev/ttyUSB7): no such device.", 0), 0u) << missing;
  EXPECT_NE(missing.find("Set QD40_COM2"), std::string::npos);
  EXPECT_NE(missing.find("Serial devices on this machine: "), std::string::npos);

  const std::string denied = describeOpenFailure(port, OpenFailure::Permission, "");
  EXPECT_NE(denied.find("permission denied"), std::string::npos) << denied;
  EXPECT_NE(denied.find("sudo usermod -aG dialout "), std::string::npos) << denied;
  EXPECT_NE(denied.find("log in again"), std::string::npos);

  const std::string other = describeOpenFailure(port, OpenFailure::Other, "Input/output error");
  EXPECT_NE(other.find("(Input/output error)"), std::string::npos) << other;
}

TEST(PortDiagnostics, HolderIsFoundThroughItsLockFile) {
  const std::string lockDir = "/run/lock";
  if (access(lockDir.c_str(), W_OK) != 0) GTEST_SKIP() << "no writable lock directory";
  const pid_t holder = fork();
  if (holder == 0) {
    pause();
    _exit(0);
  }
  const std::string name = "qd40-test-" + std::to_string(getpid());
  const std::string lock = lockDir + "/LCK.." + name;
  std::ofstream(lock) << holder << "\nminicom\nhost\n";
  const std::string found = findHolder("/dev/" + name);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  const std::string stale = findHolder("/dev/" + name);
  std::filesystem::remove(lock);
  EXPECT_NE(found.find("(process " + std::to_string(holder) + ")"), std::string::npos) << found;
  EXPECT_EQ(stale, "") << "a dead holder's lock file counts for nothing";
}

}  // namespace
}  // namespace qd40
