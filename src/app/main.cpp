// QD40 Control: a control panel for a data projector on a serial line.
#include "app/Application.h"
#include "app/SignalWatcher.h"

int main(int argc, char** argv) {
  qd40::PanelApplication app(argc, argv);
  qd40::Panel panel;
  // Shutdown, Ctrl-C and logout end the panel as "END" does.
  qd40::SignalWatcher watcher([&panel] { panel.form().Command16_Click(); });
  panel.start();
  return app.exec();
}
