#pragma once
// The running panel on the real platform: the Qt window, its four timers, the
// Qt serial service and the form, wired together; and the application object
// that gives the window its view of every key press.
#include <QApplication>
#include <memory>

#include "app/Form1.h"
#include "panel/PanelWindow.h"
#include "serial/QtSerialService.h"
#include "toolkit/QtTimer.h"

namespace qd40 {

class PanelApplication final : public QApplication {
  Q_OBJECT

 public:
  PanelApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
};

class Panel final {
 public:
  Panel();
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // Start-up, then the window on screen, then any start-up failure reported.
  void start();

  PanelWindow& window() { return *m_window; }
  QtSerialService& serial() { return *m_serial; }
  Form1& form() { return *m_form; }

 private:
  // The window owns every widget, the timers' QTimers and the serial service.
  std::unique_ptr<PanelWindow> m_window;
  QtSerialService* m_serial;
  QtTimer m_timer1, m_timer2, m_timer3, m_timer4;
  std::unique_ptr<Form1> m_form;
};

}  // namespace qd40
