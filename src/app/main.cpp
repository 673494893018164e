// QD40 Control: a control panel for a data projector on a serial line.
#include <QCoreApplication>
#include <cstdio>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DisplayGuard.h"
#include "app/PortSetup.h"
#include "config/Translations.h"
#include "protocol/LocaleText.h"
#include "toolkit/SignalWatcher.h"

int main(int argc, char** argv) {
  // The command line is read before the application object exists, so --help,
  // --version and a mistake need no display and touch no port.
  const std::vector<std::string> arguments = qd40::argumentBytes(argc, argv);
  if (qd40::parseCommandLine(arguments).outcome == qd40::CommandLine::Outcome::Exit) {
    // What is printed is in the operator's language, which takes an
    // application object; one without a display serves. It is given the
    // program's name, which the usage line shows whatever path started it.
    char name[] = "qd40-control";
    char* coreArgv[] = {name, nullptr};
    int coreArgc = 1;
    const QCoreApplication core(coreArgc, coreArgv);
    const qd40::Translations translations;
    const qd40::CommandLine line = qd40::parseCommandLine(arguments);
    std::fputs(qd40::forTerminal(line.out).c_str(), stdout);
    std::fputs(qd40::forTerminal(line.err).c_str(), stderr);
    return line.exitCode;
  }
  const qd40::CommandLine line = qd40::parseCommandLine(arguments);

  // Every argument was one of ours, so Qt is given the program's name alone.
  int qtArgc = 1;
  // Without a display the panel says so in one line instead of Qt's abort.
  qd40::DisplayGuard display;
  qd40::PanelApplication app(qtArgc, argv);
  display.release();
  qd40::Panel panel(qd40::loadPortSetup(line.options), line.options.log, line.options.logMax);
  // Shutdown, Ctrl-C and logout end the panel as "END" does.
  qd40::SignalWatcher watcher([&panel] { panel.form().end(); });
  panel.start();
  return app.exec();
}
