#pragma once
// What an open serial line is really like after the serial library reported
// an error on it: gone, hung up, or working with other programs reading it
// too. A loss is declared from this, never from the error code alone.
#include <string>
#include <vector>

#include "doctor/ProcessScan.h"

namespace qd40 {

// What checking an open line found after the serial library reported an
// error on it.
enum class LineState {
  Working,  // present and not hung up: no loss
  Removed,  // its node is gone, or the kernel has dropped the device
  Closed,   // a pseudo-terminal whose maker closed it
  Renamed,  // its node now stands for another device
  HungUp,   // present, but hung up
};

struct LineCheck {
  LineState state = LineState::Working;
  // Working: other processes with the device open, and whether every
  // process's open files could be seen.
  std::vector<Process> readers;
  bool sawAllProcesses = true;
};

// More readers than this are not worth naming in one message.
inline constexpr std::size_t kMostReadersNamed = 4;

// Checks the line open on `fd` as `path`. With ReaderScan::Scan it also looks
// for other readers of a working line, which costs a look through every
// process.
enum class ReaderScan { Skip, Scan };
LineCheck checkOpenLine(int fd, const std::string& path, ReaderScan readers);

}  // namespace qd40
