// qd40ctl's actions, reads and validity, as the bridge sees them.
#include "bus/CtlLink.h"

#include <algorithm>

#include "config/SavedPorts.h"

namespace qd40::bus {

namespace {

bool isUpperHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool isUpperAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

bool inCommandGrammar(std::string_view code) {
  if (code == "CR PRESSURE") return true;
  if (code.size() != 3 || code[0] != 'C') return false;
  if (code[1] == 'R') return isUpperAlnum(code[2]);
  return isUpperHex(code[1]) && isUpperHex(code[2]);
}

}  // namespace

std::vector<ReadStep> statusReads(ReplyWindows& windows) {
  std::vector<ReadStep> reads;
  for (const ctl::StatusRead& read : ctl::kStatusReads) {
    reads.push_back({read.key, ctl::readStep(read, windows)});
  }
  return reads;
}

std::optional<LineStep> actionStep(std::string_view action, ReplyWindows& windows) {
  const ActionRow* named = actionByCtlName(action);
  if (named == nullptr) return std::nullopt;
  return ctl::actionStep(*named, windows);
}

std::optional<LineStep> rawStep(std::string_view code, ReplyWindows& windows) {
  if (!inCommandGrammar(code)) return std::nullopt;
  return ctl::typedStep(fromBytes(code), windows);
}

bool readValid(const LineResult& line) {
  return line.ok();
}

PortConfig projectorPort(const std::string& path) {
  PortConfig config({path, "", ""}, {});
  config.setCommandLineOption(1, "--port");
  config.setTemporaryFolder(temporaryFolder());
  config.setUser(PortUser::Command);
  return config;
}

}  // namespace qd40::bus
