#include "panel/PanelWidgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace qd40 {

namespace {

// The edge of a graphical-style button: white light, grey and black shadow.
const QColor kEdgeLight(255, 255, 255);
const QColor kEdgeShadow(128, 128, 128);
const QColor kEdgeDark(0, 0, 0);
// How much a pressed face darkens, in QColor::darker() percent.
constexpr int kPressedDarkening = 115;
// The focus rectangle's inset from the button's border, in pixels.
constexpr int kFocusInset = 3;

}  // namespace

void FlatButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = rect();
  const bool down = isDown();
  const QColor face = palette().color(QPalette::Button);
  painter.fillRect(area, down ? face.darker(kPressedDarkening) : face);

  QString caption = text();
  caption.replace("&&", "&");
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.drawText(down ? area.translated(1, 1) : area, Qt::AlignCenter, caption);

  const int left = area.left(), top = area.top(), right = area.right(), bottom = area.bottom();
  if (down) {
    painter.setPen(kEdgeDark);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(kEdgeShadow);
    painter.drawLine(left + 1, top + 1, right - 1, top + 1);
    painter.drawLine(left + 1, top + 1, left + 1, bottom - 1);
  } else {
    painter.setPen(kEdgeLight);
    painter.drawLine(left, top, right - 1, top);
    painter.drawLine(left, top, left, bottom - 1);
    painter.setPen(kEdgeDark);
    painter.drawLine(left, bottom, right, bottom);
    painter.drawLine(right, top, right, bottom);
    painter.setPen(kEdgeShadow);
    painter.drawLine(left + 1, bottom - 1, right - 1, bottom - 1);
    painter.drawLine(right - 1, top + 1, right - 1, bottom - 1);
  }
  if (hasFocus()) {
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
    painter.drawRect(area.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
  }
}

void HoldButton::mousePressEvent(QMouseEvent* event) {
  setDown(true);
  event->accept();
  emit mouseDown();
}

void HoldButton::mouseReleaseEvent(QMouseEvent* event) {
  // With several mouse buttons down, the face stays pressed until the last
  // one comes up; every release still reaches the panel.
  setDown(event->buttons() != Qt::NoButton);
  event->accept();
  emit mouseUp();
}

void HoldButton::mouseDoubleClickEvent(QMouseEvent* event) {
  // Qt turns the second press of a double-click into this event; for a held
  // button it is just another press.
  mousePressEvent(event);
}

void HoldButton::keyPressEvent(QKeyEvent* event) {
  // Space and Enter would click a stock button; these act on the mouse only,
  // so every key goes on to the window.
  event->ignore();
}

void HoldButton::keyReleaseEvent(QKeyEvent* event) {
  event->ignore();
}

void CommandBox::keyPressEvent(QKeyEvent* event) {
  // Alt with a printable key is a chord such as the keyboard switch Alt+K;
  // X11 would otherwise insert the letter. Ctrl+Alt is left alone, as some
  // keyboards type characters with it.
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) &&
      !event->text().isEmpty() && event->text().at(0).isPrint()) {
    event->ignore();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void PictureLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  emit doubleClicked();
}

}  // namespace qd40
