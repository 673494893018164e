#pragma once
// Plain-language reasons for a serial device that will not open: which device,
// what is wrong and, where there is one that works, the fix. Every reason is
// found by looking at the system (the node, its mode, lock files, the
// processes, a trial open); none is guessed from the serial library's error
// code. It never keeps a device open.
#include <optional>
#include <string>
#include <vector>

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

// The lock file Qt SerialPort takes for `path`, in `directory`: "LCK.." and
// the path with a leading "/dev/" dropped and every '/' turned into '_'.
std::string qtLockName(const std::string& path);
// The lock file name other serial programs use: "LCK.." and the base name.
std::string uucpLockName(const std::string& path);

struct Process {
  long pid = 0;
  std::string name;  // the command name
  std::string user;  // the owner's login name
};

// A lock file naming the device, and whether the process it names still runs.
struct LockFile {
  std::string path;
  long pid = 0;
  bool alive = false;
};
// Lock files that name the device `configured` or its openable `path`, by
// either naming rule, in the lock directories.
std::vector<LockFile> findLockFiles(const std::string& configured, const std::string& path);

struct Diagnosis {
  OpenFailure failure = OpenFailure::Other;
  std::string path;             // the node looked at (links resolved)
  Process holder;               // InUse: who; StaleLock: the dead pid
  std::string lockPath;         // InUse by a lock, StaleLock
  bool lockOwnedByUs = false;   // StaleLock: removable without root
  std::string group;            // Permission: the group to join, when that helps
  std::string owner;            // Permission: the node's owner, mode and group
  bool groupMember = false;     // Permission: in the group, not yet logged in again
  bool pseudoTerminal = false;  // Exclusive
  bool sawAllProcesses = true;  // Exclusive: no other user's process was hidden
  std::size_t length = 0;       // NameTooLong: the bytes of the offending name
  bool lockName = false;        // NameTooLong: the lock file name, not the path
  std::string detail;           // Other: the system's words

  bool operator==(const Diagnosis&) const = default;
};

// Why `configured` does not open. `detail` is the serial library's own text,
// used only when no cause is found.
Diagnosis diagnoseOpenFailure(const std::string& configured, const std::string& detail);

// A live lock held by another process on the device, checked before an open:
// programs that lock by the other naming rule do not stop Qt's open.
std::optional<Diagnosis> foreignLock(const std::string& configured, const std::string& path);

// The process holding the device open, from lock files or /proc, as
// "name (process 1234 of user alice)"; empty when none can be found.
std::string findHolder(const std::string& device);

// Serial devices this machine has, for the operator to choose from.
std::vector<std::string> listSerialDevices();

std::string describeOpenFailure(const PortIdentity& port, const Diagnosis& diagnosis);

std::string describeLostPort(const PortIdentity& port, const std::string& detail);

// Whether a path is valid UTF-8, which the serial library needs.
bool pathIsUtf8(const std::string& path);

// What a failed open depends on, cheap to find: the nodes, the lock files,
// /dev itself and the library's error. While it stays the same, so does the
// diagnosis, and the expensive look through every process is not repeated.
std::string failureSignature(const PortIdentity& port, const std::string& path, int libraryError);

// A path for a message: bytes that are not UTF-8 are written as \xNN.
std::string printablePath(const std::string& path);

}  // namespace qd40
