// The floor the panel is measured against: a bare Qt Widgets window of the
// panel's size at start-up that shows one label in each of the panel's two
// fonts, so the cost of Qt, the platform plugin and the CJK fonts is counted
// here too. With QD40_COM1 set it also opens that line as the panel does and
// reads and drops whatever arrives, so the cost of being woken for each
// character is counted too. Asked to end (SIGTERM), it closes the line, so
// the line's lock goes with it, as the panel's does.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QSerialPort>
#include <QWidget>

#include "panel/Layout.h"
#include "protocol/Commands.h"
#include "toolkit/SignalWatcher.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("floor"));
  window.setFixedSize(qd40::toPixels(qd40::kForm.clientWidth),
                      qd40::toPixels(qd40::kCompactHeight - qd40::kForm.frameHeight));
  QLabel gothic(QStringLiteral("データを表示する"), &window);
  gothic.setFont(QFont(QStringLiteral("Noto Sans Mono CJK JP"), 9, QFont::Bold));
  gothic.move(10, 10);
  QLabel pGothic(QStringLiteral("データを表示する"), &window);
  pGothic.setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 9, QFont::Bold));
  pGothic.move(10, 40);
  QSerialPort line(qEnvironmentVariable("QD40_COM1"));
  if (!line.portName().isEmpty() && line.open(QIODevice::ReadWrite)) {
    QObject::connect(&line, &QSerialPort::readyRead, [&line] { line.readAll(); });
  }
  const qd40::SignalWatcher ending([] { QApplication::quit(); });
  window.show();
  const int status = QApplication::exec();
  line.close();
  return status;
}
