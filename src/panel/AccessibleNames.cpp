// The spoken names of the panel's buttons: the catalogue's group of each
// action, and the captions of the layout.
#include "panel/AccessibleNames.h"

#include <algorithm>
#include <array>

#include "panel/Layout.h"
#include "protocol/Catalogue.h"

namespace qd40 {

namespace {

// The buttons that send no fixed code, and so are not in the catalogue, but
// stand under a group's title: the free entry's.
struct OtherButton {
  std::string_view button;
  std::string_view group;
};
constexpr std::array kOtherButtons = {OtherButton{"Command95", "CMD"},
                                      OtherButton{"Command96", "CMD"}};

// The view button's caption says what it does next; it is its own name.
constexpr std::string_view kViewButton = "Command34";

}  // namespace

std::string_view buttonGroup(std::string_view button) {
  if (const ActionRow* action = actionByButton(button)) return groupTitle(action->group);
  const auto* row = std::ranges::find(kOtherButtons, button, &OtherButton::button);
  return row != kOtherButtons.end() ? row->group : std::string_view{};
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
