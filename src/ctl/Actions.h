#pragma once
// What qd40ctl can ask of a projector: a named action for every button of
// the panel that sends a fixed code, a typed code as in the panel's free
// entry, the status reads, and a watch over them. Names lead to the panel's
// buttons; the codes and reply windows come from the panel's own tables, so
// a button and its action never send different lines. This reads words; it
// sends nothing.
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ReplyWindows.h"
#include "protocol/Text.h"

namespace qd40::ctl {

struct NamedAction {
  std::string_view name;    // what the operator types: "power on"
  std::string_view button;  // the panel's button that sends the same code
};

// clang-format off
inline constexpr std::array kNamedActions = {
    NamedAction{"power on", "Command17"},        NamedAction{"power off", "Command18"},
    NamedAction{"input pc1", "Command27"},       NamedAction{"input pc2", "Command28"},
    NamedAction{"input video", "Command29"},
    NamedAction{"mute on", "Command19"},         NamedAction{"mute off", "Command20"},
    NamedAction{"noshow on", "Command21"},       NamedAction{"noshow off", "Command22"},
    NamedAction{"avsize regular", "Command31"},  NamedAction{"avsize wide", "Command32"},
    NamedAction{"menu on", "Command23"},         NamedAction{"menu off", "Command24"},
    NamedAction{"freeze on", "Command25"},       NamedAction{"freeze off", "Command26"},
    NamedAction{"a-image", "Command13"},         NamedAction{"image", "Command30"},
    NamedAction{"p-timer", "Command14"},         NamedAction{"display clear", "Command3"},
    NamedAction{"picture stand", "Command4"},    NamedAction{"picture real", "Command10"},
    NamedAction{"picture cinema", "Command11"},  NamedAction{"picture image1", "Command39"},
    NamedAction{"picture image2", "Command40"},  NamedAction{"picture image3", "Command41"},
    NamedAction{"picture image4", "Command42"},  NamedAction{"picture bboard", "Command12"},
    NamedAction{"read status", "Command44"},     NamedAction{"read mode", "Command45"},
    NamedAction{"read l-time", "Command46"},     NamedAction{"read setting", "Command47"},
    NamedAction{"read temp", "Command54"},
    NamedAction{"signal pc1 rgb", "Command64"},  NamedAction{"signal pc1 scart", "Command65"},
    NamedAction{"signal pc1 component", "Command66"},
    NamedAction{"signal pc2 rgb", "Command72"},
    NamedAction{"signal video auto", "Command81"},
    NamedAction{"signal video video", "Command82"},
    NamedAction{"signal video s-video", "Command69"},
    NamedAction{"vol +", "Command1"},            NamedAction{"vol -", "Command2"},
    NamedAction{"brightness +", "Command15"},    NamedAction{"brightness -", "Command35"},
    NamedAction{"zoom +", "Command48"},          NamedAction{"zoom -", "Command49"},
    NamedAction{"keystone +", "Command50"},      NamedAction{"keystone -", "Command51"},
    NamedAction{"select", "Command6"},
    NamedAction{"up", "Command5"},               NamedAction{"down", "Command7"},
    NamedAction{"left", "Command9"},             NamedAction{"right", "Command8"},
};
// clang-format on

// The reads `status` makes, in order: the five of the panel's status
// buttons, then the three the panel decodes when they are typed.
struct StatusRead {
  std::string_view key;     // the value's name in the output
  std::string_view button;  // the panel's button, or empty for a typed code
  std::string_view typed;   // the code typed in the free entry
};

inline constexpr std::array kStatusReads = {
    StatusRead{"power", "Command44", ""},        StatusRead{"input", "Command45", ""},
    StatusRead{"lamp_hours", "Command46", ""},   StatusRead{"orientation", "Command47", ""},
    StatusRead{"temperatures", "Command54", ""}, StatusRead{"lamp_mode", "", "CR7"},
    StatusRead{"mute_signal", "", "CRA"},        StatusRead{"pressure", "", "CR PRESSURE"},
};

struct Action {
  enum class Kind { Named, Send, Status, Watch };
  Kind kind = Kind::Named;
  std::string name;  // "power on", "send", "status", "watch"
  std::string_view button;
  Text typed;                                 // Send: the code as typed
  std::chrono::milliseconds interval{30000};  // Watch: from the start of a round to the next
};

// One line to send and how long its reply is awaited.
struct Step {
  Text line;
  std::string code;  // the code as text, for the output
  int windowMs;
};

// The line of a button or a typed code, with the reply window the panel
// would give it after the sends `windows` has seen.
Step buttonStep(std::string_view button, ReplyWindows& windows);
Step typedStep(const Text& typed, ReplyWindows& windows);

// The code a button sends; empty for no such button.
std::string_view buttonCode(std::string_view button);

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
