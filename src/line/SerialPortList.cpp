// Lists the machine's serial ports through Qt SerialPort.
#include "line/SerialPortList.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>

namespace qd40 {

namespace fs = std::filesystem;

std::string stableName(const std::string& node, const std::string& byIdFolder) {
  std::error_code ec;
  const fs::path target = fs::weakly_canonical(node, ec);
  if (ec) return {};
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(byIdFolder, ec)) {
    std::error_code linkError;
    if (fs::equivalent(entry.path(), target, linkError)) names.push_back(entry.path().string());
  }
  // Should two links lead to one node, the first by name stands for it.
  std::sort(names.begin(), names.end());
  return names.empty() ? std::string() : names.front();
}

std::vector<SerialPortEntry> listSerialPorts(const std::string& byIdFolder) {
  std::vector<SerialPortEntry> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    SerialPortEntry entry;
    entry.node = info.systemLocation().toStdString();
    entry.name = stableName(entry.node, byIdFolder);
    if (entry.name.empty()) entry.name = entry.node;
    entry.description = info.description().toStdString();
    entry.manufacturer = info.manufacturer().toStdString();
    entry.serialNumber = info.serialNumber().toStdString();
    ports.push_back(std::move(entry));
  }
  std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
    const bool aStable = a.name != a.node, bStable = b.name != b.node;
    return aStable != bStable ? aStable : a.name < b.name;
  });
  return ports;
}

}  // namespace qd40
