// Names of the controls the handlers touch, as the layout spells them.
#include "toolkit/Toolkit.h"

#include <array>

namespace qd40 {

std::string_view controlName(Control control) {
  static constexpr std::array<std::string_view, 15> kNames = {
      "Label11",   "Label12",   "Label22",   "Frame8",    "Command34",
      "Text1",     "Option1",   "Option2",   "Option9",   "Option10",
      "Command16", "Command33", "Command95", "Command96", "Image1"};
  return kNames.at(static_cast<std::size_t>(control));
}

}  // namespace qd40
