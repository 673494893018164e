#pragma once
// Plain-language reasons for a serial device that will not open: which device,
// what is wrong and, where there is one, the fix. It looks at the system
// (device node, permissions, lock files, processes); it opens nothing.
#include <string>
#include <vector>

namespace qd40 {

enum class OpenFailure { Missing, Permission, InUse, NotSerial, Other };

struct PortIdentity {
  int number;            // 1 or 2
  std::string device;    // the path the port stands for
  std::string variable;  // what names it: --com<number> or QD40_COM<number>
};

// The device that COM<number> stands for: the command line's --com<number>,
// else $QD40_COM<number>, else the built-in port /dev/ttyS<number-1>.
PortIdentity portIdentity(int number);

// Makes COM<number> (1 or 2) stand for `device`, as --com<number> asks.
void setPortOverride(int number, const std::string& device);

// Classifies a failed open from the system's error number and the device.
OpenFailure classifyOpenFailure(const std::string& device, int systemError);

// The process holding the device open, from lock files or /proc, as
// "name (process 1234)"; empty when none can be found.
std::string findHolder(const std::string& device);

// Serial devices this machine has, for the operator to choose from.
std::vector<std::string> listSerialDevices();

std::string describeOpenFailure(const PortIdentity& port, OpenFailure failure,
                                const std::string& detail);

std::string describeLostPort(const PortIdentity& port, const std::string& detail);

}  // namespace qd40
