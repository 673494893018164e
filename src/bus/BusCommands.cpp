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
  for (const ActionRow& row : kCatalogue) {
    if (row.bus.topic != action) continue;
    out += (out.empty() ? "" : ", ") + std::string(row.bus.payload);
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
  // An empty topic is no command: it names the actions that are not on the bus.
  const auto onBus = [&](const ActionRow& row) {
    return row.bus.onBus() && row.bus.topic == action;
  };
  if (action.empty() || std::ranges::none_of(kCatalogue, onBus)) {
    return Refusal{"no such command: " + quoted(action)};
  }
  const auto command = std::ranges::find_if(
      kCatalogue, [&](const ActionRow& row) { return onBus(row) && row.bus.payload == payload; });
  if (command == kCatalogue.end()) {
    return Refusal{std::string(action) + " takes " + choices(action) + ", not " + quoted(payload)};
  }
  return ctl::actionStep(*command, windows);
}

}  // namespace qd40::bus
