#pragma once
// The text of a message box: a word longer than a box can hold (a device path
// thousands of characters long) is shortened in the middle, so the box stays
// on the screen and keeps both ends of the path.
#include <QString>
#include <string>

namespace qd40 {

QString boxText(const std::string& text);

}  // namespace qd40
