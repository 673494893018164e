// Turns Qt's abort for a missing display into a line and an exit status.
#include "app/DisplayGuard.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/CommandLine.h"
#include "config/Translations.h"
#include "protocol/LocaleText.h"

namespace qd40 {

namespace {

// A message and where it came from; the strings a context points to are
// the program's own constants.
struct HeldMessage {
  QtMsgType type;
  const char* file;
  int line;
  const char* function;
  const char* category;
  QString text;
};

QtMessageHandler gPrevious = nullptr;
std::vector<HeldMessage> gHeld;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

const QTranslator* gWords = nullptr;

QString words(const char* english) {
  const QString translated =
      gWords != nullptr ? gWords->translate("NoDisplay", english) : QString();
  return translated.isEmpty() ? QString::fromUtf8(english) : translated;
}

// What is wrong, from what the environment asked Qt to open.
std::string noDisplayLine() {
  const QString platform = QString::fromStdString(variable("QT_QPA_PLATFORM"));
  QString line;
  if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")) &&
      !platform.startsWith(QLatin1String("wayland"))) {
    line = words(QT_TRANSLATE_NOOP("NoDisplay",
                                   "the window cannot be opened on QT_QPA_PLATFORM=%1. Unset "
                                   "QT_QPA_PLATFORM to use the desktop's display."))
               .arg(platform);
  } else if (const std::string x11 = variable("DISPLAY"), wayland = variable("WAYLAND_DISPLAY");
             x11.empty() && wayland.empty()) {
    line = words(QT_TRANSLATE_NOOP("NoDisplay",
                                   "no display to open the window on: neither DISPLAY nor "
                                   "WAYLAND_DISPLAY is set. Start the panel in a desktop "
                                   "session, or set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland)."));
  } else {
    line = words(QT_TRANSLATE_NOOP("NoDisplay",
                                   "no display to open the window on: %1 cannot be reached. "
                                   "Check it, or start the panel in a desktop session."))
               .arg(QString::fromStdString(!x11.empty() ? "DISPLAY=" + x11
                                                        : "WAYLAND_DISPLAY=" + wayland));
  }
  return "qd40-control: " + line.toStdString() + "\n";
}

void holdBack(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  // The fatal message of a platform that cannot start ends the program.
  if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
    std::fputs(forTerminal(noDisplayLine()).c_str(), stderr);
    std::fflush(stderr);
    _exit(kExitNoDisplay);
  }
  if (type == QtFatalMsg) {
    gPrevious(type, context, text);
    return;
  }
  gHeld.push_back({type, context.file, context.line, context.function, context.category, text});
}

}  // namespace

DisplayGuard::DisplayGuard() {
  if (loadOwnTranslation(m_words)) gWords = &m_words;
  gPrevious = qInstallMessageHandler(holdBack);
}

DisplayGuard::~DisplayGuard() {
  release();
}

void DisplayGuard::release() {
  if (std::exchange(m_released, true)) return;
  qInstallMessageHandler(gPrevious);
  gWords = nullptr;
  for (const HeldMessage& held : gHeld) {
    const QMessageLogContext context(held.file, held.line, held.function, held.category);
    gPrevious(held.type, context, held.text);
  }
  gHeld.clear();
}

}  // namespace qd40
