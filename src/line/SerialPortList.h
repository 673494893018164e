#pragma once
// The serial ports this machine has, with what the system knows of each, for
// the operator to choose from. Pseudo-terminals are not listed: they are
// named by typing their path.
#include <string>
#include <vector>

namespace qd40 {

struct SerialPortEntry {
  std::string name;  // the stable link under /dev/serial/by-id when there is one, else the node
  std::string node;  // the device node, such as /dev/ttyUSB0
  std::string description;
  std::string manufacturer;
  std::string serialNumber;

  bool operator==(const SerialPortEntry&) const = default;
};

// The link in `byIdFolder` that leads to `node`; empty when none does. Links
// there are relative ("../../ttyUSB0").
std::string stableName(const std::string& node, const std::string& byIdFolder);

// The ports Qt SerialPort finds, those with a stable name first, each group in
// the order of its names.
std::vector<SerialPortEntry> listSerialPorts(const std::string& byIdFolder = "/dev/serial/by-id");

}  // namespace qd40
