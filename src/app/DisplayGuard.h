#pragma once
// The window needs a display. Qt, finding none, prints several lines and
// aborts; while a DisplayGuard stands, that failure is one clear line on the
// standard error and the exit status kExitNoDisplay instead. Whatever else
// Qt says while the guard stands is held back and passed on at release().
// The line is in the operator's language, looked up in a translation of its
// own: none can be installed in an application object still being made.
#include <QTranslator>

namespace qd40 {

class DisplayGuard final {
 public:
  DisplayGuard();
  ~DisplayGuard();
  DisplayGuard(const DisplayGuard&) = delete;
  DisplayGuard& operator=(const DisplayGuard&) = delete;

  // The display is open: Qt's messages go their usual way again.
  void release();

 private:
  bool m_released = false;
  QTranslator m_words;
};

}  // namespace qd40
