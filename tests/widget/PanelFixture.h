#pragma once
// The real panel (window, timers, Qt serial service) with COM1 on a fresh
// pseudo-terminal and COM2 on a device that does not exist. Message boxes are
// answered automatically and their texts kept.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <memory>

#include "PanelProbe.h"
#include "PtyPair.h"
#include "app/Application.h"

namespace qd40::test {

class PanelFixture : public testing::Test {
 protected:
  void SetUp() override {
    qputenv("QD40_COM1", QByteArray::fromStdString(com1Path()));
    qputenv("QD40_COM2", "/dev/qd40-test-no-such-device");
    m_answerer.setInterval(20);
    QObject::connect(&m_answerer, &QTimer::timeout, [this] { answerMessageBox(); });
    m_answerer.start();
    panel = std::make_unique<Panel>(loadPortSetup({}));
    panel->start();
    runFor(std::chrono::milliseconds(50));
  }

  void TearDown() override {
    panel.reset();
    m_answerer.stop();
  }

  virtual std::string com1Path() { return pty.slavePath(); }

  template <typename T = QWidget>
  T* widget(const char* name) {
    return qobject_cast<T*>(panel->window().control(name));
  }
  std::string text(const char* label) { return widget<QLabel>(label)->text().toStdString(); }
  void click(const char* button) { QTest::mouseClick(widget(button), Qt::LeftButton); }

  PtyPair pty;
  std::unique_ptr<Panel> panel;
  std::vector<std::string> boxes;  // texts of the message boxes answered

 private:
  void answerMessageBox() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxes.push_back(box->text().toStdString());
      box->button(QMessageBox::Ok)->click();
    }
  }

  QTimer m_answerer;
};

}  // namespace qd40::test
