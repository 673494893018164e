// Reading a command message.
#include "bus/BusCommands.h"

#include <algorithm>

namespace qd40::bus {

namespace {

// A payload is quoted in a refusal as far as it is printable, so a
// message's bytes cannot break the log line that names them.
constexpr std::size_t kLongestQuoted = 40;

std::string quoted(std::string_view payload) {
  std::string out = "\"";
  for (const char c : payload.substr(0, kLongestQuoted)) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte >= 0x20 && byte < 0x7f ? c : '?';
  }
  return out + (payload.size() > kLongestQuoted ? "...\"" : "\"");
}

std::string choices(std::string_view action) {
  std::string out;
  for (const BusCommand& command : kBusCommands) {
    if (command.action != action) continue;
    out += (out.empty() ? "" : ", ") + std::string(command.payload);
  }
  return out;
}

}  // namespace

CommandOrRefusal readCommand(std::string_view action, std::string_view payload, bool allowRaw,
                             ReplyWindows& windows) {
  if (action == kRawAction) {
    if (!allowRaw) return Refusal{"raw codes are not taken: the bridge runs without --allow-raw"};
    if (auto step = rawStep(payload, windows)) return *step;
    return Refusal{"raw " + quoted(payload) + " is no code of the command grammar"};
  }
  const auto known = std::ranges::find(kBusCommands, action, &BusCommand::action);
  if (known == kBusCommands.end()) {
    return Refusal{"no such command: " + quoted(action)};
  }
  const auto command = std::ranges::find_if(kBusCommands, [&](const BusCommand& c) {
    return c.action == action && c.payload == payload;
  });
  if (command == kBusCommands.end()) {
    return Refusal{std::string(action) + " takes " + choices(action) + ", not " + quoted(payload)};
  }
  if (auto step = actionStep(command->ctl, windows)) return *step;
  return Refusal{"qd40ctl has no action \"" + std::string(command->ctl) + "\""};
}

std::vector<std::string_view> commandActions() {
  std::vector<std::string_view> actions;
  for (const BusCommand& command : kBusCommands) {
    if (std::ranges::find(actions, command.action) == actions.end()) {
      actions.push_back(command.action);
    }
  }
  return actions;
}

}  // namespace qd40::bus
