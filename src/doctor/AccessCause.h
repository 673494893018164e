#pragma once
// Why the kernel refuses this user a device node, found by looking: a folder
// on the path that cannot be searched, a file system mounted "nodev", an
// access control list, the mode bits, or none that can be seen (a security
// module decides unseen). Advice about the mode is only given where the mode
// is the cause.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

namespace qd40 {

enum class AccessCause {
  Mode,         // the mode bits that apply to this user do not allow reading and writing
  NoDevMount,   // the node lies on a file system mounted "nodev": no device opens there
  Acl,          // an access control list on the node decides, and refuses
  Folder,       // a folder on the path cannot be searched
  Unseen,       // the mode allows it and no cause can be seen
  RootRefused,  // refused to root, and no cause can be seen
};

// The mount point of the "nodev" mount that holds `path` (links resolved),
// from the text of /proc/self/mountinfo; nothing when that mount allows
// devices.
std::optional<std::string> noDevMount(std::string_view mountinfo, const std::string& path);

// The first folder of `path` this process may not search; empty when none.
std::string unsearchableFolder(const std::string& path);

// Why opening the node `path` (links resolved), with `info`, is refused.
// `mountPoint` receives the nodev mount's point.
AccessCause refusalCause(const std::string& path, const struct stat& info, std::string& mountPoint);

}  // namespace qd40
