// The session log of a scripted session with the real window on a
// pseudo-terminal that is unplugged and plugged in again.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <regex>

#include "PtyPair.h"
#include "SessionLogProbe.h"
#include "TempFolder.h"
#include "app/Application.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;
constexpr milliseconds kReplyTime{900};
constexpr milliseconds kReplyWindowClosed{600};

class SessionLogPanel : public testing::Test {
 protected:
  void SetUp() override {
    link = dir.filePath("com1").toStdString();
    log = dir.filePath("session.log").toStdString();
  }
  void TearDown() override {
    panel.reset();
    qunsetenv("QD40_LOG");
  }
  void startPanel() {
    qputenv("QD40_COM1", QByteArray::fromStdString(link));
    qputenv("QD40_COM2", "/dev/qd40-test-no-such-device");
    qputenv("QD40_LOG", QByteArray::fromStdString(log));
    panel = std::make_unique<Panel>(loadPortSetup({}));
    panel->start();
    runFor(milliseconds(50));
  }
  // The adapter behind the link: a fresh pseudo-terminal each time.
  void plugIn(PtyPair& pty) {
    fs::remove(link);
    fs::create_symlink(pty.slavePath(), link);
  }
  void click(const char* name) { QTest::mouseClick(panel->window().control(name), Qt::LeftButton); }
  std::string text(const char* label) {
    return qobject_cast<QLabel*>(panel->window().control(label))->text().toStdString();
  }
  bool shows(const char* label, const std::string& expected) {
    return waitUntil([&] { return text(label) == expected; }, kReplyTime);
  }
  // The log's lines, each checked for its timestamp, which is then cut off.
  std::vector<std::string> events() {
    static const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d )");
    std::vector<std::string> lines;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
      EXPECT_TRUE(std::regex_search(line, stamp)) << line;
      lines.push_back(std::regex_replace(line, stamp, ""));
    }
    return lines;
  }

  TempFolder dir;
  std::string link, log;
  std::unique_ptr<Panel> panel;
};

TEST_F(SessionLogPanel, AScriptedSessionGivesExactlyTheExpectedLines) {
  auto adapter = std::make_unique<PtyPair>();
  plugIn(*adapter);
  startPanel();

  click("Command17");  // POWER "ON"
  EXPECT_EQ(adapter->read(4, kReplyTime), "C00\r");
  adapter->write("\x06");
  EXPECT_TRUE(shows("Label12", " ACK "));
  runFor(kReplyWindowClosed);

  click("Command44");  // STATUS, answered in two pieces
  EXPECT_EQ(adapter->read(4, kReplyTime), "CR0\r");
  adapter->write("0");
  EXPECT_TRUE(shows("Label12", " 0 "));
  adapter->write("0\r");
  EXPECT_TRUE(shows("Label12", " 0 0 CR "));
  runFor(kReplyWindowClosed);

  adapter->hangUp();  // unplugged
  EXPECT_TRUE(waitUntil([&] { return !panel->port().isOpen(); }, kReplyTime));
  adapter = std::make_unique<PtyPair>();  // plugged in again
  plugIn(*adapter);
  click("Command44");
  EXPECT_EQ(adapter->read(4, kReplyTime), "CR0\r");
  adapter->write("00\r");
  EXPECT_TRUE(shows("Label22", " Power ON"));

  click("Command16");  // END
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*panel->sessionLog()));

  const std::string port = "COM1 (" + link + ") ";
  const std::vector<std::string> lines = events();
  ASSERT_EQ(lines.size(), 14u) << testing::PrintToString(lines);
  const std::vector<std::string> expected = {
      "qd40-control 1.40 pid " + std::to_string(::getpid()) + ": COM1 is " + link +
          ", COM2 is /dev/qd40-test-no-such-device",
      port + "opened",
      port + "closed",
      port + "opened",
      port + "TX \"C00\"<CR>",
      port + "RX <ACK>",
      port + "TX \"CR0\"<CR>",
      port + "RX \"0\"",
      port + "RX \"0\"<CR>",
      "",  // the loss, below
      port + "opened",
      port + "TX \"CR0\"<CR>",
      port + "RX \"00\"<CR>",
      port + "closed",
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == 9) continue;
    EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
  }
  // What checking found: the unplugged pseudo-terminal is gone.
  EXPECT_TRUE(std::regex_match(
      lines[9], std::regex(std::regex_replace(port, std::regex(R"([()/.])"), R"(\$&)") +
                           R"(lost: the device was removed \(.+ is gone: .+\)\. .+)")))
      << lines[9];
}

TEST_F(SessionLogPanel, ALogThatCannotBeOpenedIsToldOnceAfterTheWindowShows) {
  PtyPair adapter;
  plugIn(adapter);
  log = dir.filePath("no-such-folder/session.log").toStdString();
  std::vector<std::string> boxes;
  QTimer answerer;
  answerer.setInterval(20);
  QObject::connect(&answerer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxes.push_back(box->text().toStdString());
      EXPECT_TRUE(static_cast<QWidget&>(panel->window()).isVisible())
          << "the window is on screen first";
      box->button(QMessageBox::Ok)->click();
    }
  });
  answerer.start();
  startPanel();
  runFor(milliseconds(300));
  EXPECT_EQ(boxes, std::vector<std::string>{"The session log " + log +
                                            " cannot be opened: No such file or directory. The "
                                            "panel runs without a log."});
  EXPECT_EQ(panel->sessionLog(), nullptr);
  click("Command17");
  EXPECT_EQ(adapter.read(4, kReplyTime), "C00\r") << "the panel runs on";
}

// Started from the desktop's menu, the operator sees no standard error: a
// log that stops is told in the window, once, beside the panel.
TEST_F(SessionLogPanel, ALogThatStopsIsToldInTheWindowOnce) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a full file system needs root";
  const std::string full = dir.filePath("full").toStdString();
  fs::create_directories(full);
  ASSERT_EQ(::mount("qd40-full", full.c_str(), "tmpfs", 0, "size=4k"), 0);
  std::ofstream(full + "/filler") << std::string(4096, 'f');
  log = full + "/session.log";
  PtyPair adapter;
  plugIn(adapter);
  startPanel();
  for (int i = 0; i < 3; ++i) {
    click("Command17");
    EXPECT_EQ(adapter.read(4, kReplyTime), "C00\r") << "the panel runs on";
    EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*panel->sessionLog()));
  }
  const auto notices = [&] {
    std::vector<std::string> texts;
    const QWidget& window = panel->window();
    for (auto* box : window.findChildren<QMessageBox*>("Notice")) {
      texts.push_back(box->text().toStdString());
    }
    return texts;
  };
  EXPECT_TRUE(waitUntil([&] { return !notices().empty(); }, kReplyTime));
  click("Command17");
  runFor(milliseconds(300));
  EXPECT_EQ(notices(),
            std::vector<std::string>{
                "The session log " + log +
                " stopped: No space left on device. The panel goes on; the log tries its "
                "file again every few seconds and, once it can write, says there what it "
                "missed."});
  panel.reset();
  ::umount2(full.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace qd40::test
