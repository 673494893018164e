// Shortens overlong words for message boxes.
#include "panel/MessageText.h"

#include <QStringList>

namespace qd40 {

namespace {

// Characters of one unbroken word a box shows in full; longer words keep
// this many, half from each end, around an ellipsis.
constexpr qsizetype kLongestWord = 120;
const QChar kEllipsis(0x2026);

}  // namespace

QString boxText(const std::string& text) {
  QStringList words = QString::fromStdString(text).split(' ');
  for (QString& word : words) {
    if (word.size() <= kLongestWord) continue;
    word = word.left(kLongestWord / 2) + kEllipsis + word.right(kLongestWord / 2);
  }
  return words.join(' ');
}

}  // namespace qd40
