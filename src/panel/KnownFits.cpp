#include "panel/KnownFits.h"

#include <cstdio>

namespace qd40 {

namespace {

// clang-format off
constexpr KnownFit kKnownFits[] = {
    {"+", Face::Gothic, false, 9, 19, 17, 9, "+"},
    {"+", Face::Gothic, true, 9, 19, 17, 9, "+"},
    {"+", Face::PGothic, false, 9, 19, 17, 9, "+"},
    {"-", Face::Gothic, false, 9, 19, 17, 9, "-"},
    {"-", Face::Gothic, true, 9, 19, 17, 9, "-"},
    {"A-IMAGE", Face::Gothic, false, 9, 59, 17, 9, "A-IMAGE"},
    {"AV Size", Face::Gothic, true, 9, 89, 19, 9, "AV Size"},
    {"Auto", Face::Gothic, false, 9, 59, 17, 9, "Auto"},
    {"B.Board", Face::Gothic, false, 9, 59, 17, 9, "B.Board"},
    {"Brightness", Face::Gothic, false, 9, 65, 17, 9, "Brightness"},
    {"CINEMA", Face::Gothic, false, 9, 59, 17, 9, "CINEMA"},
    {"CLS", Face::Gothic, true, 9, 35, 17, 9, "CLS"},
    {"CMD", Face::Gothic, false, 9.75, 33, 17, 9.25, "CMD"},
    {"COM", Face::PGothic, false, 9, 115, 25, 9, "COM"},
    {"Component", Face::Gothic, false, 9, 115, 17, 9, "Component"},
    {"D.Zoom", Face::Gothic, false, 9, 49, 17, 9, "D.Zoom"},
    {"DISPLAY CLEAR", Face::Gothic, false, 9, 59, 33, 8.5, "DISPLAY\nCLEAR"},
    {"END", Face::Gothic, true, 9, 59, 25, 9, "END"},
    {"FREEZE", Face::Gothic, true, 9, 81, 19, 9, "FREEZE"},
    {"IMAGE", Face::Gothic, false, 9, 59, 17, 9, "IMAGE"},
    {"IMAGE1", Face::Gothic, false, 9, 59, 17, 9, "IMAGE1"},
    {"IMAGE2", Face::Gothic, false, 9, 59, 17, 9, "IMAGE2"},
    {"IMAGE3", Face::Gothic, false, 9, 59, 17, 9, "IMAGE3"},
    {"IMAGE4", Face::Gothic, false, 9, 59, 17, 9, "IMAGE4"},
    {"INPUT MODE SET", Face::Gothic, true, 9, 129, 17, 9, "INPUT MODE SET"},
    {"Keystone", Face::Gothic, false, 9, 57, 17, 9, "Keystone"},
    {"L-TIME", Face::Gothic, true, 8.25, 59, 17, 8.25, "L-TIME"},
    {"MENU", Face::Gothic, true, 9, 65, 17, 9, "MENU"},
    {"MODE", Face::Gothic, true, 8.25, 59, 17, 8.25, "MODE"},
    {"NO SHOW", Face::Gothic, true, 9, 73, 19, 9, "NO SHOW"},
    {"OFF", Face::PGothic, true, 9, 35, 20, 9, "OFF"},
    {"ON", Face::PGothic, true, 9, 35, 20, 9, "ON"},
    {"P-TIMER", Face::Gothic, false, 9, 59, 17, 9, "P-TIMER"},
    {"PC1", Face::Gothic, true, 9, 49, 17, 9, "PC1"},
    {"PC1", Face::PGothic, true, 9, 27, 20, 9, "PC1"},
    {"PC2", Face::Gothic, true, 9, 49, 17, 9, "PC2"},
    {"PC2", Face::PGothic, true, 9, 27, 20, 9, "PC2"},
    {"POWER", Face::Gothic, true, 9, 73, 17, 9, "POWER"},
    {"REAL", Face::Gothic, false, 9, 59, 17, 9, "REAL"},
    {"RGB", Face::Gothic, false, 9, 59, 17, 9, "RGB"},
    {"RXD", Face::Gothic, false, 9, 30, 20, 9, "RXD"},
    {"Regular", Face::PGothic, false, 9, 51, 20, 9, "Regular"},
    {"S-Video", Face::Gothic, false, 9, 67, 17, 9, "S-Video"},
    {"SCART RGB", Face::Gothic, false, 9, 115, 17, 9, "SCART RGB"},
    {"SELECT", Face::Gothic, false, 9, 51, 25, 9, "SELECT"},
    {"SEND", Face::Gothic, true, 9, 43, 17, 9, "SEND"},
    {"SETTING", Face::Gothic, true, 8.25, 59, 17, 8.25, "SETTING"},
    {"SOUND MUTE", Face::Gothic, true, 9, 97, 20, 9, "SOUND MUTE"},
    {"STAND", Face::Gothic, false, 9, 59, 17, 9, "STAND"},
    {"STATUS", Face::Gothic, false, 8.25, 49, 15, 7.75, "STATUS"},
    {"STATUS", Face::Gothic, true, 8.25, 59, 17, 8.25, "STATUS"},
    {"TEMP", Face::Gothic, true, 8.25, 59, 17, 8.25, "TEMP"},
    {"TXD", Face::Gothic, false, 9, 26, 19, 9, "TXD"},
    {"VOL", Face::Gothic, true, 9, 33, 17, 9, "VOL"},
    {"Video", Face::Gothic, false, 9, 59, 17, 9, "Video"},
    {"Video", Face::Gothic, true, 9, 57, 17, 9, "Video"},
    {"Video", Face::PGothic, true, 9, 43, 20, 9, "Video"},
    {"Wide", Face::PGothic, false, 9, 35, 20, 9, "Wide"},
    {"←", Face::PGothic, true, 9, 51, 25, 9, "←"},
    {"↑", Face::PGothic, true, 9, 51, 25, 9, "↑"},
    {"→", Face::PGothic, true, 9, 51, 25, 9, "→"},
    {"↓", Face::PGothic, true, 9, 51, 25, 9, "↓"},
    {"データを表示する", Face::PGothic, false, 9, 74, 25, 7, "データを表示する"},
};
// clang-format on

}  // namespace

std::span<const KnownFit> knownFits() {
  return kKnownFits;
}

std::optional<FittedCaption> knownFit(const QString& caption, const FontSpec& font, QSize area) {
  const QByteArray utf8 = caption.toUtf8();
  const std::string_view text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  for (const KnownFit& known : kKnownFits) {
    if (known.face == font.face && known.bold == font.bold && known.designedPoints == font.points &&
        known.width == area.width() && known.height == area.height() && known.caption == text) {
      FittedCaption fitted{
          fontFor(font),
          QString::fromUtf8(known.lines.data(), static_cast<qsizetype>(known.lines.size()))
              .split('\n')};
      fitted.font.setPointSizeF(known.points);
      return fitted;
    }
  }
  return std::nullopt;
}

std::string knownFitRow(const QString& caption, const FontSpec& font, QSize area,
                        const FittedCaption& fitted) {
  char row[512];
  std::snprintf(row, sizeof row, "    {\"%s\", Face::%s, %s, %g, %d, %d, %g, \"%s\"},",
                caption.toUtf8().constData(), font.face == Face::Gothic ? "Gothic" : "PGothic",
                font.bold ? "true" : "false", font.points, area.width(), area.height(),
                fitted.font.pointSizeF(), fitted.lines.join("\\n").toUtf8().constData());
  return row;
}

}  // namespace qd40
