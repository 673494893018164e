#include "panel/PanelWidgets.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace qd40 {

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
