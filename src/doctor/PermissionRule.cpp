// Whose mode bits the kernel applies, worked out as the kernel does.
#include "doctor/PermissionRule.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace qd40 {

ModeClass modeClassFor(const struct stat& info) {
  if (info.st_uid == geteuid()) return ModeClass::Owner;
  if (sessionHasGroup(info.st_gid)) return ModeClass::Group;
  return ModeClass::Others;
}

bool allowsReadWrite(mode_t mode, ModeClass modeClass) {
  switch (modeClass) {
    case ModeClass::Owner:
      return (mode & S_IRUSR) && (mode & S_IWUSR);
    case ModeClass::Group:
      return (mode & S_IRGRP) && (mode & S_IWGRP);
    case ModeClass::Others:
      break;
  }
  return (mode & S_IROTH) && (mode & S_IWOTH);
}

bool sessionHasGroup(gid_t gid) {
  if (getegid() == gid) return true;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
  const int count = std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0);
  return std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
}

bool userListedInGroup(gid_t gid) {
  const passwd* user = getpwuid(getuid());
  if (user == nullptr) return false;
  int count = 0;
  getgrouplist(user->pw_name, user->pw_gid, nullptr, &count);
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
  getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count);
  return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

}  // namespace qd40
