#pragma once
// The processes behind a serial device, from /proc: who a process is, whether
// it runs, and which processes have a device open. It opens no device.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

namespace qd40 {

struct Process {
  long pid = 0;
  std::string name;  // the command name
  std::string user;  // the owner's login name

  bool operator==(const Process&) const = default;
};

struct ProcScan {
  std::vector<Process> holders;
  // False when another user's open files could not be read.
  bool complete = true;
};

// The login name of `uid`, or the number where it has none.
std::string userNameOf(uid_t uid);
bool processAlive(long pid);
Process describeProcess(long pid);
// Whether process `pid` has the character device `device` open; nothing when
// its open files cannot be read.
std::optional<bool> processHoldsDevice(long pid, dev_t device);
// Processes, other than this one, with the device node open: the first
// `most` found.
ProcScan holdersFromProc(const std::string& device, std::size_t most = 1);

}  // namespace qd40
