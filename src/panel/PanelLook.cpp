#include "panel/PanelLook.h"

#include <QFontMetrics>
#include <map>
#include <tuple>

namespace qd40 {

namespace {

// Japanese-capable Gothic faces that stand in for the designed fixed-pitch
// and proportional faces, which Linux does not have.
constexpr const char* kGothicFamily = "Noto Sans Mono CJK JP";
constexpr const char* kPGothicFamily = "Noto Sans CJK JP";

// Captions shrink in half points, and never below a size that still reads.
constexpr double kPointStep = 0.5;
constexpr double kSmallestPoints = 6;

// Edges and selection keep the classic light-grey scheme the panel was drawn
// in, whatever the desktop uses.
const QColor kEdgeLight(255, 255, 255);
const QColor kEdgeShadow(128, 128, 128);
const QColor kEdgeDark(0, 0, 0);
const QColor kSelection(0, 0, 128);
const QColor kToolTipGround(255, 255, 225);
constexpr int kMidlightFactor = 115;
constexpr int kMidFactor = 125;

bool fits(const QStringList& lines, const QFontMetrics& metrics, QSize area) {
  if (lines.size() * metrics.height() > area.height()) return false;
  for (const QString& line : lines) {
    if (metrics.horizontalAdvance(line) > area.width()) return false;
  }
  return true;
}

// Breaks a caption at blanks; a word wider than the area (a run of Japanese
// text has no blanks) is broken between its characters.
QStringList wrap(const QString& caption, const QFontMetrics& metrics, int width) {
  QStringList lines;
  QString line;
  for (const QString& word : caption.split(' ', Qt::SkipEmptyParts)) {
    const QString joined = line.isEmpty() ? word : line + ' ' + word;
    if (metrics.horizontalAdvance(joined) <= width) {
      line = joined;
      continue;
    }
    if (!line.isEmpty()) lines << line;
    line.clear();
    for (qsizetype i = 0; i < word.size(); ++i) {
      const qsizetype length = word.at(i).isHighSurrogate() && i + 1 < word.size() ? 2 : 1;
      const QString character = word.mid(i, length);
      i += length - 1;
      if (!line.isEmpty() && metrics.horizontalAdvance(line + character) > width) {
        lines << line;
        line.clear();
      }
      line += character;
    }
  }
  if (!line.isEmpty()) lines << line;
  return lines;
}

}  // namespace

QFont fontFor(const FontSpec& entry) {
  QFont font(entry.face == Face::Gothic ? kGothicFamily : kPGothicFamily);
  font.setPointSizeF(entry.points);
  font.setWeight(entry.bold ? QFont::Bold : QFont::Normal);
  font.setStyleHint(entry.face == Face::Gothic ? QFont::TypeWriter : QFont::SansSerif);
  return font;
}

QColor colourFor(const Colour& colour) {
  return QColor(colour.red, colour.green, colour.blue);
}

QColor backColour(const ControlSpec& entry) {
  switch (entry.back.source) {
    case Colour::Source::Rgb:
      return colourFor(entry.back);
    case Colour::Source::ButtonFace:
      return colourFor(kButtonFaceColour);
    case Colour::Source::SystemWindow:
      return colourFor(kFieldColour);
    case Colour::Source::Default:
      break;
  }
  return colourFor(entry.kind == Kind::Line ? kLineColour : kFormBack);
}

QColor foreColour(const ControlSpec& entry) {
  return colourFor(entry.fore.isRgb() ? entry.fore : kTextColour);
}

QPalette panelPalette(const QColor& back, const QColor& fore, const QColor& field) {
  // The window's controls share a handful of colour sets; each palette is
  // made once and shared.
  static std::map<std::tuple<QRgb, QRgb, QRgb>, QPalette> made;
  const auto key = std::make_tuple(back.rgba(), fore.rgba(), field.rgba());
  if (const auto found = made.find(key); found != made.end()) return found->second;
  QPalette& palette = made[key];
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const auto set = [&](QPalette::ColorRole role, const QColor& colour) {
      palette.setColor(group, role, colour);
    };
    set(QPalette::Window, back);
    set(QPalette::Button, back);
    set(QPalette::AlternateBase, back);
    set(QPalette::Base, field);
    set(QPalette::WindowText, fore);
    set(QPalette::Text, fore);
    set(QPalette::ButtonText, fore);
    set(QPalette::BrightText, kEdgeLight);
    set(QPalette::Light, kEdgeLight);
    set(QPalette::Midlight, back.lighter(kMidlightFactor));
    set(QPalette::Mid, back.darker(kMidFactor));
    set(QPalette::Dark, kEdgeShadow);
    set(QPalette::Shadow, kEdgeDark);
    set(QPalette::Highlight, kSelection);
    set(QPalette::HighlightedText, kEdgeLight);
    set(QPalette::Link, Qt::blue);
    set(QPalette::LinkVisited, Qt::darkMagenta);
    set(QPalette::ToolTipBase, kToolTipGround);
    set(QPalette::ToolTipText, kEdgeDark);
    set(QPalette::PlaceholderText, kEdgeShadow);
  }
  return palette;
}

FittedCaption fitCaption(const QString& caption, const QFont& designed, QSize area) {
  FittedCaption fitted{designed, {caption}};
  for (double points = designed.pointSizeF(); points >= kSmallestPoints; points -= kPointStep) {
    fitted.font.setPointSizeF(points);
    const QFontMetrics metrics(fitted.font);
    fitted.lines = QStringList{caption};
    if (fits(fitted.lines, metrics, area)) return fitted;
    fitted.lines = wrap(caption, metrics, area.width());
    if (fits(fitted.lines, metrics, area)) return fitted;
  }
  // Nothing fits: the smallest size, wrapped, shows the most of it.
  return fitted;
}

}  // namespace qd40
