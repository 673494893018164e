#pragma once
// A plain-text label for what the line carries: the TXD and RXD monitors and
// the status. Its text is what it was given, up to a hundred thousand
// characters on one line, of which the label shows the first few dozen. A
// stock label lays the whole line out on every paint; this one lays out only
// a leading part that runs well past the right edge, and keeps the picture of
// it: while a line grows beyond the edge, the picture stays what it was. That
// paints the same pixels when the text is printable ASCII, as every rendering
// of the line is; any other text, and any short one, is painted by QLabel.
#include <QFont>
#include <QLabel>
#include <QPixmap>

namespace qd40 {

class MonitorLabel final : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

  static bool isPrintableAscii(QStringView text);
  // Whether the label paints `next` exactly as it paints its text now: both
  // are printable lines that run past the edge with the same leading part.
  bool paintsAlike(const QString& next, bool nextPrintable) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect textArea() const;
  qsizetype leadingLength() const;
  bool paintsByLeadingPart() const;
  bool canKeepPicture() const;
  void paintLeadingPart(QPainter& painter, const QString& leading);

  // The text last checked for printable ASCII, held so its storage stays
  // its own while the label shows it.
  mutable QString m_checked;
  mutable bool m_printable = false;
  // The leading length, and the font and width it was measured for.
  mutable qsizetype m_leading = 0;
  mutable QFont m_measuredFont;
  mutable int m_measuredWidth = -1;
  // The label as last painted from a leading part, and what it was painted from.
  struct Picture {
    QPixmap pixels;
    QString leading;
    QFont font;
    qint64 palette = 0;
    bool enabled = false;
  };
  Picture m_picture;
};

}  // namespace qd40
