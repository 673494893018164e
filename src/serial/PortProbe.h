#pragma once
// The system lookups behind the port diagnostics: processes, lock files and
// what kind of node a path is. Nothing here opens the device.
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "serial/PortDiagnostics.h"

namespace qd40 {

struct ProcScan {
  std::optional<Process> holder;
  // False when another user's descriptors could not be read.
  bool complete = true;
};

// The lock files, by either naming rule and in every lock directory, that
// would name the device `configured` opened as `path`.
std::vector<std::string> lockCandidates(const std::string& configured, const std::string& path);
bool processAlive(long pid);
Process describeProcess(long pid);
// "name (process 1234 of user alice)".
std::string holderText(const Process& process);
// A process, other than this one, with an open descriptor on the device node.
ProcScan holdersFromProc(const std::string& device);
bool isPseudoTerminal(const struct stat& info);
bool isTerminal(const struct stat& info);

}  // namespace qd40
