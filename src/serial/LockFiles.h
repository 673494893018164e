#pragma once
// Lock files of serial devices: where serial programs keep them, how they are
// named, what they record and whether the process they name really holds the
// device. A lock is trusted only as far as checking bears it out; one that
// cannot be read is taken as held, never as stale. Nothing here writes a lock.
#include <sys/types.h>

#include <string>
#include <vector>

namespace qd40 {

// The lock file Qt SerialPort takes for `path`: "LCK.." and the path with a
// leading "/dev/" dropped and every '/' turned into '_'.
std::string qtLockName(const std::string& path);
// The lock file name other serial programs use: "LCK.." and the base name.
std::string uucpLockName(const std::string& path);

// The lock folders, in the order Qt SerialPort tries them, then the
// program's `temporaryFolder`, where Qt falls back to.
std::vector<std::string> lockDirectories(const std::string& temporaryFolder);

// The lock files, by either naming rule and in every lock folder there is
// (each once, though one may be a link to another), that would name the
// device `configured` opened as `path`.
std::vector<std::string> lockCandidates(const std::string& configured, const std::string& path,
                                        const std::string& temporaryFolder);

struct LockFile {
  enum class State {
    Held,  // its process runs and holds the device, or cannot be told apart from one that does
    Unreadable,  // it cannot be read: some program of its owner holds the device
    Stale,  // it names no process, a process that has ended, or one that does not hold the device
  };
  std::string path;
  State state = State::Stale;
  long pid = 0;          // 0 when the lock names none or cannot be read
  std::string name;      // the program the lock records, if it records one
  uid_t owner = 0;       // the lock file's owner
  std::string reusedBy;  // Stale: the unrelated program its pid belongs to now
  // Held: the lock names only a running pid, and that process's open files
  // cannot be seen, so nothing tells whether it is the holder or a program
  // that got the number later.
  bool unchecked = false;
};

// Reads the lock at `path` and checks it against the device `device` (the
// node's path): a running process counts as the holder only if its open
// files show the device, or, where they cannot be read, its name is the one
// the lock records.
LockFile readLockFile(const std::string& path, const std::string& device);

// The lock files that name the device `configured` or its openable `path`.
std::vector<LockFile> findLockFiles(const std::string& configured, const std::string& path,
                                    const std::string& temporaryFolder);

}  // namespace qd40
