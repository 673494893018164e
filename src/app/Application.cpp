#include "app/Application.h"

#include <QKeyEvent>
#include <QStyleFactory>
#include <QTimer>

#include "app/PanelBinding.h"
#include "protocol/Commands.h"

namespace qd40 {

PanelApplication::PanelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // No display name: X11 and Wayland would append it to the window's caption,
  // which must stand alone. The message box carries its own title.
  setApplicationName("qd40-control");
  // The panel paints its own colours; Fusion draws the rest alike everywhere.
  setStyle(QStyleFactory::create("Fusion"));
}

bool PanelApplication::notify(QObject* receiver, QEvent* event) {
  // A key press travels from the focused control up to the window inside one
  // call of notify(), so it is seen here exactly once, auto-repeats included,
  // before any control gets it. It is never consumed here.
  if (event->type() == QEvent::KeyPress && receiver->isWidgetType()) {
    if (auto* panel = qobject_cast<PanelWindow*>(static_cast<QWidget*>(receiver)->window())) {
      const auto* key = static_cast<QKeyEvent*>(event);
      panel->previewKeyPress(key->key(), key->modifiers());
    }
  }
  return QApplication::notify(receiver, event);
}

Panel::Panel()
    : m_window(std::make_unique<PanelWindow>()),
      m_serial(new QtSerialService(m_window.get())),
      m_timer1("Timer1", kTimer1Start, m_window.get()),
      m_timer2("Timer2", kTimer2Start, m_window.get()),
      m_timer3("Timer3", kTimer3Start, m_window.get()),
      m_timer4("Timer4", kTimer4Start, m_window.get()),
      m_form(std::make_unique<Form1>(*m_window, FormTimers{m_timer1, m_timer2, m_timer3, m_timer4},
                                     *m_serial)) {
  bindPanel(*m_window, *m_form);
}

void Panel::start() {
  m_form->Form_Load();
  m_window->show();
  QTimer::singleShot(0, m_window.get(), [this] { m_form->Form_Shown(); });
}

}  // namespace qd40
