#pragma once
// The rule the kernel applies to a node's mode: its owner gets the owner's
// bits, members of its group the group's, everyone else the others' bits;
// never more than one of the three. Advice about access is built from this
// rule, so it only ever names a change that would let this user in.
#include <sys/stat.h>

namespace qd40 {

enum class ModeClass { Owner, Group, Others };

// Whose bits of `info`'s mode apply to this process.
ModeClass modeClassFor(const struct stat& info);
// Whether the bits of `modeClass` in `mode` allow both reading and writing.
bool allowsReadWrite(mode_t mode, ModeClass modeClass);
// Whether this process has `gid` among its groups now.
bool sessionHasGroup(gid_t gid);
// Whether the user database lists this user in `gid`, as the next session
// would have it.
bool userListedInGroup(gid_t gid);

}  // namespace qd40
