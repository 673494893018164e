// The groups of the panel's buttons as a table; the names follow from it and
// from the captions of the layout.
#include "panel/AccessibleNames.h"

#include <algorithm>
#include <array>

#include "panel/Layout.h"

namespace qd40 {

namespace {

struct ButtonGroup {
  std::string_view button;
  std::string_view group;
};

// clang-format off
constexpr std::array kButtonGroups = {
    ButtonGroup{"Command17", "POWER"}, ButtonGroup{"Command18", "POWER"},
    ButtonGroup{"Command27", "INPUT MODE SET"}, ButtonGroup{"Command28", "INPUT MODE SET"},
    ButtonGroup{"Command29", "INPUT MODE SET"},
    ButtonGroup{"Command23", "MENU"}, ButtonGroup{"Command24", "MENU"},
    ButtonGroup{"Command19", "SOUND MUTE"}, ButtonGroup{"Command20", "SOUND MUTE"},
    ButtonGroup{"Command21", "NO SHOW"}, ButtonGroup{"Command22", "NO SHOW"},
    ButtonGroup{"Command25", "FREEZE"}, ButtonGroup{"Command26", "FREEZE"},
    ButtonGroup{"Command31", "AV Size"}, ButtonGroup{"Command32", "AV Size"},
    ButtonGroup{"Command5", "Cursor"}, ButtonGroup{"Command9", "Cursor"},
    ButtonGroup{"Command6", "Cursor"}, ButtonGroup{"Command8", "Cursor"},
    ButtonGroup{"Command7", "Cursor"},
    ButtonGroup{"Command1", "VOL"}, ButtonGroup{"Command2", "VOL"},
    ButtonGroup{"Command15", "Brightness"}, ButtonGroup{"Command35", "Brightness"},
    ButtonGroup{"Command48", "D.Zoom"}, ButtonGroup{"Command49", "D.Zoom"},
    ButtonGroup{"Command50", "Keystone"}, ButtonGroup{"Command51", "Keystone"},
    ButtonGroup{"Command4", "Picture mode"}, ButtonGroup{"Command10", "Picture mode"},
    ButtonGroup{"Command11", "Picture mode"}, ButtonGroup{"Command39", "Picture mode"},
    ButtonGroup{"Command40", "Picture mode"}, ButtonGroup{"Command41", "Picture mode"},
    ButtonGroup{"Command42", "Picture mode"}, ButtonGroup{"Command12", "Picture mode"},
    ButtonGroup{"Command44", "Status read"}, ButtonGroup{"Command45", "Status read"},
    ButtonGroup{"Command46", "Status read"}, ButtonGroup{"Command47", "Status read"},
    ButtonGroup{"Command54", "Status read"},
    ButtonGroup{"Command64", "PC1"}, ButtonGroup{"Command65", "PC1"},
    ButtonGroup{"Command66", "PC1"}, ButtonGroup{"Command72", "PC2"},
    ButtonGroup{"Command81", "Video"}, ButtonGroup{"Command82", "Video"},
    ButtonGroup{"Command69", "Video"},
    ButtonGroup{"Command95", "CMD"}, ButtonGroup{"Command96", "CMD"},
};
// clang-format on

// The view button's caption says what it does next; it is its own name.
constexpr std::string_view kViewButton = "Command34";

}  // namespace

std::string_view buttonGroup(std::string_view button) {
  const auto* row = std::find_if(kButtonGroups.begin(), kButtonGroups.end(),
                                 [&](const ButtonGroup& group) { return group.button == button; });
  return row != kButtonGroups.end() ? row->group : std::string_view{};
}

std::optional<std::string> accessibleButtonName(std::string_view button) {
  const ControlSpec* entry = findControl(button);
  if (entry == nullptr || entry->kind != Kind::Button || button == kViewButton) return std::nullopt;
  const std::string_view group = buttonGroup(button);
  std::string name(group);
  if (!name.empty()) name += ' ';
  return name + std::string(entry->caption);
}

}  // namespace qd40
