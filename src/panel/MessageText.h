#pragma once
// The text of a message box: a word longer than a box can hold (a device path
// thousands of characters long) is shortened in the middle, so the box stays
// on the screen and keeps both ends of the path.
#include <QString>
#include <functional>
#include <string>

namespace qd40 {

QString boxText(const std::string& text);

// What the one-line status shows of a message longer than it: the whole
// text where it fits; else its first sentence; else that sentence with the
// port named without its device ("COM1: no such device."); else as much of
// that as fits, cut with an ellipsis. The box shows the whole text.
QString statusLineText(const QString& text, const std::function<bool(const QString&)>& fits);

}  // namespace qd40
