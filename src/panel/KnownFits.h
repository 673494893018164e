#pragma once
// The fits the caption search finds for the captions the window starts with,
// in the fonts the panel is built against (Noto Sans CJK and Noto Sans Mono
// CJK, Debian 12), found once and kept here: measuring them takes a font
// engine for every size tried and the shaping of every caption, which would
// keep the window from showing. The window shows them at once and measures
// them after it is up (PanelWindow::measureKnownFits), correcting any that
// the fonts of the machine fit otherwise; the suite checks that each is what
// the search finds, and prints the row to put here when one is not.
#include <QSize>
#include <QString>
#include <optional>
#include <span>
#include <string_view>

#include "panel/Layout.h"
#include "panel/PanelLook.h"

namespace qd40 {

struct KnownFit {
  std::string_view caption;
  Face face;
  bool bold;
  double designedPoints;
  int width, height;       // of the text area, in pixels
  double points;           // the size the caption is shown in
  std::string_view lines;  // the lines shown, joined by '\n'
};

std::span<const KnownFit> knownFits();

// The known fit of `caption` in `font` for `area`, if there is one.
std::optional<FittedCaption> knownFit(const QString& caption, const FontSpec& font, QSize area);

// The table row that states `fitted` as the fit of `caption`.
std::string knownFitRow(const QString& caption, const FontSpec& font, QSize area,
                        const FittedCaption& fitted);

}  // namespace qd40
