#pragma once
// What an open serial line is really like after the serial library reported
// an error on it: gone, hung up, or working with other programs reading it
// too. A loss is declared from this, never from the error code alone.
#include <string>
#include <vector>

#include "serial/PortDiagnostics.h"

namespace qd40 {

struct LineCheck {
  LineState state = LineState::Working;
  // Working: other processes with the device open, and whether every
  // process's open files could be seen.
  std::vector<Process> readers;
  bool sawAllProcesses = true;
};

// Checks the line open on `fd` as `path`. With ReaderScan::Scan it also looks
// for other readers of a working line, which costs a look through every
// process.
enum class ReaderScan { Skip, Scan };
LineCheck checkOpenLine(int fd, const std::string& path, ReaderScan readers);

}  // namespace qd40
