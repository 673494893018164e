#pragma once
// The running panel on the real platform: the Qt window, its four timers, the
// Qt serial service and the form, wired together; and the application object
// that gives the window its view of every key press.
#include <QApplication>
#include <memory>
#include <optional>

#include "app/DeviceChoice.h"
#include "app/PanelForm.h"
#include "app/PortSetup.h"
#include "config/Translations.h"
#include "line/QtSerialService.h"
#include "line/SerialRouter.h"
#include "log/LoggingSerialService.h"
#include "log/SessionLog.h"
#include "net/TcpSerialService.h"
#include "panel/PanelWindow.h"
#include "toolkit/QtTimer.h"

namespace qd40 {

class PanelApplication final : public QApplication {
  Q_OBJECT

 public:
  PanelApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;
  // The icon of every window, from the pictures carried in the program; the
  // panel gives it once its window is shown, the first window that needs it.
  void giveWindowIcon();

 private:
  // The operator's language, from the start: the first box may come before
  // the window shows.
  Translations m_translations;
};

class Panel final {
 public:
  // The ports stand for the devices `ports` names. The session log goes to
  // `logPath`, else to the file QD40_LOG names; there is none when both are
  // missing. It is rotated at `logMax` bytes.
  explicit Panel(PortSetup ports, std::optional<std::string> logPath = std::nullopt,
                 std::optional<std::uint64_t> logMax = std::nullopt);
  ~Panel();
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // Start-up, then the window on screen, then any start-up failure reported.
  void start();

  PanelWindow& window() { return *m_window; }
  // The device and the network serial services; the form talks to the one
  // that serves the current port's name, through the session log if any.
  QtSerialService& serial() { return *m_serial; }
  TcpSerialService& network() { return *m_network; }
  SerialService& port() { return m_logged ? static_cast<SerialService&>(*m_logged) : m_router; }
  // The session log named by QD40_LOG, when it could be opened.
  SessionLog* sessionLog() { return m_log.get(); }
  PanelForm& form() { return *m_form; }
  PortSetup& ports() { return m_ports; }
  DeviceChoice& deviceChoice() { return *m_deviceChoice; }

 private:
  // The serial services read it at every open, so it comes first.
  PortSetup m_ports;
  // The window owns every widget, the timers' QTimers and the serial services.
  std::unique_ptr<PanelWindow> m_window;
  QtSerialService* m_serial;
  TcpSerialService* m_network;
  SerialRouter m_router;
  std::unique_ptr<SessionLog> m_log;
  std::string m_logFailure;
  std::unique_ptr<LoggingSerialService> m_logged;
  QtTimer m_timer1, m_timer2, m_timer3, m_timer4;
  std::unique_ptr<PanelForm> m_form;
  DeviceChoice* m_deviceChoice = nullptr;
};

}  // namespace qd40
