#pragma once
// What qd40ctl can ask of a projector: a named action for every action of
// the catalogue, a typed code as in the panel's free entry, the status
// reads, and a watch over them. The names, codes and reply windows are the
// catalogue's, so a button and its action never send different lines. This
// reads words; it sends nothing.
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Catalogue.h"
#include "protocol/ReplyWindows.h"
#include "protocol/Text.h"

namespace qd40::ctl {

// The reads `status` makes, in order: the five of the panel's status
// buttons, then the three the panel decodes when they are typed.
struct StatusRead {
  std::string_view key;              // the value's name in the output
  std::optional<ActionRole> action;  // the catalogue's read, or none for a typed code
  std::string_view typed;            // the code typed in the free entry
};

// clang-format off
inline constexpr std::array kStatusReads = {
    StatusRead{"power", ActionRole::ReadStatus, ""},
    StatusRead{"input", ActionRole::ReadMode, ""},
    StatusRead{"lamp_hours", ActionRole::ReadLampTime, ""},
    StatusRead{"orientation", ActionRole::ReadSetting, ""},
    StatusRead{"temperatures", ActionRole::ReadTemperatures, ""},
    StatusRead{"lamp_mode", std::nullopt, "CR7"},
    StatusRead{"mute_signal", std::nullopt, "CRA"},
    StatusRead{"pressure", std::nullopt, "CR PRESSURE"},
};
// clang-format on

struct Action {
  enum class Kind { Named, Send, Status, Watch };
  Kind kind = Kind::Named;
  std::string name;                           // "power on", "send", "status", "watch"
  const ActionRow* action = nullptr;          // Named
  Text typed;                                 // Send: the code as typed
  std::chrono::milliseconds interval{30000};  // Watch: from the start of a round to the next
};

// One line to send and how long its reply is awaited.
struct Step {
  Text line;
  std::string code;  // the code as text, for the output
  int windowMs;
};

// The line of an action, a typed code or a status read, with the reply
// window the panel would give it after the sends `windows` has seen.
Step actionStep(const ActionRow& action, ReplyWindows& windows);
Step typedStep(const Text& typed, ReplyWindows& windows);
Step readStep(const StatusRead& read, ReplyWindows& windows);

// Reads actions from `words`; on a mistake returns nothing and sets `error`.
std::optional<std::vector<Action>> parseActions(const std::vector<std::string>& words,
                                                std::string& error);

// What --list prints: every action with the code it sends.
std::string actionList();

// A number of seconds as typed ("30", "0.5"), from `shortest` to `longest`;
// nothing for anything else.
std::optional<std::chrono::milliseconds> parseSeconds(const std::string& text, double shortest,
                                                      double longest);

}  // namespace qd40::ctl
