// Finds the program's translation among its resources and Qt's in Qt's folder.
#include "config/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>

namespace qd40 {

namespace {

const QString kOwnFolder = QStringLiteral(":/i18n/");
const QString kOwnName = QStringLiteral("qd40-control_");

// The first of the operator's languages that the program has a translation
// for ("ja" for ja-JP), in the order of preference (LANGUAGE, then LC_ALL,
// LC_MESSAGES and LANG, which Qt reads itself, so a language works whether
// or not the C library has its locale generated). Empty when English comes
// first: the program's texts are written in English, and someone who put
// English before Japanese does not want Japanese.
QString chosenLanguage(const QLocale& locale) {
  for (QString language : locale.uiLanguages()) {
    language.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (language == QLatin1String("C") || language.startsWith(QLatin1String("en"))) return {};
    for (qsizetype cut = language.size(); cut > 0; cut = language.lastIndexOf(QLatin1Char('_'))) {
      language.truncate(cut);
      if (QFile::exists(kOwnFolder + kOwnName + language + QLatin1String(".qm"))) return language;
    }
  }
  return {};
}

// Whether the locale that decides the messages' language is C: the first of
// LC_ALL, LC_MESSAGES and LANG that is set, and C where none is.
bool messagesLocaleIsC() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const QByteArray value = qgetenv(variable);
    if (value.isEmpty()) continue;
    return value == "C" || value == "POSIX" || value.startsWith("C.");
  }
  return true;
}

}  // namespace

QLocale operatorLocale() {
  return messagesLocaleIsC() ? QLocale::c() : QLocale::system();
}

bool loadOwnTranslation(QTranslator& translator, const QLocale& locale) {
  const QString language = chosenLanguage(locale);
  return !language.isEmpty() && translator.load(kOwnName + language, kOwnFolder);
}

Translations::Translations(const QLocale& locale) {
  if (!loadOwnTranslation(m_own, locale)) return;
  if (m_qt.load(QStringLiteral("qtbase_") + chosenLanguage(locale),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&m_qt);
  }
  QCoreApplication::installTranslator(&m_own);
}

Translations::~Translations() {
  QCoreApplication::removeTranslator(&m_own);
  QCoreApplication::removeTranslator(&m_qt);
}

}  // namespace qd40
