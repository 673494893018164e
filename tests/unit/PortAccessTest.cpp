// What refuses a device node, named from what can be checked: a folder that
// cannot be searched, a file system mounted 'nodev', an access control list,
// the mode; and advice about the mode only where the mode is the cause.
#include <sys/mount.h>
#include <sys/xattr.h>

#include <cstdint>
#include <cstring>

#include "PortTestSupport.h"
#include "doctor/AccessCause.h"

namespace qd40::test {
namespace {

// An access control list that lets everyone read and write but 'nobody'.
std::vector<char> aclRefusingNobody() {
  struct Entry {
    std::uint16_t tag, perm;
    std::uint32_t id;
  };
  constexpr std::uint32_t kAny = 0xFFFFFFFF;
  const Entry entries[] = {
      {0x01, 6, kAny}, {0x02, 0, kNobody}, {0x04, 6, kAny}, {0x10, 6, kAny}, {0x20, 6, kAny}};
  std::vector<char> bytes(4 + sizeof entries);
  const std::uint32_t version = 2;
  std::memcpy(bytes.data(), &version, 4);
  std::memcpy(bytes.data() + 4, entries, sizeof entries);
  return bytes;
}

TEST(PortAccess, ARefusedNodeNamesWhatRefusesIt) {
  SKIP_UNLESS_ROOT();
  Terminal terminal;
  struct stat tty {};
  ASSERT_EQ(stat(terminal.path.c_str(), &tty), 0);
  const std::string mount = testing::TempDir() + "qd40-access-" + std::to_string(getpid());
  const std::string folder = mount + "/sub", node = folder + "/com1";
  const std::string denied =
      "COM1 (" + node + "): permission denied (owner root, group root, mode ";
  const std::string noDev =
      "Its mode is not the cause: it lies on a file system mounted with "
      "'nodev' at " +
      mount +
      ", where the kernel opens no device node. Use "
      "the device's node under /dev, or mount " +
      mount + " without 'nodev'.";
  struct Case {
    const char* options;  // the file system's mount options
    mode_t folderMode, nodeMode;
    bool acl, asNobody;
    std::string says;
  };
  for (const Case& c : {
           Case{"mode=0755", 0755, 0600, false, true,
                denied + "0600). Its mode gives no group both read and write access, so "
                         "joining a group would not help."},
           Case{"nodev,mode=0755", 0755, 0666, false, true, denied + "0666). " + noDev},
           // Root too: no advice about the mode, which does not stop root.
           Case{"nodev,mode=0755", 0755, 0600, false, false, denied + "0600). " + noDev},
           Case{"mode=0755", 0755, 0666, true, true,
                denied +
                    "0666). An access control list on it decides who may read and write "
                    "it, and it does not let this user; see 'getfacl " +
                    node + "'."},
           Case{"mode=0755", 0700, 0666, false, true,
                "COM1 (" + node + "): permission denied: the folder " + folder +
                    " on its path cannot be searched by this user (owner root, group root, mode "
                    "0700), so nothing in it can be reached. Use a path outside it, or ask the "
                    "folder's owner to allow searching it."},
       }) {
    fs::create_directories(mount);
    const bool noDev = std::string(c.options).rfind("nodev,", 0) == 0;
    const std::string data = noDev ? c.options + 6 : c.options;
    if (::mount("qd40-test", mount.c_str(), "tmpfs", noDev ? MS_NODEV : 0, data.c_str()) != 0) {
      GTEST_SKIP() << "cannot mount a file system: " << std::strerror(errno);
    }
    fs::create_directories(folder);
    chmod(folder.c_str(), c.folderMode);
    ASSERT_EQ(mknod(node.c_str(), S_IFCHR | c.nodeMode, tty.st_rdev), 0);
    chmod(node.c_str(), c.nodeMode);
    const std::vector<char> acl = aclRefusingNobody();
    const bool aclSet =
        !c.acl || setxattr(node.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    const std::optional<std::string> said =
        c.asNobody ? asNobody([&] { return describe(node); }) : describe(node);
    umount(mount.c_str());
    fs::remove(mount);
    if (!aclSet) GTEST_SKIP() << "no access control lists here";
    if (!said) GTEST_SKIP() << "cannot become the user 'nobody'";
    EXPECT_EQ(*said, c.says) << c.options;
  }
}

TEST(PortAccess, TheMountThatHoldsAPathDecidesNodev) {
  const std::string table =
      "22 1 0:21 / / rw,relatime - ext4 /dev/sda1 rw\n"
      "30 22 0:5 / /dev rw,nosuid - devtmpfs udev rw\n"
      "40 22 0:40 / /srv/lab\\040one rw,nodev - tmpfs lab rw\n"
      "41 40 0:41 / /srv/lab\\040one/ok rw - tmpfs ok rw\n";
  struct Case {
    const char* path;
    std::optional<std::string> mount;
  };
  for (const Case& c : {
           Case{"/dev/ttyS0", std::nullopt},
           Case{"/srv/lab one/com1", "/srv/lab one"},
           Case{"/srv/lab one/ok/com1", std::nullopt},
           Case{"/srv/lab onex/com1", std::nullopt},
       }) {
    EXPECT_EQ(noDevMount(table, c.path), c.mount) << c.path;
  }
}

}  // namespace
}  // namespace qd40::test
