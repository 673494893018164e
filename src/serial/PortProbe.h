#pragma once
// The system lookups behind the port diagnostics: processes and their open
// files, and what kind of node a path is. Nothing here opens the device.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "serial/PortDiagnostics.h"

namespace qd40 {

struct ProcScan {
  std::vector<Process> holders;
  // False when another user's open files could not be read.
  bool complete = true;
};

// The login name of `uid`, or the number where it has none.
std::string userNameOf(uid_t uid);
bool processAlive(long pid);
Process describeProcess(long pid);
// "name (process 1234 of user alice)".
std::string holderText(const Process& process);
// Whether process `pid` has the character device `device` open; nothing when
// its open files cannot be read.
std::optional<bool> processHoldsDevice(long pid, dev_t device);
// Processes, other than this one, with the device node open: the first
// `most` found.
ProcScan holdersFromProc(const std::string& device, std::size_t most = 1);
bool isPseudoTerminal(const struct stat& info);
bool isTerminal(const struct stat& info);

}  // namespace qd40
