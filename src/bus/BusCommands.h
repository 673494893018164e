#pragma once
// Reading a message of the bus into a line for the projector, or into the
// reason it is refused. The commands themselves, their topics, payloads and
// the Home Assistant entity that offers each, are the catalogue's bus
// entities. It sends nothing.
#include <string>
#include <string_view>
#include <variant>

#include "bus/CtlLink.h"
#include "protocol/Catalogue.h"

namespace qd40::bus {

// The action that carries raw codes with --allow-raw.
inline constexpr std::string_view kRawAction = "raw";

// A message on qd40/<id>/<action>/set read into the line to send, or the
// reason it is refused.
struct Refusal {
  std::string why;
};
using CommandOrRefusal = std::variant<LineStep, Refusal>;

CommandOrRefusal readCommand(std::string_view action, std::string_view payload, bool allowRaw,
                             ReplyWindows& windows);

}  // namespace qd40::bus
