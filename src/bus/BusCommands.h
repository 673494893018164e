#pragma once
// The commands the bus may give a projector, as data: the topic's action,
// the payload and the qd40ctl action it stands for, with the Home Assistant
// entity that offers it. Reading a message into a line, or into the reason
// it is refused, is here too. It sends nothing.
#include <array>
#include <string>
#include <string_view>
#include <variant>

#include "bus/CtlLink.h"

namespace qd40::bus {

enum class Entity { Switch, Select, Button, None };

struct BusCommand {
  std::string_view action;   // qd40/<id>/<action>/set
  std::string_view payload;  // what the message carries
  std::string_view ctl;      // the qd40ctl action sent
  Entity entity;             // how Home Assistant offers it
};

inline constexpr std::string_view kPress = "PRESS";

// clang-format off
inline constexpr std::array kBusCommands = {
    BusCommand{"power", "ON", "power on", Entity::Switch},
    BusCommand{"power", "OFF", "power off", Entity::Switch},
    BusCommand{"input", "pc1", "input pc1", Entity::Select},
    BusCommand{"input", "pc2", "input pc2", Entity::Select},
    BusCommand{"input", "video", "input video", Entity::Select},
    BusCommand{"mute", "ON", "mute on", Entity::None},
    BusCommand{"mute", "OFF", "mute off", Entity::None},
    BusCommand{"noshow", "ON", "noshow on", Entity::None},
    BusCommand{"noshow", "OFF", "noshow off", Entity::None},
    BusCommand{"freeze", "ON", "freeze on", Entity::None},
    BusCommand{"freeze", "OFF", "freeze off", Entity::None},
    BusCommand{"menu", "ON", "menu on", Entity::None},
    BusCommand{"menu", "OFF", "menu off", Entity::None},
    BusCommand{"avsize", "regular", "avsize regular", Entity::None},
    BusCommand{"avsize", "wide", "avsize wide", Entity::None},
    BusCommand{"picture", "stand", "picture stand", Entity::None},
    BusCommand{"picture", "real", "picture real", Entity::None},
    BusCommand{"picture", "cinema", "picture cinema", Entity::None},
    BusCommand{"picture", "image1", "picture image1", Entity::None},
    BusCommand{"picture", "image2", "picture image2", Entity::None},
    BusCommand{"picture", "image3", "picture image3", Entity::None},
    BusCommand{"picture", "image4", "picture image4", Entity::None},
    BusCommand{"picture", "bboard", "picture bboard", Entity::None},
    BusCommand{"a_image", kPress, "a-image", Entity::Button},
    BusCommand{"image", kPress, "image", Entity::Button},
    BusCommand{"p_timer", kPress, "p-timer", Entity::Button},
    BusCommand{"display_clear", kPress, "display clear", Entity::Button},
    BusCommand{"vol_up", kPress, "vol +", Entity::Button},
    BusCommand{"vol_down", kPress, "vol -", Entity::Button},
    BusCommand{"brightness_up", kPress, "brightness +", Entity::Button},
    BusCommand{"brightness_down", kPress, "brightness -", Entity::Button},
    BusCommand{"zoom_in", kPress, "zoom +", Entity::Button},
    BusCommand{"zoom_out", kPress, "zoom -", Entity::Button},
    BusCommand{"keystone_up", kPress, "keystone +", Entity::Button},
    BusCommand{"keystone_down", kPress, "keystone -", Entity::Button},
    BusCommand{"select", kPress, "select", Entity::Button},
    BusCommand{"up", kPress, "up", Entity::Button},
    BusCommand{"down", kPress, "down", Entity::Button},
    BusCommand{"left", kPress, "left", Entity::Button},
    BusCommand{"right", kPress, "right", Entity::Button},
};
// clang-format on

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

// Every command topic's action, once each, in the table's order.
std::vector<std::string_view> commandActions();

}  // namespace qd40::bus
