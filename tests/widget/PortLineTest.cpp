// An error on an open line that still works is no loss: when another program
// has the port open and reads a reply before the panel can, the panel names
// that program once, keeps the port open and goes on reading.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <fstream>

#include "PanelFixture.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

// Takes what waits on the line between the moment the panel is told it can
// read and its read: the race a second reader wins on a real line. The bytes
// are read through a descriptor of the test's own; the other program the
// panel finds is `holder`, which has the port open too.
class ReaderWins final : public QObject {
 public:
  ReaderWins(int line, const std::string& device)
      : m_line(line), m_own(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    int ready[2];
    if (pipe(ready) != 0) return;
    holder = fork();
    if (holder == 0) {
      // Only async-signal-safe calls in the child of a threaded process.
      open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      if (write(ready[1], "x", 1) == 1) pause();
      _exit(0);
    }
    char byte = 0;
    [[maybe_unused]] const ssize_t heard = read(ready[0], &byte, 1);
    close(ready[0]);
    close(ready[1]);
  }
  ~ReaderWins() override {
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(m_own);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* notifier = qobject_cast<QSocketNotifier*>(watched);
    if (event->type() == QEvent::SockAct && notifier != nullptr &&
        notifier->type() == QSocketNotifier::Read && notifier->socket() == m_line) {
      char bytes[256];
      while (read(m_own, bytes, sizeof bytes) > 0) ++taken;
    }
    return false;
  }
  pid_t holder = -1;
  int taken = 0;

 private:
  int m_line, m_own;
};

class PortLineTest : public PanelFixture {};

TEST_F(PortLineTest, AnotherReaderIsNamedOnceAndTheLineStaysOpenAndReading) {
  int told = 0;
  panel->serial().setTroubleHandler([this, &told](const std::string& why) {
    ++told;
    panel->form().portTrouble(why);
  });
  const int handle = panel->serial().nativeHandle();
  auto race = std::make_unique<ReaderWins>(handle, pty.slavePath());
  QApplication::instance()->installEventFilter(race.get());
  for (int reply = 1; reply <= 3; ++reply) {
    pty.write("00\r");
    ASSERT_TRUE(waitUntil([&] { return race->taken >= reply; }, milliseconds(2000)));
    runFor(milliseconds(100));
  }
  std::string name;
  std::getline(std::ifstream("/proc/" + std::to_string(race->holder) + "/comm"), name);
  EXPECT_EQ(told, 1);
  ASSERT_NE(portProblemBox(panel->window()), nullptr);
  EXPECT_EQ(portProblemBox(panel->window())->text().toStdString(),
            "COM1 (" + pty.slavePath() + "): another program reads this port: " + name +
                " (process " + std::to_string(race->holder) +
                " of user root); it may take the replies. Close it so that every reply reaches "
                "the panel.");
  EXPECT_EQ(panel->serial().nativeHandle(), handle) << "no loss, no reopening";

  race.reset();
  pty.write("00\r");
  EXPECT_TRUE(waitUntil([&] { return text("Label12") == " 0 0 CR "; }, milliseconds(2000)));
}

}  // namespace
}  // namespace qd40::test
