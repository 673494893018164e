#pragma once
// How the window's controls look: fonts, colours and the fitting of captions
// to their controls. Every colour comes from the layout table, so neither the
// style nor the desktop's colour scheme can change what the operator reads.
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QSize>
#include <QStringList>

#include "panel/Layout.h"

namespace qd40 {

// What the table's system colours stand for: the usual light button face, and
// the white of a text-entry field.
inline constexpr Colour kButtonFaceColour = rgb(240, 240, 240);
inline constexpr Colour kFieldColour = rgb(255, 255, 255);
// An empty fore colour means black.
inline constexpr Colour kTextColour = rgb(0, 0, 0);

QFont fontFor(const FontSpec& entry);
QColor colourFor(const Colour& colour);

// The back and fore colour a control is painted in.
QColor backColour(const ControlSpec& entry);
QColor foreColour(const ControlSpec& entry);

// A palette in which every role of every group is set: `back` for grounds and
// faces, `fore` for text, `field` inside entry fields and option marks, and
// fixed light and shadow colours for edges.
QPalette panelPalette(const QColor& back, const QColor& fore, const QColor& field);

// A caption laid out to fit a text area: as many lines as the caption needs,
// in the designed font or, where even wrapped it would not fit, the largest
// smaller size that does.
struct FittedCaption {
  QFont font;
  QStringList lines;
};

FittedCaption fitCaption(const QString& caption, const QFont& designed, QSize area);

}  // namespace qd40
