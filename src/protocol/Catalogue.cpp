// Finding a row of the catalogue by the names other surfaces know it by.
#include "protocol/Catalogue.h"

#include <algorithm>

namespace qd40 {

namespace {

template <typename Key, typename Field>
const ActionRow* findRow(const Key& key, Field field) {
  const auto row = std::ranges::find(kCatalogue, key, field);
  return row == kCatalogue.end() ? nullptr : &*row;
}

}  // namespace

const ActionRow* actionByButton(std::string_view control) {
  return findRow(control, &ActionRow::control);
}

const ActionRow* actionByCtlName(std::string_view name) {
  return findRow(name, &ActionRow::ctlName);
}

const ActionRow* actionByRepeatRow(std::uint8_t row) {
  if (row == 0) return nullptr;
  return findRow(row, [](const ActionRow& action) { return action.hold.row; });
}

}  // namespace qd40
