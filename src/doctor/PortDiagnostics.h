#pragma once
// Why a serial device will not open, found by looking at the system: the
// node, its mode, lock files, the processes, a trial open. None is guessed
// from the serial library's error code. It never keeps a device open, and it
// words nothing: PortMessages says what it found.
#include <optional>
#include <string>

#include "config/PortConfig.h"
#include "doctor/AccessCause.h"
#include "doctor/LockFiles.h"
#include "doctor/PermissionRule.h"
#include "doctor/ProcessScan.h"

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

// Whose a node or folder is, by name, and its permission bits.
struct Ownership {
  std::string user;
  std::string group;
  unsigned mode = 0;

  bool operator==(const Ownership&) const = default;
};

struct Diagnosis {
  OpenFailure failure = OpenFailure::Other;
  std::string path;                         // the node looked at (links resolved)
  Process holder;                           // InUse: who; StaleLock: the dead pid
  std::string lockPath;                     // InUse by a lock, StaleLock
  bool lockUnreadable = false;              // InUse: the lock cannot be read; holder.user owns it
  bool lockUnchecked = false;               // InUse: the lock's pid cannot be checked; holder.pid
  std::string reusedBy;                     // StaleLock: the program its pid belongs to now
  bool lockOwnedByUs = false;               // StaleLock: removable without root
  ModeClass modeClass = ModeClass::Others;  // Permission: whose bits apply to us
  std::string group;                        // Permission: the group to join, when that helps
  Ownership ownership;  // Permission: the node's (or folder's) owner, group and mode
  AccessCause accessCause = AccessCause::Mode;  // Permission: what refuses
  std::string folder;  // Permission: the folder that cannot be searched, or the nodev mount point
  bool groupMember = false;     // Permission: in the group, not yet logged in again
  bool pseudoTerminal = false;  // Exclusive
  bool sawAllProcesses = true;  // Exclusive: no other user's process was hidden
  std::size_t length = 0;       // NameTooLong: the bytes of the offending name
  bool lockName = false;        // NameTooLong: the lock file name, not the path
  std::string detail;           // Other: the system's words

  bool operator==(const Diagnosis&) const = default;
};

// The longest file name, and so lock file name, the system takes.
std::size_t longestFileName();

// Why `configured` does not open. `detail` is the serial library's own text,
// used only when no cause is found; locks are also looked for in the
// program's `temporaryFolder`.
Diagnosis diagnoseOpenFailure(const std::string& configured, const std::string& detail,
                              const std::string& temporaryFolder);

// A lock held by another process on the device, checked before an open:
// programs that lock by the other naming rule do not stop Qt's open, and a
// lock Qt cannot read stops it only after a while.
std::optional<Diagnosis> foreignLock(const std::string& configured, const std::string& path,
                                     const std::string& temporaryFolder);

// What a refused open of `device` (opened as `path`) would need changed to
// succeed, cheap to look at: the configured name, the node, /dev, the by-id
// links and every place a lock of the device could be.
std::string refusalStamp(const std::string& device, const std::string& path,
                         const std::string& temporaryFolder);

// What a failed open depends on: the refusal's stamp, the port and the
// library's error. While it stays the same, so does the
// diagnosis, and the expensive look through every process is not repeated.
std::string failureSignature(const PortIdentity& port, const std::string& path, int libraryError,
                             const std::string& temporaryFolder);

}  // namespace qd40
