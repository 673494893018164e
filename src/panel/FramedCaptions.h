#pragma once
// Shows the captions of labels that are added to faster than the screen shows
// pictures: the first addition after a quiet frame goes up at once, those
// that follow within the frame together at its end. An addition that changes
// nothing a monitor label paints (its line already runs past the right edge)
// goes up with the next one that does, or within a quarter of a second. A
// caption set whole goes up at once, after every addition written before it,
// so the window never shows captions in a state they were never in. It does
// not decide what a caption says.
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>

namespace qd40 {

class FramedCaptions final : public QObject {
  Q_OBJECT

 public:
  using Show = std::function<void(QLabel* label, const QString& text)>;
  // `show` puts a text up in a label.
  FramedCaptions(Show show, QObject* parent);

  void set(QLabel* label, const QString& text);
  void append(QLabel* label, const QString& added);
  // The label's caption with every addition, shown or not.
  QString text(const QLabel* label) const;

 private:
  enum class Showing { All, Seen };
  void showPending(Showing which);

  struct Pending {
    QString text;
    bool printable;       // printable ASCII throughout, so a monitor can compare it
    bool unseen = false;  // found to paint as the label paints now
  };
  Show m_show;
  std::map<QLabel*, Pending, std::less<>> m_pending;
  std::map<QLabel*, std::chrono::steady_clock::time_point> m_shownAt;
  QTimer m_frame;
};

}  // namespace qd40
