// The device chooser on the real window: reached from every port box and from
// the "COM" button's menu, a pseudo-terminal typed in for COM1 used at once,
// saved under the XDG config folder and used again at the next start.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "PanelProbe.h"
#include "PtyPair.h"
#include "TempFolder.h"
#include "app/Application.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

class ChooserTest : public testing::Test {
 protected:
  void SetUp() override {
    qunsetenv("QD40_COM1");
    qputenv("QD40_COM2", "/dev/qd40-test-no-such-device");
    // Modal boxes open nested event loops; a timer answers them from inside.
    QObject::connect(&m_answerer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      boxes.push_back(box->text().toStdString());
      // A port box offers the chooser; a question gets the answer the test set.
      auto* button = box->findChild<QAbstractButton*>("ChooseDevice");
      if (button == nullptr) button = box->findChild<QAbstractButton*>(answer);
      if (button != nullptr) button->click();
    });
    m_answerer.start(20);
  }

  void TearDown() override { panel.reset(); }

  void start() {
    panel = std::make_unique<Panel>(loadPortSetup({}));
    panel->start();
    runFor(milliseconds(50));
  }

  DeviceChooser* chooser() {
    waitUntil([this] { return panel->deviceChoice().chooser() != nullptr; }, milliseconds(2000));
    return panel->deviceChoice().chooser();
  }
  bool chooserClosed() {
    return waitUntil([this] { return panel->deviceChoice().chooser() == nullptr; },
                     milliseconds(2000));
  }
  QLineEdit* field(int number) {
    return chooser()->findChild<QLineEdit*>(QString("Com%1Device").arg(number));
  }
  void pressOk() {
    chooser()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    runFor(milliseconds(50));
  }
  void click(const char* button) {
    QTest::mouseClick(panel->window().control(button), Qt::LeftButton);
  }

  PtyPair pty;
  std::unique_ptr<Panel> panel;
  std::vector<std::string> boxes;
  QString answer;

 private:
  QTimer m_answerer;
};

TEST_F(ChooserTest, APseudoTerminalTypedInForCom1IsUsedNowSavedAndUsedAtTheNextStart) {
  const std::string gone = "/dev/qd40-test-gone-" + std::to_string(getpid());
  ASSERT_EQ(SavedPorts().file(),
            qEnvironmentVariable("XDG_CONFIG_HOME") + "/qd40/qd40-control.conf");
  ASSERT_EQ(SavedPorts().save(1, gone), "");
  start();

  // The saved adapter is gone: the start-up box says so and offers the chooser.
  ASSERT_NE(chooser(), nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("COM1 (" + gone +
                               "): no such device. Choose the projector's device with "
                               "\"Choose device…\"",
                           0),
            0u)
      << boxes[0];
  EXPECT_EQ(field(1)->text().toStdString(), gone);
  EXPECT_EQ(chooser()->focusWidget(), field(1));

  // A name that is not a path from the root would depend on the folder the
  // panel was started in: refused, and the chooser stays.
  field(1)->clear();
  QTest::keyClicks(field(1), "pts/3");
  pressOk();
  ASSERT_NE(panel->deviceChoice().chooser(), nullptr);
  EXPECT_TRUE(chooser()->findChild<QLabel*>("Problem")->isVisible());

  field(1)->clear();
  QTest::keyClicks(field(1), QString::fromStdString(pty.slavePath()));
  pressOk();
  EXPECT_TRUE(chooserClosed());
  EXPECT_TRUE(panel->serial().isOpen()) << "the port in use opens on the device chosen";
  click("Command17");
  EXPECT_EQ(pty.read(4, milliseconds(2000)), "C00\r");
  EXPECT_EQ(SavedPorts().device(1), pty.slavePath());
  EXPECT_EQ(boxes.size(), 1u);

  // The next start takes the saved choice.
  panel.reset();
  start();
  EXPECT_TRUE(panel->serial().isOpen());
  EXPECT_EQ(panel->ports().config.choice(1), (PortChoice{pty.slavePath(), PortSource::Saved}));
  click("Command17");
  EXPECT_EQ(pty.read(4, milliseconds(2000)), "C00\r");
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ChooserTest, EveryPortBoxAndTheComMenuOpenTheChooserAboutTheirPort) {
  ASSERT_EQ(SavedPorts().save(1, pty.slavePath()), "");
  start();
  ASSERT_TRUE(panel->serial().isOpen());

  // The menu of "COM", by keyboard as a screen-reader user opens it.
  QWidget* com = panel->window().control("Command33");
  QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(4, 4));
  QApplication::sendEvent(com, &menuKey);
  auto* menu = com->findChild<QMenu*>();
  ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); }, milliseconds(2000)));
  menu->actions().first()->trigger();
  ASSERT_NE(chooser(), nullptr);
  EXPECT_EQ(chooser()->focusWidget(), field(1));
  chooser()->reject();
  EXPECT_TRUE(chooserClosed());

  // A failed selection of COM2: the box is about COM2.
  click("Command33");
  click("Option2");
  ASSERT_NE(chooser(), nullptr);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(chooser()->focusWidget(), field(2));
  EXPECT_EQ(panel->serial().commPort(), 1) << "the selection fell back before the chooser opened";
  chooser()->reject();
  EXPECT_TRUE(chooserClosed());

  // The box of a lost port, which does not block the window.
  click("Command17");
  pty.hangUp();
  ASSERT_TRUE(
      waitUntil([&] { return portProblemBox(panel->window()) != nullptr; }, milliseconds(3000)));
  portProblemBox(panel->window())->findChild<QAbstractButton*>("ChooseDevice")->click();
  ASSERT_NE(chooser(), nullptr);
  EXPECT_EQ(chooser()->focusWidget(), field(1));
  EXPECT_TRUE(
      waitUntil([&] { return portProblemBox(panel->window()) == nullptr; }, milliseconds(2000)));
}

TEST(DeviceChooser, AFieldLeftAsItWasKeepsBytesThatAreNotUtf8) {
  const std::string odd = "/tmp/qd40-\xff\xfe-com1";
  DeviceChooser chooser({DeviceChooser::Port{{odd, PortSource::Saved}, {}, true},
                         DeviceChooser::Port{{"/dev/ttyS1", PortSource::Default}, {}, false}},
                        1, "/tmp/qd40-test.conf");
  EXPECT_EQ(chooser.devices(), (std::array<std::string, 2>{odd, "/dev/ttyS1"}));
}

TEST(DeviceChooser, FollowsAdaptersAlsoWhenTheStableNameFolderGoesAndComesBack) {
  TempFolder dev;
  ASSERT_TRUE(QDir(QString::fromStdString(dev.path())).mkpath("serial/by-id"));
  const QString byId = dev.filePath("serial/by-id");
  DeviceChooser chooser({}, 1, "/tmp/qd40-test.conf");
  int listed = 0;
  QObject::connect(&chooser, &DeviceChooser::listed, [&] { ++listed; });
  chooser.watchFolders({QString::fromStdString(dev.path()), dev.filePath("serial"), byId});
  const auto relisted = [&] {
    const int before = listed;
    return waitUntil([&] { return listed > before; }, milliseconds(3000));
  };
  // The last adapter is unplugged, and the system removes the folder.
  QDir(byId).removeRecursively();
  EXPECT_TRUE(relisted());
  // One is plugged in: the folder is made, then the link in it.
  ASSERT_TRUE(QDir(QString::fromStdString(dev.path())).mkpath("serial/by-id"));
  EXPECT_TRUE(relisted());
  runFor(milliseconds(400));
  QFile::link("/dev/null", byId + "/usb-Maker_Adapter-if00-port0");
  EXPECT_TRUE(relisted()) << "the new folder is watched again";
}

TEST(SerialPortList, AStableNameIsFoundThroughItsRelativeLink) {
  TempFolder dev;
  ASSERT_TRUE(QDir(QString::fromStdString(dev.path())).mkpath("serial/by-id"));
  QFile node(dev.filePath("ttyUSB0"));
  ASSERT_TRUE(node.open(QIODevice::WriteOnly));
  const std::string byId = dev.filePath("serial/by-id").toStdString();
  std::filesystem::create_symlink("../../ttyUSB0", byId + "/usb-FTDI_FT232R-if00-port0");
  std::filesystem::create_symlink("../../ttyUSB1", byId + "/usb-Other-if00-port0");
  EXPECT_EQ(stableName(dev.filePath("ttyUSB0").toStdString(), byId),
            byId + "/usb-FTDI_FT232R-if00-port0");
  EXPECT_EQ(stableName(dev.filePath("ttyS0").toStdString(), byId), "");
}

// Blanking COM1's field would open the machine's first serial port, where a
// console or a modem may sit: the field says so, and OK asks first.
TEST_F(ChooserTest, AnEmptiedFieldNamesTheDefaultAndItIsNotOpenedUnasked) {
  ASSERT_EQ(SavedPorts().save(1, pty.slavePath()), "");
  start();
  ASSERT_TRUE(panel->serial().isOpen());
  panel->deviceChoice().open(1);
  EXPECT_EQ(field(1)->placeholderText().toStdString(), "Empty: the default device, /dev/ttyS0");
  EXPECT_EQ(field(2)->placeholderText().toStdString(),
            "Empty: /dev/qd40-test-no-such-device, named outside the panel");
  field(1)->setText("  ");
  answer = "KeepChoosing";
  pressOk();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0],
            "The COM1 field is empty, so COM1, the port in use, would open the default device "
            "/dev/ttyS0, which nobody named. Another device, such as a console, a modem or a "
            "power supply, may be attached there. Open /dev/ttyS0 for COM1?");
  EXPECT_NE(panel->deviceChoice().chooser(), nullptr) << "the chooser stays open";
  EXPECT_TRUE(panel->serial().isOpen());
  EXPECT_EQ(panel->ports().config.choice(1), (PortChoice{pty.slavePath(), PortSource::Saved}));
  EXPECT_EQ(SavedPorts().device(1), pty.slavePath()) << "the saved choice is kept";
}

}  // namespace
}  // namespace qd40::test
