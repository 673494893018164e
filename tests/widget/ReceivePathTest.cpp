// The receive path on the real window: the monitor after a burst of
// deliveries holds the rendering of all of it, a reply delivered a character
// at a time is decoded as always, additions to a label go up at most once a
// frame without ever outliving a later write, and a long line is painted as a
// stock label paints it.
#include <QLineEdit>

#include "PanelFixture.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
using ReceivePathTest = PanelFixture;

std::string repeated(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// 11,000 times "A", ACK, CR in pieces of 300 bytes: more than the buffer
// holds, so it keeps 10,922 whole triples and one "A".
TEST_F(ReceivePathTest, MonitorAfterABurstShowsTheWholeBufferExactly) {
  const std::string line = repeated("A\x06\r", 11000);
  for (std::size_t at = 0; at < line.size(); at += 300) {
    pty.write(line.substr(at, 300));
    runFor(milliseconds(1));
  }
  const std::string expected = " " + repeated("A ACK CR ", 10922) + "A ";
  ASSERT_TRUE(
      waitUntil([&] { return text("Label12").size() == expected.size(); }, milliseconds(5000)))
      << text("Label12").size();
  runFor(milliseconds(100));
  EXPECT_TRUE(text("Label12") == expected) << "what the label shows";
  EXPECT_TRUE(panel->window().caption(Control::RxMonitor) == expected) << "what the seam reads";
}

TEST_F(ReceivePathTest, ReplyDeliveredACharacterAtATimeIsDecodedAsAWhole) {
  // Each character goes on the line alone and is taken in before the next.
  const auto answer = [&](const std::string& query, const std::string& reply) {
    ASSERT_EQ(pty.read(query.size(), milliseconds(2000)), query);
    for (const char c : reply) {
      pty.write(std::string(1, c));
      runFor(milliseconds(30));
    }
  };
  widget<QLineEdit>("Text1")->setText("CR9");
  click("Command95");
  answer("CR9\r", "AB\r");
  ASSERT_TRUE(waitUntil([&] { return text("Label12") == " A B CR "; }, milliseconds(1000)));
  EXPECT_EQ(text("Label22"), " A B CR ");

  click("Command44");
  answer("CR0\r", "80\r");
  ASSERT_TRUE(waitUntil([&] { return text("Label22") == " Stand by"; }, milliseconds(1000)));
  EXPECT_EQ(text("Label12"), " 8 0 CR ");
}

// Many additions within one frame: the label shows the first at once and the
// rest together at the frame's end, while the seam reads all of them at once.
// A write after them, as the clearing, is shown at once and stays.
TEST_F(ReceivePathTest, AdditionsGoUpOnceAFrameAndNeverOutliveALaterWrite) {
  Window& window = panel->window();
  window.setCaption(Control::RxMonitor, " ");
  for (int i = 0; i < 1000; ++i) window.appendCaption(Control::RxMonitor, "7 ");
  const std::string all = " " + repeated("7 ", 1000);
  EXPECT_EQ(text("Label12"), " 7 ");
  EXPECT_EQ(window.caption(Control::RxMonitor), all);
  ASSERT_TRUE(waitUntil([&] { return text("Label12") == all; }, milliseconds(1000)));

  window.appendCaption(Control::RxMonitor, "8 ");
  window.appendCaption(Control::RxMonitor, "9 ");
  window.appendCaption(Control::StatusText, "9 ");
  window.setCaption(Control::RxMonitor, "");
  EXPECT_EQ(text("Label12"), "");
  EXPECT_EQ(text("Label22"), "9 ") << "an earlier addition goes up before a later write";
  runFor(milliseconds(100));
  EXPECT_EQ(text("Label12"), "");
}

QImage picture(QWidget* widget) {
  return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int differingPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int count = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
  }
  return count;
}

// A stock label with everything of `label` that its painting depends on.
std::unique_ptr<QLabel> stockCopy(QLabel* label) {
  auto copy = std::make_unique<QLabel>(label->parentWidget());
  copy->setTextFormat(Qt::PlainText);
  copy->setGeometry(label->geometry());
  copy->setFont(label->font());
  copy->setPalette(label->palette());
  copy->setAutoFillBackground(label->autoFillBackground());
  copy->setFrameStyle(label->frameStyle());
  copy->setAlignment(label->alignment());
  copy->setText(label->text());
  return copy;
}

TEST_F(ReceivePathTest, LongLinePaintsAsAStockLabelPaintsIt) {
  const std::string digits = " " + repeated("5 ", 32767);
  const std::string tokens = " " + repeated("A ACK CR & ? LF z ", 5000);
  const std::string wide = " " + repeated("W M ", 500);
  const std::string accented = wide + "\xc3\xa9";
  for (const char* name : {"Label11", "Label12", "Label22"}) {
    for (const std::string* line : {&digits, &tokens, &wide, &accented}) {
      auto* label = widget<QLabel>(name);
      label->setText(QString::fromStdString(*line));
      const auto stock = stockCopy(label);
      EXPECT_EQ(differingPixels(picture(label), picture(stock.get())), 0)
          << name << " " << line->size();
    }
  }
}

}  // namespace
}  // namespace qd40::test
