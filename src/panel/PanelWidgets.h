#pragma once
// The few widgets whose events differ from Qt's stock ones: buttons that act
// on mouse press and release of any mouse button and never on a key, the
// command box that takes no Alt chord as text, and the picture that reports a
// double-click.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qd40 {

class HoldButton final : public QPushButton {
  Q_OBJECT

 public:
  using QPushButton::QPushButton;

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
