// Shortens overlong words for message boxes.
#include "panel/MessageText.h"

#include <QRegularExpression>
#include <QStringList>

#include "protocol/LogText.h"

namespace qd40 {

namespace {

// Characters of one unbroken word a box shows in full; longer words keep
// this many, half from each end, around an ellipsis.
constexpr qsizetype kLongestWord = 120;
const QChar kEllipsis(0x2026);

}  // namespace

QString boxText(const std::string& text) {
  QStringList words = QString::fromStdString(printablePath(text)).split(' ');
  for (QString& word : words) {
    if (word.size() <= kLongestWord) continue;
    word = word.left(kLongestWord / 2) + kEllipsis + word.right(kLongestWord / 2);
  }
  return words.join(' ');
}

QString statusLineText(const QString& text, const std::function<bool(const QString&)>& fits) {
  if (fits(text)) return text;
  // A sentence ends at ". " in English and at "。" in Japanese.
  QString shortest = text;
  const qsizetype stop = text.indexOf(QLatin1String(". "));
  const qsizetype japaneseStop = text.indexOf(QChar(0x3002));
  if (japaneseStop >= 0 && (stop < 0 || japaneseStop < stop)) {
    shortest = text.left(japaneseStop + 1);
  } else if (stop >= 0) {
    shortest = text.left(stop + 1);
  }
  if (fits(shortest)) return shortest;
  // "COM1 (/dev/serial/by-id/…): reason" names the port without its device.
  static const QRegularExpression kPortWithDevice(QStringLiteral("^(COM\\d) \\(.*?\\): "));
  shortest.replace(kPortWithDevice, QStringLiteral("\\1: "));
  if (fits(shortest)) return shortest;
  while (!shortest.isEmpty() && !fits(shortest + kEllipsis)) shortest.chop(1);
  return shortest + kEllipsis;
}

}  // namespace qd40
