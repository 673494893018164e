// Turns Qt's abort for a missing display into a line and an exit status.
#include "app/DisplayGuard.h"

#include <unistd.h>

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/CommandLine.h"

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

// What is wrong, from what the environment asked Qt to open.
std::string noDisplayLine() {
  const std::string platform = variable("QT_QPA_PLATFORM");
  if (!platform.empty() && platform.rfind("xcb", 0) != 0 && platform.rfind("wayland", 0) != 0) {
    return "qd40-control: the window cannot be opened on QT_QPA_PLATFORM=" + platform +
           ". Unset QT_QPA_PLATFORM to use the desktop's display.\n";
  }
  const std::string x11 = variable("DISPLAY"), wayland = variable("WAYLAND_DISPLAY");
  if (x11.empty() && wayland.empty()) {
    return "qd40-control: no display to open the window on: neither DISPLAY nor "
           "WAYLAND_DISPLAY is set. Start the panel in a desktop session, or set DISPLAY (X11) "
           "or WAYLAND_DISPLAY (Wayland).\n";
  }
  const std::string named = !x11.empty() ? "DISPLAY=" + x11 : "WAYLAND_DISPLAY=" + wayland;
  return "qd40-control: no display to open the window on: " + named +
         " cannot be reached. Check it, or start the panel in a desktop session.\n";
}

void holdBack(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  // The fatal message of a platform that cannot start ends the program.
  if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
    std::fputs(noDisplayLine().c_str(), stderr);
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
  gPrevious = qInstallMessageHandler(holdBack);
}

DisplayGuard::~DisplayGuard() {
  release();
}

void DisplayGuard::release() {
  if (std::exchange(m_released, true)) return;
  qInstallMessageHandler(gPrevious);
  for (const HeldMessage& held : gHeld) {
    const QMessageLogContext context(held.file, held.line, held.function, held.category);
    gPrevious(held.type, context, held.text);
  }
  gHeld.clear();
}

}  // namespace qd40
