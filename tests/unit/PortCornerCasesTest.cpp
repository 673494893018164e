// The port messages where they used to be false: a lock that cannot be read,
// a process number reused by another program, lock folders Qt uses that were
// not searched, paths that are not UTF-8, and what an open line that reported
// an error is really like.
#include <sys/ioctl.h>
#include <sys/sysmacros.h>

#include "PortTestSupport.h"
#include "doctor/LineCheck.h"
#include "line/QtSerialService.h"
#include "protocol/LogText.h"
#include "protocol/Utf8.h"

namespace qd40::test {
namespace {

// A lock file the test writes and removes, in a folder it makes if missing.
struct LockAt {
  LockAt(const std::string& folder, const std::string& name, const std::string& text,
         mode_t mode = 0644)
      : made(!fs::exists(folder)), dir(folder), path(folder + "/" + name) {
    fs::create_directories(folder);
    std::ofstream(path) << text;
    chmod(path.c_str(), mode);
  }
  ~LockAt() {
    fs::remove(path);
    if (made) fs::remove(dir);
  }
  bool made;
  std::string dir, path;
};

TEST(PortCornerCases, OneUtf8CheckRejectsSurrogatesOverlongFormsAndCodePointsBeyondUnicode) {
  struct Case {
    const char* bytes;
    const char* printable;  // as a path in a message
    const char* logged;     // as line bytes in a log
  };
  for (const Case& c : {
           Case{"/dev/\xED\xA0\x80", "/dev/<xED><xA0><x80>", "\"/dev/\"<xED><xA0><x80>"},
           Case{"/dev/\xE0\x80\x80", "/dev/<xE0><x80><x80>", "\"/dev/\"<xE0><x80><x80>"},
           Case{"/dev/\xF4\x90\x80\x80", "/dev/<xF4><x90><x80><x80>",
                "\"/dev/\"<xF4><x90><x80><x80>"},
           Case{"/dev/tty\xC3\xA9", "/dev/tty\xC3\xA9", "\"/dev/tty\xC3\xA9\""},
       }) {
    EXPECT_EQ(printablePath(c.bytes), c.printable);
    EXPECT_EQ(renderBytes(c.bytes), c.logged);
    const bool valid = std::string(c.bytes) == c.printable;
    EXPECT_EQ(isValidUtf8(c.bytes), valid) << c.printable;
    EXPECT_EQ(fromUtf8(c.bytes).find(0xFFFD) == Text::npos, valid) << c.printable;
  }
}

TEST(PortCornerCases, ALockThatCannotBeReadIsAHolderNeverStale) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  chmod(terminal.path.c_str(), 0666);
  const Sleeper holder(terminal.path);
  // Another user's panel under umask 077, locking by the base name that Qt
  // itself does not look for.
  const LockAt lock("/var/lock", uucpLockName(terminal.path), std::to_string(holder.pid), 0600);
  const std::optional<std::string> said = asNobody([&] {
    return describe(terminal.path) + "|" +
           (foreignLock(terminal.path, terminal.path, "/tmp") ? "held" : "");
  });
  if (!said) GTEST_SKIP() << "cannot become the user 'nobody'";
  EXPECT_EQ(*said, "COM1 (" + terminal.path +
                       "): in use by a program of user root; its lock file cannot be read (" +
                       lock.path + "). Ask root to close it, then choose the port again.|held");
}

// A lock as uucp-style programs write it: the pid in ten columns.
std::string oldStyle(pid_t pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
  return text;
}

TEST(PortCornerCases, AProcessNumberHoldsTheLockOnlyIfItHoldsTheDeviceOrBearsTheLockedName) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  chmod(terminal.path.c_str(), 0666);
  const Sleeper innocent;  // runs, but never opened the device
  const Sleeper holder(terminal.path);
  const std::string qtLock = qtLockName(terminal.path);
  struct Case {
    std::string lock;  // what the lock records
    bool asNobody;     // who looks: open files of root's processes are hidden from 'nobody'
    std::string says;
  };
  const std::string self = comm(innocent.pid), init = comm(1);
  for (const Case& c : {
           Case{std::to_string(innocent.pid) + "\n" + self + "\nhost\n", false,
                "locked by " + kLockDir + qtLock + ", left by process " +
                    std::to_string(innocent.pid) + ", which no longer runs (the number " +
                    std::to_string(innocent.pid) + " now belongs to " + self +
                    ", which does not use the port)"},
           Case{"1\nqd40-control\nhost\n", true,
                "locked by " + kLockDir + qtLock +
                    ", left by process 1, which no longer runs (the number 1 now belongs to " +
                    init + ", which does not use the port)"},
           // An old-style lock records the pid alone; the process under that
           // number is another user's, whose open files 'nobody' cannot see.
           Case{oldStyle(innocent.pid), true,
                "locked by " + kLockDir + qtLock + ", which records only process " +
                    std::to_string(innocent.pid) + "; whether process " +
                    std::to_string(innocent.pid) +
                    " uses the port cannot be checked, because its open files are hidden from "
                    "this user. If the port should be free, ask an administrator to check the "
                    "lock, then choose the port again"},
           Case{std::to_string(holder.pid) + "\n" + self + "\nhost\n", true,
                "in use by " + self + " (process " + std::to_string(holder.pid) + " of user root)"},
       }) {
    const LockAt lock("/var/lock", qtLock, c.lock);
    const std::optional<std::string> said =
        c.asNobody ? asNobody([&] { return describe(terminal.path); }) : describe(terminal.path);
    if (!said) GTEST_SKIP() << "cannot become the user 'nobody'";
    EXPECT_EQ(said->rfind("COM1 (" + terminal.path + "): " + c.says + ".", 0), 0u) << *said;
  }
}

TEST(PortCornerCases, LocksAreFoundInEveryFolderQtSerialPortUses) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  const Sleeper holder(terminal.path);
  // The last is the program's temporary folder, which its configuration
  // names: the serial layer does not read TMPDIR itself.
  const std::string own = "/tmp/qd40-own-tmp-" + std::to_string(getpid());
  for (const std::string& folder : {std::string("/etc/locks"), std::string("/var/spool/locks"),
                                    std::string("/var/spool/uucp"), own}) {
    const LockAt lock(folder, qtLockName(terminal.path), std::to_string(holder.pid) + "\n");
    const std::optional<Diagnosis> held = foreignLock(terminal.path, terminal.path, own);
    ASSERT_TRUE(held) << folder;
    EXPECT_EQ(held->lockPath, lock.path);
    EXPECT_EQ(held->holder.pid, holder.pid);
  }
}

TEST(PortCornerCases, AnOpenLineIsCheckedForWhatReallyBecameOfIt) {
  SKIP_UNLESS_ROOT();
  // A node of the test's own that stands for /dev/null: the path the line
  // was opened as, once udev has given it to another device.
  const std::string other = testing::TempDir() + "qd40-other-" + std::to_string(getpid());
  fs::remove(other);
  ASSERT_EQ(mknod(other.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
  struct Case {
    const char* what;
    LineState state;
  };
  for (const Case& c :
       {Case{"untouched", LineState::Working}, Case{"hung up by the kernel", LineState::HungUp},
        Case{"closed by its maker", LineState::Closed},
        Case{"its node given to another device", LineState::Renamed}}) {
    Terminal terminal;
    const int fd = open(terminal.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string what = c.what;
    if (what == "hung up by the kernel") {
      ASSERT_EQ(ioctl(fd, TIOCVHANGUP), 0);
    }
    if (what == "closed by its maker") terminal.hangUp();
    const std::string path = what == "its node given to another device" ? other : terminal.path;
    EXPECT_EQ(checkOpenLine(fd, path, ReaderScan::Skip).state, c.state) << c.what;
    close(fd);
  }
  fs::remove(other);
}

// What the panel says when a reply window closes empty: the programs seen
// with the port open, and nothing where none can be seen, never a guess.
TEST(PortCornerCases, AMissingReplyNamesOnlyTheProgramsSeenWithThePortOpen) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  chmod(terminal.path.c_str(), 0666);
  const auto missing = [&] {
    const PortConfig ports({"", terminal.path, ""}, {});
    QtSerialService serial(ports);
    std::string told = "|";
    serial.setTroubleHandler([&](const std::string& why) { told += why + "|"; });
    if (!serial.open()) return std::string("not opened");
    serial.replyMissing();
    serial.deliverReaderLook();
    return told;
  };
  EXPECT_EQ(missing(), "|") << "no other program";
  const Sleeper reader(terminal.path);
  EXPECT_EQ(missing(), "|COM1 (" + terminal.path + "): another program reads this port: " +
                           comm(reader.pid) + " (process " + std::to_string(reader.pid) +
                           " of user root); it may take the replies. Close it so that every "
                           "reply reaches the panel.|");
  // Root's open files are hidden from 'nobody', who is told nothing.
  const std::optional<std::string> said = asNobody(missing);
  if (!said) GTEST_SKIP() << "cannot become the user 'nobody'";
  EXPECT_EQ(*said, "|");
}

}  // namespace
}  // namespace qd40::test
