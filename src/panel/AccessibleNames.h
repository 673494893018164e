#pragma once
// What a screen reader calls each button: the title of the button's group and
// its caption ("POWER ON", "VOL +", "PC1 RGB"), since many captions ("ON",
// "+", "RGB") repeat across the panel; what it calls each frame; and which
// caption labels the control beside it. It names; it shows nothing.
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
// "CMD" to a screen reader, the monitor lines and the status text are
// labelled by their captions while their own names stay the text they show.
struct LabelFor {
  std::string_view label;
  std::string_view control;
};
inline constexpr std::array kLabelsFor = {
    LabelFor{"Label26", "Text1"}, LabelFor{"Label9", "Label11"}, LabelFor{"Label10", "Label12"},
    LabelFor{"Label23", "Label22"}};

// Each frame is a group to a screen reader, named by its title, or by what
// it holds where it has none: the port settings frame holds the "Port"
// options and, in its inner frame, the "Speed" options.
struct FrameName {
  std::string_view frame;
  std::string_view name;
};
// clang-format off
inline constexpr std::array kFrameNames = {
    FrameName{"Frame1", "POWER"}, FrameName{"Frame2", "INPUT MODE SET"},
    FrameName{"Frame6", "MENU"}, FrameName{"Frame3", "SOUND MUTE"},
    FrameName{"Frame4", "NO SHOW"}, FrameName{"Frame7", "FREEZE"},
    FrameName{"Frame5", "AV Size"}, FrameName{"Frame8", "Port"},
    FrameName{"Frame13", "Speed"}, FrameName{"Frame9", "Monitor"},
    FrameName{"Frame14", "Signal mode"}, FrameName{"Frame15", "Free entry"},
};
// clang-format on

}  // namespace qd40
