#pragma once
// The operator's language for the texts the program adds: port messages and
// boxes, the device chooser, --help and the command line's mistakes. The
// panel's own captions and texts are never translated; they are the same in
// every language. Qt's own words (the OK and Cancel of a box) come from the
// translations Qt installs, where there is one for the language.
#include <QLocale>
#include <QTranslator>

namespace qd40 {

// The operator's locale for messages. By the convention of gettext, which
// the rest of the desktop follows, LANGUAGE counts only where the messages'
// locale (LC_ALL, else LC_MESSAGES, else LANG) is not C or POSIX: under C
// the program speaks English whatever LANGUAGE lists.
QLocale operatorLocale();

// Loads into `translator` the program's translation for the first of the
// operator's languages that has one; false, leaving it empty, where English
// comes first or no language has one.
bool loadOwnTranslation(QTranslator& translator, const QLocale& locale = operatorLocale());

class Translations final {
 public:
  // Loads the translations for `locale` and installs them in the running
  // application; a language without one leaves the texts in English.
  explicit Translations(const QLocale& locale = operatorLocale());
  // Removes them again: the texts made after this are in English.
  ~Translations();

  Translations(const Translations&) = delete;
  Translations& operator=(const Translations&) = delete;

 private:
  QTranslator m_qt;
  QTranslator m_own;
};

}  // namespace qd40
