// The panel's window against a real serial device server: ser2net on
// loopback in front of a pseudo-terminal, in raw and in RFC 2217 mode.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "DeviceServer.h"
#include "Loopback.h"
#include "NetworkPanel.h"
#include "SessionLogProbe.h"
#include "TempFolder.h"
#include "VethNamespace.h"
#include "config/PortConfig.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;
using Mode = DeviceServer::Mode;
constexpr milliseconds kReplyWindowClosed{600};

std::string modeName(const testing::TestParamInfo<Mode>& info) {
  return info.param == Mode::Raw ? "Raw" : "Rfc2217";
}

// The speed the terminal at `path` is set to, as its own side sees it.
speed_t lineSpeed(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios mode{};
  const bool read = fd >= 0 && ::tcgetattr(fd, &mode) == 0;
  if (fd >= 0) ::close(fd);
  return read ? ::cfgetospeed(&mode) : B0;
}

std::string contents(const std::string& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int countLines(const std::string& file, const std::string& part) {
  std::ifstream in(file);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.find(part) != std::string::npos;
  return count;
}

class DeviceServerTest : public NetworkPanel, public testing::TestWithParam<Mode> {
 protected:
  void TearDown() override { panel.reset(); }
};

TEST_P(DeviceServerTest, PowerOnGetsItsAckThroughTheServer) {
  SimulatedProjector sim;
  const std::string device = sim.start();
  ASSERT_FALSE(device.empty());
  DeviceServer server(device, GetParam());
  ASSERT_TRUE(server.start());
  startPanel(server.url());
  ASSERT_TRUE(waitConnected());
  click("Command17");
  EXPECT_TRUE(shows("Label12", " ACK ")) << text("Label12");
  EXPECT_EQ(text("Label11"), " C 0 0 CR ");
  runFor(kReplyWindowClosed);
  click("Command44");
  EXPECT_TRUE(shows("Label22", " Count down")) << text("Label22");
}

TEST_P(DeviceServerTest, AReplyHoldingByte255IsOneCharacter) {
  PtyPair projector;
  DeviceServer server(projector.slavePath(), GetParam());
  ASSERT_TRUE(server.start());
  startPanel(server.url());
  ASSERT_TRUE(waitConnected());
  click("Command44");
  EXPECT_EQ(projector.read(4, kReplyTime), "CR0\r");
  projector.write(
      "\xFF"
      "0\r");
  EXPECT_TRUE(shows("Label12", " ? 0 CR ")) << text("Label12");
  EXPECT_EQ(panel->form().state().rxBuffer.chars().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Modes, DeviceServerTest, testing::Values(Mode::Raw, Mode::Rfc2217),
                         modeName);

class NetworkPortTest : public NetworkPanel, public testing::Test {
 protected:
  void TearDown() override { panel.reset(); }
};

TEST_F(NetworkPortTest, Rfc2217SpeedButtonsSetTheFarLinesSpeed) {
  SimulatedProjector sim;
  const std::string device = sim.start();
  ASSERT_FALSE(device.empty());
  DeviceServer server(device, Mode::Rfc2217);
  ASSERT_TRUE(server.start());
  startPanel(server.url());
  ASSERT_TRUE(waitConnected());
  EXPECT_TRUE(waitUntil([&] { return lineSpeed(device) == B19200; }, kReplyTime));
  click("Command33");
  click("Option10");
  EXPECT_TRUE(waitUntil([&] { return lineSpeed(device) == B9600; }, kReplyTime))
      << "speed code " << lineSpeed(device);
  click("Command44");
  EXPECT_TRUE(shows("Label22", " Stand by")) << "the line still carries the reply";
  click("Command33");
  click("Option9");
  EXPECT_TRUE(waitUntil([&] { return lineSpeed(device) == B19200; }, kReplyTime));
}

// rfc2217:// at ser2net's raw port: the Telnet offers reach the projector's
// line as bytes, and a CR ends them before the first command goes out, on a
// line of its own.
TEST_F(NetworkPortTest, AtARawPortTheFirstCommandReachesTheLineOnALineOfItsOwn) {
  PtyPair projector;
  DeviceServer server(projector.slavePath(), Mode::Raw);
  ASSERT_TRUE(server.start());
  const std::string url = "rfc2217" + server.url().substr(server.url().find("://"));
  startPanel(url);
  click("Command44");
  using namespace std::string_literals;
  const std::string offers = "\xFF\xFB\x00\xFF\xFB\x03\xFF\xFB,\xFF\xFD\x00\xFF\xFD\x03"s;
  EXPECT_EQ(projector.read(offers.size() + 5, milliseconds(3000)), offers + "\rCR0\r");
}

// A press while the connection is being made goes out once it stands; a
// stopped server is reported, tried in the background, and picked up again
// without a press.
TEST_F(NetworkPortTest, APressWhileConnectingGoesOutAndAStoppedServerIsPickedUpAgain) {
  SimulatedProjector sim;
  const std::string device = sim.start();
  ASSERT_FALSE(device.empty());
  DeviceServer server(device, Mode::Rfc2217);
  ASSERT_TRUE(server.start());
  TempFolder dir;
  const std::string log = dir.filePath("session.log").toStdString();
  startPanel(server.url(), log);
  click("Command44");
  EXPECT_TRUE(shows("Label22", " Stand by")) << text("Label22");
  ASSERT_TRUE(waitConnected());

  server.stop();
  const std::string where = "COM1 (" + server.url() + "): ";
  EXPECT_TRUE(shows("Label22",
                    where + "127.0.0.1 refused the connection on port " +
                        std::to_string(server.port()) +
                        ": nothing listens there. Check that the device server runs and serves "
                        "this port. The panel keeps trying to connect.",
                    kConnectTime))
      << text("Label22");
  EXPECT_FALSE(panel->port().isOpen());
  const auto portBoxOpen = [] {
    const QWidgetList tops = QApplication::topLevelWidgets();
    return std::any_of(tops.begin(), tops.end(), [](QWidget* top) {
      return top->objectName() == "PortProblem" && top->isVisible();
    });
  };
  EXPECT_TRUE(portBoxOpen());
  ASSERT_TRUE(server.start());
  ASSERT_TRUE(waitConnected(milliseconds(8000))) << "picked up again in the background";
  EXPECT_FALSE(portBoxOpen()) << "the box closes when the connection stands again";
  runFor(kReplyWindowClosed);
  click("Command44");
  EXPECT_TRUE(shows("Label22", " Stand by")) << text("Label22");
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*panel->sessionLog()));
  EXPECT_EQ(countLines(log, " lost: "), 1) << contents(log);
  EXPECT_EQ(countLines(log, ") connecting"), 2) << "start-up connects twice, no press does";
  EXPECT_EQ(countLines(log, ") opened"), 2);
}

// ser2net in a network namespace of the test's own: the link to it goes
// silent under a standing connection and POWER ON is pressed. Within
// seconds the panel says the line was dropped unconfirmed, and when the link
// is back the projector never gets it.
TEST_F(NetworkPortTest, ALineSentIntoADeadLinkIsNamedAndNeverArrivesLater) {
  VethNamespace place;
  if (!place.failure().empty()) GTEST_SKIP() << place.failure();
  PtyPair projector;
  DeviceServer server(projector.slavePath(), Mode::Rfc2217, &place);
  ASSERT_TRUE(server.start());
  startPanel(server.url());
  ASSERT_TRUE(waitConnected());
  click("Command44");
  EXPECT_EQ(projector.read(4, kReplyTime), "CR0\r");
  runFor(kReplyWindowClosed);

  ASSERT_TRUE(place.setLink(false));
  click("Command17");
  EXPECT_TRUE(shows("Label22",
                    "COM1 (" + server.url() + "): the connection to " + place.address() + " port " +
                        std::to_string(server.port()) +
                        " was lost (nothing was acknowledged for 8 s: the network or the device "
                        "server is down). Dropped, not confirmed as delivered: C00. The panel "
                        "keeps trying to connect.",
                    milliseconds(15000)))
      << text("Label22");
  ASSERT_TRUE(place.setLink(true));
  ASSERT_TRUE(waitConnected(milliseconds(15000)));
  EXPECT_EQ(projector.drain(milliseconds(1000)).find("C00"), std::string::npos);
}

// A thousand connection attempts through the real service, each looked up
// and refused: the sanitized build's leak check finds anything an attempt
// leaves behind.
TEST(NetworkServiceTest, AThousandRefusedAttemptsAreEachReportedAndLeaveNothingBehind) {
  const PortConfig ports({"socket://localhost:" + std::to_string(freeLoopbackPort()), "", ""}, {});
  TcpSerialService service(ports);
  int reports = 0;
  service.setLostHandler([&](const std::string&) { ++reports; });
  for (int attempt = 0; attempt < 1000; ++attempt) {
    ASSERT_TRUE(service.open());
    ASSERT_TRUE(waitUntil([&] { return service.state() == NetworkLink::State::Lost; },
                          NetworkPanel::kConnectTime));
    service.close();
  }
  EXPECT_EQ(reports, 1000);
}

// A listener whose queue of connections is full takes no more: a connection
// to it waits for an answer that never comes, all on loopback.
class SilentHost {
 public:
  SilentHost() : m_listener(listenOnLoopback(0, port)), m_filler(connectToLoopback(port)) {}
  ~SilentHost() {
    ::close(m_filler);
    ::close(m_listener);
  }
  int port = 0;

 private:
  int m_listener;
  int m_filler;
};

TEST_F(NetworkPortTest, AHostThatDoesNotAnswerLeavesTheWindowWorkingAndIsReportedOnce) {
  SilentHost host;
  const std::string url = "socket://127.0.0.1:" + std::to_string(host.port);
  TempFolder dir;
  const std::string log = dir.filePath("session.log").toStdString();
  QElapsedTimer clock;
  clock.start();
  startPanel(url, log);
  const qint64 startUp = clock.elapsed();

  // A click a second into the wait is handled as soon as it is due: the
  // event loop is free, and the click's own handling does not wait either.
  constexpr qint64 kClickAt = 1000;
  const qint64 scheduled = clock.elapsed();
  qint64 clickLateBy = -1;
  bool frameShown = false;
  QTimer::singleShot(kClickAt, Qt::PreciseTimer, [&] {
    click("Command33");
    frameShown = panel->window().control("Frame8")->isVisible();
    clickLateBy = clock.elapsed() - scheduled - kClickAt;
  });
  qint64 last = clock.elapsed(), worstGap = 0;
  QTimer probe;
  probe.setInterval(10);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    worstGap = std::max(worstGap, clock.elapsed() - last);
    last = clock.elapsed();
  });
  probe.start();
  const std::string reason = "COM1 (" + url + "): no answer from 127.0.0.1 port " +
                             std::to_string(host.port) +
                             " within 3 s. Check that the device server is on. The panel keeps "
                             "trying to connect.";
  EXPECT_TRUE(shows("Label22", reason, milliseconds(4500))) << text("Label22");
  runFor(milliseconds(1000));
  probe.stop();
  std::printf("start-up %lld ms, click handled in %lld ms, longest event-loop gap %lld ms\n",
              static_cast<long long>(startUp), static_cast<long long>(clickLateBy),
              static_cast<long long>(worstGap));
  EXPECT_TRUE(frameShown);
  EXPECT_GE(clickLateBy, 0);
  EXPECT_LT(clickLateBy, 100);
  EXPECT_LT(startUp, 1000) << "start-up does not wait for the connection";
  EXPECT_TRUE(SessionLogProbe::waitUntilWritten(*panel->sessionLog()));
  EXPECT_EQ(countLines(log, " failed: "), 1);
  EXPECT_EQ(text("Label22"), reason);
}

// Inside a network namespace of its own, with no network at all, the
// shipped binary meets an unreachable address and a name that cannot be
// looked up; its session log gives the reasons. Nothing leaves the machine.
TEST(NetworkDiagnosisTest, UnreachableAddressAndFailedLookupAreNamed) {
  QProcess probe;
  probe.start("unshare", {"-n", "true"});
  if (!probe.waitForFinished(5000) || probe.exitCode() != 0) {
    GTEST_SKIP() << "no network namespaces here (unshare -n fails)";
  }
  TempFolder dir;
  const struct {
    const char* url;
    const char* reason;
  } cases[] = {
      {"socket://127.0.0.1:4001",
       "failed: 127.0.0.1 port 4001 cannot be reached (Network unreachable). Check the address "
       "and the network."},
      {"rfc2217://qd40-test-no-such-host.invalid:4001",
       "failed: the host name qd40-test-no-such-host.invalid could not be looked up ("},
  };
  for (const auto& c : cases) {
    const QString log = dir.filePath(QString("log-%1").arg(&c - cases));
    QProcess panelProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QD40_COM1", c.url);
    env.insert("QD40_COM2", "/dev/qd40-test-no-such-device");
    env.insert("QD40_LOG", log);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    panelProcess.setProcessEnvironment(env);
    panelProcess.start("unshare", {"-n", QD40_CONTROL_PATH});
    ASSERT_TRUE(panelProcess.waitForStarted(5000));
    const std::string expected = "COM1 (" + std::string(c.url) + ") " + c.reason;
    EXPECT_TRUE(
        waitUntil([&] { return countLines(log.toStdString(), expected) == 1; }, milliseconds(5000)))
        << c.url;
    endPanel(panelProcess);
  }
}

}  // namespace
}  // namespace qd40::test
