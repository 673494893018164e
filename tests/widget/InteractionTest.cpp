// The operator's hands on the real window: holding buttons with the mouse,
// keys that must not send, the keyboard switch and the views.
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "PanelFixture.h"
#include "panel/Layout.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
constexpr double kToleranceMs = 25;

class InteractionTest : public PanelFixture {
 protected:
  std::vector<Arrival> hold(const char* button, Qt::MouseButton mouse, milliseconds time) {
    QWidget* target = widget(button);
    QTest::mousePress(target, mouse);
    std::vector<Arrival> arrivals = record(pty, time);
    QTest::mouseRelease(target, mouse);
    for (Arrival& a : record(pty, milliseconds(100))) arrivals.push_back(a);
    return arrivals;
  }
  int clientHeight() { return panel->window().QWidget::height(); }
};

int lines(const std::vector<Arrival>& arrivals) {
  std::string all;
  for (const Arrival& a : arrivals) all += a.bytes;
  return static_cast<int>(std::count(all.begin(), all.end(), '\r'));
}

TEST_F(InteractionTest, HoldingVolumePlusSendsAtEveryQuarterSecond) {
  const auto arrivals = hold("Command1", Qt::LeftButton, milliseconds(1060));
  std::string all;
  for (const Arrival& a : arrivals) all += a.bytes;
  EXPECT_EQ(all, "C09\rC09\rC09\rC09\rC09\r");
  ASSERT_EQ(arrivals.size(), 5u) << "one piece per send";
  for (std::size_t i = 1; i < arrivals.size(); ++i) {
    EXPECT_NEAR(arrivals[i].atMs - arrivals[0].atMs, 250.0 * static_cast<double>(i), kToleranceMs);
  }
}

TEST_F(InteractionTest, ShortPressSendsOnceAndRightButtonRepeatsToo) {
  EXPECT_EQ(lines(hold("Command2", Qt::LeftButton, milliseconds(150))), 1);
  EXPECT_EQ(lines(hold("Command50", Qt::RightButton, milliseconds(610))), 3);
  EXPECT_EQ(lines(hold("Command5", Qt::MiddleButton, milliseconds(300))), 2);
}

TEST_F(InteractionTest, KeysOnAFocusedHoldButtonSendNothing) {
  QWidget* button = widget("Command6");
  button->setFocus();
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
    QTest::keyClick(button, key);
  }
  EXPECT_EQ(pty.drain(milliseconds(300)), "");
  EXPECT_EQ(text("Label11"), "");
}

TEST_F(InteractionTest, ReleaseBlanksTheMonitorAtOnce) {
  QWidget* button = widget("Command1");
  QTest::mousePress(button, Qt::LeftButton);
  pty.read(4, milliseconds(1000));
  EXPECT_EQ(text("Label11"), " C 0 9 CR ");
  QTest::mouseRelease(button, Qt::LeftButton);
  EXPECT_EQ(text("Label11"), "");
  EXPECT_EQ(text("Label12"), "");
}

class KeyCounter : public QObject {
 public:
  int presses = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_K) {
      ++presses;
    }
    return false;
  }
};

TEST_F(InteractionTest, AltKWorksFromTheTextBoxWhichStillGetsTheKey) {
  auto* box = widget<QLineEdit>("Text1");
  box->setFocus();
  KeyCounter counter;
  box->installEventFilter(&counter);
  QTest::keyClicks(box, "CR");
  QTest::keyClick(box, Qt::Key_K, Qt::AltModifier);
  EXPECT_EQ(counter.presses, 1);
  EXPECT_EQ(clientHeight(), toPixels(7200 - 370));
  EXPECT_EQ(widget<QPushButton>("Command34")->text().toStdString(), "CLOSE");
  EXPECT_FALSE(widget("Command34")->isHidden());
  EXPECT_EQ(box->text(), "CR");
}

TEST_F(InteractionTest, AnAltChordTypesNothingIntoTheTextBox) {
  auto* box = widget<QLineEdit>("Text1");
  box->setFocus();
  KeyCounter counter;
  box->installEventFilter(&counter);
  QTest::keyClicks(box, "C00");
  QTest::keyClick(box, Qt::Key_K, Qt::AltModifier);
  EXPECT_EQ(counter.presses, 1) << "the box still gets the key";
  EXPECT_EQ(clientHeight(), toPixels(7200 - 370)) << "the keyboard switch still works";
  for (Qt::Key letter : {Qt::Key_A, Qt::Key_X, Qt::Key_Z}) {
    QTest::keyClick(box, letter, Qt::AltModifier);
  }
  QTest::keyClick(box, Qt::Key_K, Qt::AltModifier | Qt::ShiftModifier);
  EXPECT_EQ(box->text(), "C00");
  click("Command95");
  EXPECT_EQ(pty.read(4, milliseconds(2000)), "\x43\x30\x30\x0d");
  EXPECT_EQ(pty.drain(milliseconds(100)), "");
}

TEST_F(InteractionTest, AltKWithShiftOrCtrlDoesNothing) {
  QWidget* button = widget("Command17");
  button->setFocus();
  QTest::keyClick(button, Qt::Key_K, Qt::AltModifier | Qt::ShiftModifier);
  QTest::keyClick(button, Qt::Key_K, Qt::AltModifier | Qt::ControlModifier);
  QTest::keyClick(button, Qt::Key_K);
  EXPECT_EQ(clientHeight(), toPixels(5350 - 370));
  EXPECT_TRUE(widget("Command34")->isHidden());
}

TEST_F(InteractionTest, ViewsWalkedOnTheWindow) {
  struct Step {
    const char* action;  // "altk", "dbl" or "view"
    int height;
    const char* caption;
  };
  const Step steps[] = {
      {"dbl", 5350, "データを表示する"},
      {"altk", 7200, "CLOSE"},
      {"dbl", 9100, "CLOSE"},
      {"altk", 7200, "CLOSE"},
      {"dbl", 9100, "CLOSE"},
      {"view", 5350, "データを表示する"},
      {"dbl", 5350, "データを表示する"},
      {"view", 6645, "データを表示しない"},
      {"view", 5350, "データを表示する"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.action) + " to " + std::to_string(step.height));
    if (std::string(step.action) == "altk")
      QTest::keyClick(widget("Command17"), Qt::Key_K, Qt::AltModifier);
    if (std::string(step.action) == "dbl") QTest::mouseDClick(widget("Image1"), Qt::LeftButton);
    if (std::string(step.action) == "view") click("Command34");
    EXPECT_EQ(clientHeight(), toPixels(step.height - 370));
    EXPECT_EQ(widget<QPushButton>("Command34")->text().toStdString(), step.caption);
  }
}

TEST_F(InteractionTest, FreeEntrySendsTypedTextAsUtf8) {
  auto* box = widget<QLineEdit>("Text1");
  box->setText(QString::fromUtf8("CR7 é"));
  click("Command95");
  EXPECT_EQ(pty.read(7, milliseconds(2000)), "CR7 \xc3\xa9\r");
  EXPECT_EQ(text("Label11"), " C R 7   ? CR ");
  click("Command96");
  EXPECT_EQ(box->text(), "");
}

}  // namespace
}  // namespace qd40::test
