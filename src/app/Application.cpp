#include "app/Application.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QStyleFactory>
#include <QTimer>
#include <utility>

#include "Version.h"
#include "app/PanelBinding.h"
#include "config/NetworkPort.h"
#include "protocol/Commands.h"
#include "protocol/LogText.h"

namespace qd40 {

namespace {

struct LogNotice {
  Q_DECLARE_TR_FUNCTIONS(LogNotice)
};

// The session log file, from QD40_LOG; empty for none.
std::string sessionLogPath() {
  const QByteArray path = qgetenv("QD40_LOG");
  return path.toStdString();
}

// The session log's writer program: beside the panel in the build tree, in
// the panel's own libexec folder once installed; none (the panel writes the
// log itself) where neither holds it.
std::string logWriterPath() {
  const QString here = QCoreApplication::applicationDirPath();
  for (const QString& path :
       {here + "/qd40-log-writer", here + "/../libexec/qd40-control/qd40-log-writer"}) {
    if (QFileInfo(path).isExecutable()) return QFileInfo(path).absoluteFilePath().toStdString();
  }
  return {};
}

}  // namespace

PanelApplication::PanelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // No display name: X11 and Wayland would append it to the window's caption,
  // which must stand alone. The message box carries its own title.
  setApplicationName("qd40-control");
  setApplicationVersion(QString::fromUtf8(kVersion.data(), kVersion.size()));
  // The Wayland app_id and the X11 desktop hint name the installed desktop
  // entry, so the desktop shows the panel's name and icon for its window.
  const QString appId = QString::fromUtf8(kAppId.data(), kAppId.size());
  setDesktopFileName(appId);
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

void PanelApplication::giveWindowIcon() {
  if (!windowIcon().isNull()) return;
  // The icon installed in the desktop's theme is these same pictures; looking
  // it up there would cost a sixth of the start-up, searching every theme
  // directory, for nothing the window shows.
  const QString appId = QString::fromUtf8(kAppId.data(), kAppId.size());
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 128, 256}) {
    icon.addFile(QString(":/icons/%1-%2.png").arg(appId).arg(size), QSize(size, size));
  }
  setWindowIcon(icon);
}

Panel::Panel(PortSetup ports, std::optional<std::string> logPath,
             std::optional<std::uint64_t> logMax)
    : m_ports(std::move(ports)),
      m_window(std::make_unique<PanelWindow>()),
      m_serial(new QtSerialService(m_ports.config, m_window.get())),
      m_network(new TcpSerialService(m_ports.config, m_window.get())),
      m_router(*m_serial, *m_network,
               [this](int number) { return isNetworkName(m_ports.config.choice(number).device); }),
      m_timer1("Timer1", kTimer1Start, m_window.get()),
      m_timer2("Timer2", kTimer2Start, m_window.get()),
      m_timer3("Timer3", kTimer3Start, m_window.get()),
      m_timer4("Timer4", kTimer4Start, m_window.get()) {
  if (const std::string path = logPath.value_or(sessionLogPath()); !path.empty()) {
    // Started from the desktop's menu, the operator sees no standard error:
    // a log that stops is told in the window too, once.
    const auto toldInWindow = [window = m_window.get(), path](const std::string& why) {
      const QString text =
          LogNotice::tr(
              "The session log %1 stopped: %2. The panel goes on; the "
              "log tries its file again every few seconds and, once "
              "it can write, says there what it missed.")
              .arg(QString::fromStdString(printablePath(path)), QString::fromStdString(why));
      QMetaObject::invokeMethod(
          window, [window, text] { window->noticeAside(text.toStdString()); },
          Qt::QueuedConnection);
    };
    SessionLogOptions options;
    options.maxBytes = logMax.value_or(kDefaultLogMax);
    options.header = sessionHeader("qd40-control", kVersion, m_ports.config);
    options.onStopped = toldInWindow;
    options.writer = logWriterPath();
    m_log = SessionLog::open(path, m_logFailure, std::move(options));
    if (m_log) m_logged = std::make_unique<LoggingSerialService>(m_router, *m_log, m_ports.config);
  }
  m_form = std::make_unique<PanelForm>(*m_window,
                                       FormTimers{m_timer1, m_timer2, m_timer3, m_timer4}, port());
  bindPanel(*m_window, *m_form);
  m_deviceChoice = new DeviceChoice(*m_window, m_ports, *m_form, port());
}

Panel::~Panel() {
  // The port closes as the program ends, and the log says so; the form and
  // the log then go before the window that owns the services.
  port().close();
  m_form.reset();
  m_logged.reset();
}

void Panel::start() {
  m_form->load();
  m_window->show();
  QTimer::singleShot(0, m_window.get(), [this] {
    // Decoding the icon's pictures and measuring the captions wait until the
    // window is on its way to the screen, so that they do not keep it from
    // mapping.
    if (auto* app = qobject_cast<PanelApplication*>(QCoreApplication::instance())) {
      app->giveWindowIcon();
    }
    m_window->measureKnownFits();
    m_form->shown();
    // A log that could not be opened is told once, like a port that failed.
    if (!m_logFailure.empty()) m_window->noticeBox(std::exchange(m_logFailure, {}));
    // So is a saved file that was not read, and is left as it is.
    if (const QString unread = m_ports.saved.problem(); !unread.isEmpty()) {
      m_window->writeError(unread.toStdString());
      m_window->noticeBox(unread.toStdString());
    }
  });
}

}  // namespace qd40
