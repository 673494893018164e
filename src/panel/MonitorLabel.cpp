// Paints a long single line of a label by its leading part.
#include "panel/MonitorLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace qd40 {

namespace {

constexpr char16_t kFirstPrintable = u' ';
constexpr char16_t kLastPrintable = u'~';

}  // namespace

bool MonitorLabel::isPrintableAscii(QStringView text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) {
    return c.unicode() >= kFirstPrintable && c.unicode() <= kLastPrintable;
  });
}

// The rectangle QLabel lays its text out in: the contents less the margin,
// and less the indent a framed label takes from half the width of an "x".
QRect MonitorLabel::textArea() const {
  QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  int indent = this->indent();
  if (indent < 0 && frameWidth() > 0) {
    indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin();
  }
  if (indent > 0) area.setLeft(area.left() + indent);
  return area;
}

// Enough characters to run past the text area by two of the widest. Kerning
// takes a pixel or so off a pair, never half a character, so half the
// narrowest advance is a safe least width of a character.
qsizetype MonitorLabel::leadingLength() const {
  if (m_measuredWidth == width() && m_measuredFont == font()) return m_leading;
  const QFontMetrics metrics = fontMetrics();
  int narrowest = metrics.horizontalAdvance(QChar(kFirstPrintable));
  int widest = narrowest;
  for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c) {
    narrowest = std::min(narrowest, metrics.horizontalAdvance(QChar(c)));
    widest = std::max(widest, metrics.horizontalAdvance(QChar(c)));
  }
  m_leading = (textArea().width() + 2 * widest) / std::max(1, narrowest / 2) + 1;
  m_measuredFont = font();
  m_measuredWidth = width();
  return m_leading;
}

// A left-aligned single line of printable ASCII that runs past the edge
// keeps its leading part where it was, whatever follows.
bool MonitorLabel::paintsByLeadingPart() const {
  const QString shown = text();
  if (textFormat() != Qt::PlainText || wordWrap() || (alignment() & Qt::AlignLeft) == 0 ||
      shown.size() <= leadingLength()) {
    return false;
  }
  if (shown.constData() != m_checked.constData() || shown.size() != m_checked.size()) {
    m_checked = shown;
    m_printable = isPrintableAscii(shown);
  }
  return m_printable;
}

bool MonitorLabel::paintsAlike(const QString& next, bool nextPrintable) const {
  const qsizetype leading = leadingLength();
  return nextPrintable && next.size() > leading && paintsByLeadingPart() &&
         QStringView(next).left(leading) == QStringView(text()).left(leading);
}

// A picture can stand in for the painting when the ground Qt fills in before
// it is one solid colour, which the picture can carry.
bool MonitorLabel::canKeepPicture() const {
  const QBrush ground = palette().brush(backgroundRole());
  return autoFillBackground() && ground.style() == Qt::SolidPattern && ground.isOpaque();
}

void MonitorLabel::paintLeadingPart(QPainter& painter, const QString& leading) {
  drawFrame(&painter);
  QStyleOption option;
  option.initFrom(this);
  const int flags = QStyle::visualAlignment(Qt::LeftToRight, alignment()) | Qt::TextExpandTabs;
  style()->drawItemText(&painter, textArea(), flags, option.palette, isEnabled(), leading,
                        foregroundRole());
}

void MonitorLabel::paintEvent(QPaintEvent* event) {
  if (!paintsByLeadingPart()) {
    QLabel::paintEvent(event);
    return;
  }
  const QString leading = text().left(leadingLength());
  QPainter painter(this);
  if (!canKeepPicture()) {
    paintLeadingPart(painter, leading);
    return;
  }
  const qreal ratio = devicePixelRatioF();
  Picture& picture = m_picture;
  if (picture.leading != leading || picture.pixels.size() != size() * ratio ||
      picture.pixels.devicePixelRatioF() != ratio || picture.font != font() ||
      picture.palette != palette().cacheKey() || picture.enabled != isEnabled()) {
    picture.pixels = QPixmap(size() * ratio);
    picture.pixels.setDevicePixelRatio(ratio);
    picture.pixels.fill(palette().color(backgroundRole()));
    {
      // A painter on a widget starts with its font and colours; one on a
      // picture must be given them.
      QPainter onPicture(&picture.pixels);
      onPicture.setFont(font());
      onPicture.setPen(palette().color(foregroundRole()));
      onPicture.setBrush(palette().brush(backgroundRole()));
      paintLeadingPart(onPicture, leading);
    }
    picture.leading = leading;
    picture.font = font();
    picture.palette = palette().cacheKey();
    picture.enabled = isEnabled();
  }
  painter.drawPixmap(0, 0, picture.pixels);
}

}  // namespace qd40
