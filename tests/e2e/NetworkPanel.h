#pragma once
// The panel's window in the test process, with COM1 on a network port, and
// what the network tests read from it.
#include <QLabel>
#include <QTest>
#include <chrono>
#include <memory>
#include <string>

#include "PtyPair.h"
#include "app/Application.h"
#include "app/PortSetup.h"

namespace qd40::test {

class NetworkPanel {
 public:
  static constexpr std::chrono::milliseconds kConnectTime{3000};
  static constexpr std::chrono::milliseconds kReplyTime{900};

  void startPanel(const std::string& com1, const std::string& log = {}) {
    qputenv("QD40_COM1", QByteArray::fromStdString(com1));
    qputenv("QD40_COM2", "/dev/qd40-test-no-such-device");
    if (!log.empty()) qputenv("QD40_LOG", QByteArray::fromStdString(log));
    panel = std::make_unique<Panel>(loadPortSetup({}));
    qunsetenv("QD40_LOG");
    panel->start();
  }
  bool waitConnected(std::chrono::milliseconds time = kConnectTime) {
    return waitUntil([&] { return panel->network().connected(); }, time);
  }
  QWidget* control(const char* name) { return panel->window().control(name); }
  void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
  std::string text(const char* label) {
    // The status line shows a short form of a long message; its caption is
    // the whole of it.
    if (std::string_view(label) == "Label22") return panel->window().caption(Control::StatusText);
    return qobject_cast<QLabel*>(control(label))->text().toStdString();
  }
  bool shows(const char* label, const std::string& expected,
             std::chrono::milliseconds time = kReplyTime) {
    return waitUntil([&] { return text(label) == expected; }, time);
  }

  std::unique_ptr<Panel> panel;
};

}  // namespace qd40::test
