#pragma once
// Plain-language reasons for a serial device that will not open, or that
// stopped working: which device, what is wrong and, where there is one that
// works, the fix. Every reason is found by looking at the system (the node,
// its mode, lock files, the processes, a trial open, the open line itself);
// none is guessed from the serial library's error code. It never keeps a
// device open.
#include <optional>
#include <string>
#include <vector>

#include "serial/LockFiles.h"
#include "serial/PermissionRule.h"
#include "serial/PortConfig.h"

namespace qd40 {

enum class OpenFailure {
  Missing,      // no node at the path (or a link to nothing)
  NotSerial,    // a node, but not a terminal
  Permission,   // this user may not read and write the node
  InUse,        // a live process holds it: by a lock file, or open
  StaleLock,    // a lock file left by a process that is gone
  Exclusive,    // the open is refused as busy and no visible process holds it
  NameTooLong,  // the path is too long for the system or for a lock file name
  NotUtf8,      // the node's own path is not UTF-8, and no other name reaches it
  Other,
};

// The path to open for a configured name: every link resolved, so that a
// device has one lock and one exclusive mode whatever name it is given. A
// node whose own path is not UTF-8 is reached through /dev/char or /dev/pts
// when they name it. Empty when the name resolves to nothing.
std::string openablePath(const std::string& configured);

struct Process {
  long pid = 0;
  std::string name;  // the command name
  std::string user;  // the owner's login name
};

struct Diagnosis {
  OpenFailure failure = OpenFailure::Other;
  std::string path;                         // the node looked at (links resolved)
  Process holder;                           // InUse: who; StaleLock: the dead pid
  std::string lockPath;                     // InUse by a lock, StaleLock
  bool lockUnreadable = false;              // InUse: the lock cannot be read; holder.user owns it
  std::string reusedBy;                     // StaleLock: the program its pid belongs to now
  bool lockOwnedByUs = false;               // StaleLock: removable without root
  ModeClass modeClass = ModeClass::Others;  // Permission: whose bits apply to us
  std::string group;                        // Permission: the group to join, when that helps
  std::string owner;                        // Permission: the node's owner, mode and group
  bool groupMember = false;                 // Permission: in the group, not yet logged in again
  bool pseudoTerminal = false;              // Exclusive
  bool sawAllProcesses = true;              // Exclusive: no other user's process was hidden
  std::size_t length = 0;                   // NameTooLong: the bytes of the offending name
  bool lockName = false;                    // NameTooLong: the lock file name, not the path
  std::string detail;                       // Other: the system's words

  bool operator==(const Diagnosis&) const = default;
};

// Why `configured` does not open. `detail` is the serial library's own text,
// used only when no cause is found.
Diagnosis diagnoseOpenFailure(const std::string& configured, const std::string& detail);

// A lock held by another process on the device, checked before an open:
// programs that lock by the other naming rule do not stop Qt's open, and a
// lock Qt cannot read stops it only after a while.
std::optional<Diagnosis> foreignLock(const std::string& configured, const std::string& path);

// Serial devices this machine has, for the operator to choose from.
std::vector<std::string> listSerialDevices();

std::string describeOpenFailure(const PortIdentity& port, const Diagnosis& diagnosis);

// What checking an open line found after the serial library reported an
// error on it.
enum class LineState {
  Working,  // present and not hung up: no loss
  Removed,  // its node is gone, or the kernel has dropped the device
  Closed,   // a pseudo-terminal whose maker closed it
  Renamed,  // its node now stands for another device
  HungUp,   // present, but hung up
};

std::string describeLostPort(const PortIdentity& port, LineState state, const std::string& node);

// Other programs that have the open port open too, and may read the replies
// before the panel does; empty when none was seen and none could be hidden.
std::string describeOtherReaders(const PortIdentity& port, const std::vector<Process>& readers,
                                 bool sawAllProcesses);

// The state of `nodes` (inode, mode, owner, device number, times) in one
// string, which changes when any of them is made, removed, replaced or
// changed.
std::string nodeStamp(const std::vector<std::string>& nodes);

// What a failed open depends on, cheap to find: the nodes, the lock files,
// /dev itself and the library's error. While it stays the same, so does the
// diagnosis, and the expensive look through every process is not repeated.
std::string failureSignature(const PortIdentity& port, const std::string& path, int libraryError);

// A path for a message: bytes that are not UTF-8 are written as \xNN.
std::string printablePath(const std::string& path);

}  // namespace qd40
