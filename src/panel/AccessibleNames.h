#pragma once
// What a screen reader calls each button: the title of the button's group and
// its caption ("POWER ON", "VOL +", "PC1 RGB"), since many captions ("ON",
// "+", "RGB") repeat across the panel. It names; it shows nothing.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qd40 {

// The group that heads a button: the caption of the label over its frame,
// row or pair, or a plain name where the panel shows no label. Empty for a
// button that stands alone.
std::string_view buttonGroup(std::string_view button);

// The spoken name of a button from the layout, or nothing for a button whose
// caption changes while the program runs and so names it best by itself.
std::optional<std::string> accessibleButtonName(std::string_view button);

// A label that names the control beside it (its buddy): the CMD box is
// "CMD" to a screen reader.
struct LabelFor {
  std::string_view label;
  std::string_view control;
};
inline constexpr std::array kLabelsFor = {LabelFor{"Label26", "Text1"}};

}  // namespace qd40
