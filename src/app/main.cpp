// QD40 Control: a control panel for a data projector on a serial line.
#include "app/Application.h"

int main(int argc, char** argv) {
  qd40::PanelApplication app(argc, argv);
  qd40::Panel panel;
  panel.start();
  return app.exec();
}
