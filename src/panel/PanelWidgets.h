#pragma once
// The few widgets whose looks or events differ from Qt's stock ones: buttons
// with a flat face of their own colour, buttons that act on mouse press and
// release of any mouse button and never on a key, the command box that takes
// no Alt chord as text, and the picture that reports a double-click.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qd40 {

// A command button drawn in the graphical style: its face is one flat fill of
// its palette's Button colour inside a thin raised edge, whatever the style.
// Pressed, the face darkens and the edge sinks; with the focus, a dotted
// rectangle lies inside the edge. The caption is drawn as set, one line per
// line of the text.
class FlatButton : public QPushButton {
  Q_OBJECT

 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class HoldButton final : public FlatButton {
  Q_OBJECT

 public:
  using FlatButton::FlatButton;

 signals:
  void mouseDown();
  void mouseUp();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
};

// The free-entry box. An Alt chord is a command, not text: the box gets the
// key press but inserts nothing and passes it on.
class CommandBox final : public QLineEdit {
  Q_OBJECT

 public:
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

class PictureLabel final : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// The logo shown by the picture: 80 by 26 pixels on a grey ground.
QPixmap makeLogo();

}  // namespace qd40
