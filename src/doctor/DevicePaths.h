#pragma once
// Serial device nodes by their paths: the path a configured name opens as,
// what kind of node it is, the serial devices the machine has, and a stamp
// of nodes that changes when any of them does. It opens no device.
#include <sys/stat.h>

#include <string>
#include <vector>

namespace qd40 {

// The path to open for a configured name: every link resolved, so that a
// device has one lock and one exclusive mode whatever name it is given. A
// node whose own path is not UTF-8 is reached through /dev/char or /dev/pts
// when they name it. Empty when the name resolves to nothing.
std::string openablePath(const std::string& configured);

bool isPseudoTerminal(const struct stat& info);
// Whether the node is a terminal device: the kernel files it under the tty
// subsystem, or it is the slave end of a pseudo-terminal.
bool isTerminal(const struct stat& info);

// The first line of a file the kernel keeps under /proc or /sys; empty when
// it cannot be read.
std::string readFirstLine(const std::string& path);

// Serial devices this machine has, for the operator to choose from.
std::vector<std::string> listSerialDevices();

// The state of `nodes` (inode, mode, owner, device number, times) in one
// string, which changes when any of them is made, removed, replaced or
// changed.
std::string nodeStamp(const std::vector<std::string>& nodes);

}  // namespace qd40
