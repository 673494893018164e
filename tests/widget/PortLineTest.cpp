// An open line that reports an error is checked before anything is said: a
// device that is gone or hung up is a loss, told by what was found; a line
// that works while another program reads it stays open, and that program is
// named once.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <fstream>

#include "PanelFixture.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

// Another program with the port open, which reads what waits on the line
// whenever the test tells it to.
class Reader final {
 public:
  explicit Reader(const std::string& device) {
    if (pipe(m_ask) != 0 || pipe(m_done) != 0) return;
    pid = fork();
    if (pid == 0) {
      // Only async-signal-safe calls in the child of a threaded process.
      const int line = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      char order = 0, bytes[256];
      while (read(m_ask[0], &order, 1) == 1) {
        while (read(line, bytes, sizeof bytes) > 0) {
        }
        if (write(m_done[1], "x", 1) != 1) break;
      }
      _exit(0);
    }
  }
  ~Reader() { stop(); }
  // Reads everything waiting, and returns once it has.
  void take() const {
    char byte = 0;
    if (write(m_ask[1], "r", 1) == 1) {
      [[maybe_unused]] const ssize_t heard = read(m_done[0], &byte, 1);
    }
  }
  void stop() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
  std::string name() const {
    std::string comm;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), comm);
    return comm;
  }
  pid_t pid = -1;

 private:
  int m_ask[2] = {-1, -1};
  int m_done[2] = {-1, -1};
};

// Lets the reader take a reply between the moment the panel is told it can
// read and its read: the race a second reader wins on a real line.
class ReaderWins final : public QObject {
 public:
  ReaderWins(int line, const Reader& reader) : m_line(line), m_reader(reader) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* notifier = qobject_cast<QSocketNotifier*>(watched);
    if (event->type() == QEvent::SockAct && notifier != nullptr &&
        notifier->type() == QSocketNotifier::Read && notifier->socket() == m_line) {
      m_reader.take();
      ++taken;
    }
    return false;
  }
  int taken = 0;

 private:
  int m_line;
  const Reader& m_reader;
};

class PortLineTest : public PanelFixture {};

TEST_F(PortLineTest, AnotherReaderIsNamedOnceAndTheLineStaysOpenAndReading) {
  int told = 0;
  panel->serial().setTroubleHandler([this, &told](const std::string& why) {
    ++told;
    panel->form().portTrouble(why);
  });
  Reader reader(pty.slavePath());
  const int handle = panel->serial().nativeHandle();
  ReaderWins race(handle, reader);
  QApplication::instance()->installEventFilter(&race);
  for (int reply = 1; reply <= 3; ++reply) {
    pty.write("00\r");
    ASSERT_TRUE(waitUntil([&] { return race.taken >= reply; }, milliseconds(2000)));
    runFor(milliseconds(100));
  }
  QApplication::instance()->removeEventFilter(&race);
  EXPECT_EQ(told, 1);
  ASSERT_NE(panel->window().portProblemBox(), nullptr);
  EXPECT_EQ(panel->window().portProblemBox()->text().toStdString(),
            "COM1 (" + pty.slavePath() + "): another program reads this port: " + reader.name() +
                " (process " + std::to_string(reader.pid) +
                " of user root); it may take the replies. Close it so that every reply reaches "
                "the panel.");
  EXPECT_TRUE(panel->serial().isOpen());
  EXPECT_EQ(panel->serial().nativeHandle(), handle) << "no loss, no reopening";

  reader.stop();
  pty.write("00\r");
  EXPECT_TRUE(waitUntil([&] { return text("Label12") == " 0 0 CR "; }, milliseconds(2000)));
}

TEST_F(PortLineTest, ALossIsToldByWhatCheckingFoundNotByTheFirstError) {
  struct Case {
    const char* how;
    const char* says;  // after "COM1 (<pty>): "
  };
  for (const Case& c : {
           Case{"closed by its maker",
                "the device was removed (%s is gone: the program that made the pseudo-terminal "
                "closed it). Start it again; the next command opens the port again."},
           Case{"hung up",
                "the device is present but hung up, so the line carries nothing "
                "more. Check the cable or adapter; the next command opens the port "
                "again."},
       }) {
    PtyPair line;
    qputenv("QD40_COM1", QByteArray::fromStdString(line.slavePath()));
    panel->serial().close();
    click("Command44");  // the next command opens the port on the new line
    ASSERT_TRUE(panel->serial().isOpen()) << c.how;
    if (std::string(c.how) == "hung up") {
      const int fd = open(line.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      ASSERT_EQ(ioctl(fd, TIOCVHANGUP), 0);
      close(fd);
    } else {
      line.hangUp();
    }
    ASSERT_TRUE(waitUntil([&] { return !panel->serial().isOpen(); }, milliseconds(2000))) << c.how;
    std::string says = c.says;
    if (const std::size_t at = says.find("%s"); at != std::string::npos) {
      says.replace(at, 2, line.slavePath());
    }
    EXPECT_EQ(text("Label22"), "COM1 (" + line.slavePath() + "): " + says) << c.how;
  }
}

}  // namespace
}  // namespace qd40::test
