// The panel's window against device servers that misbehave, each scripted
// on loopback: one that hangs up at once, one that turns every client away
// as busy, floods of Telnet requests at a panel whose answers it never
// reads, broken subnegotiations, a Telnet server that never negotiates,
// servers of the other kind than the URL says, one that floods only once the
// connection has settled, and one that comes back while the panel waits to
// try again. The panel writes its session log for each.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>

#include "DeviceServer.h"
#include "NetworkPanel.h"
#include "TempFolder.h"

namespace qd40::test {
namespace {

using std::chrono::milliseconds;

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

const std::string kDoComPort = bytes({255, 253, 44});

// Scripts, one per kind of server.
void hangUp(ScriptedServer&, int, int) {}

void turnAway(ScriptedServer& server, int fd, int) {
  server.send(fd, "Port already in use\r\n");
}

// What the panel wrote that the server never read.
int unread(int fd) {
  int queued = 0;
  ::ioctl(fd, FIONREAD, &queued);
  return queued;
}

// Asks for every option there is, over and over, and never reads; counts
// what the panel answered.
std::atomic<int> g_answered{0};
void floodRequests(ScriptedServer& server, int fd, int) {
  std::string requests;
  for (int option = 0; option < 256; ++option) {
    requests += bytes({255, 253, option, 255, 251, option});
  }
  while (!server.stopping() && server.send(fd, requests)) g_answered = unread(fd);
}

// Turns BINARY on and off as fast as it can, which must be answered each
// time, and never reads the answers.
void flipBinary(ScriptedServer& server, int fd, int) {
  const std::string flip = bytes({255, 253, 0, 255, 254, 0});
  std::string flood;
  for (int i = 0; i < 1000; ++i) flood += flip;
  while (!server.stopping() && server.send(fd, flood)) {
  }
}

// Answers each line with "00" CR behind subnegotiations a careless server
// sends: a 255 left undoubled, and one that never ends before a command.
void answerBehindBrokenSubnegotiations(ScriptedServer& server, int fd, int) {
  server.send(fd, kDoComPort);
  while (!server.stopping()) {
    const std::string got = server.receive(fd, milliseconds(100));
    if (got.find("CR0") == std::string::npos) continue;
    server.send(fd,
                bytes({255, 250, 44, 107, 255, 255, 240, 255, 250, 44, 10, 255, 251, 3}) + "00\r");
  }
}

// Answers each line that ends in "CR0" (behind Telnet, on a first
// connection) with "00" CR, with `before` in front of each answer.
void answerLines(ScriptedServer& server, int fd, const std::string& before) {
  std::string pending;
  while (!server.stopping()) {
    pending += server.receive(fd, milliseconds(50));
    for (std::size_t end; (end = pending.find('\r')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.ends_with("CR0")) continue;
      if (!server.send(fd, before + "00\r")) return;
    }
  }
}

// The answer to a speed setting, begun once and never ended.
void leaveSpeedUnended(ScriptedServer& server, int fd, int) {
  server.send(fd, kDoComPort + bytes({255, 250, 44, 101, 0, 0, 0x4B}));
  answerLines(server, fd, "");
}

// A line-state notification of 400 bytes in front of each answer.
void oversizeNotifications(ScriptedServer& server, int fd, int) {
  server.send(fd, kDoComPort);
  answerLines(server, fd, bytes({255, 250, 44, 106}) + std::string(400, 'x') + bytes({255, 240}));
}

// Reads for a while, past the moment a connection counts as made, then
// flips BINARY and never reads again.
void floodLater(ScriptedServer& server, int fd, int connection) {
  server.receive(fd, milliseconds(400));
  flipBinary(server, fd, connection);
}

// Hangs up on every client for two seconds from the first, then answers.
void comeBackAfterTwoSeconds(ScriptedServer& server, int fd, int connection) {
  static std::chrono::steady_clock::time_point first;
  if (connection == 0) first = std::chrono::steady_clock::now();
  if (std::chrono::steady_clock::now() - first < std::chrono::seconds(2)) return;
  answerLines(server, fd, "");
}

void refuseComPort(ScriptedServer& server, int fd, int) {
  server.send(fd, bytes({255, 254, 44}));
  server.receive(fd, milliseconds(5000));
}

void listenOnly(ScriptedServer& server, int fd, int) {
  server.receive(fd, milliseconds(5000));
}

void negotiate(ScriptedServer& server, int fd, int) {
  server.send(fd, bytes({255, 251, 1}) + kDoComPort);
  server.receive(fd, milliseconds(5000));
}

enum class Act { Wait, Hold, Status, Speed };

struct Hostile {
  const char* name;
  const char* scheme;
  ScriptedServer::Script script;
  int receiveBuffer;
  Act act;  // what the operator does once the window is up
  // The status line then, with "@" for "COM1 (URL): " and "#" for the port;
  // empty for no expectation.
  std::string says;
  std::function<void(class HostileServerTest&)> check = nullptr;
};

void PrintTo(const Hostile& hostile, std::ostream* os) {
  *os << hostile.name;
}

std::string fill(std::string text, const std::string& where, int port) {
  for (std::size_t at; (at = text.find_first_of("@#")) != std::string::npos;) {
    text.replace(at, 1, text[at] == '@' ? where : std::to_string(port));
  }
  return text;
}

class HostileServerTest : public NetworkPanel, public testing::TestWithParam<Hostile> {
 public:
  std::string logText() {
    std::ifstream in(dir.filePath("session.log").toStdString());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  TempFolder dir;
  ScriptedServer* server = nullptr;

 protected:
  void TearDown() override {
    // The release clears the status line, so it waits for the end.
    if (GetParam().act == Act::Hold) QTest::mouseRelease(control("Command7"), Qt::LeftButton);
    panel.reset();
  }
};

TEST_P(HostileServerTest, TheWindowSaysWhatIsWrongOnceAndHoldsNothingBack) {
  const Hostile& h = GetParam();
  ScriptedServer server(h.script, h.receiveBuffer);
  this->server = &server;
  const std::string url = std::string(h.scheme) + "://127.0.0.1:" + std::to_string(server.port());
  startPanel(url, dir.filePath("session.log").toStdString());
  runFor(milliseconds(300));
  if (h.act == Act::Hold) {
    // "↓" at its 5 ms repeat, after a D.Zoom tap.
    click("Command48");
    QTest::mousePress(control("Command7"), Qt::LeftButton);
  }
  if (h.act == Act::Status) click("Command44");
  if (h.act == Act::Speed) {
    click("Command33");
    click("Option10");
  }
  runFor(milliseconds(h.act == Act::Hold ? 1500 : 300));
  if (h.check) h.check(*this);
  if (!h.says.empty()) {
    const std::string expected = fill(h.says, "COM1 (" + url + "): ", server.port());
    EXPECT_TRUE(shows("Label22", expected, milliseconds(4000))) << text("Label22");
  }
  EXPECT_LE(server.connections(), 6) << "connections are retried with pauses, not per press";
}

const std::string kKeepsTrying = " The panel keeps trying to connect.";
const std::string kNoSpeed = "@the device server does not take speed changes (";
const std::string kStuck =
    "@127.0.0.1 port # takes nothing in: over 32 KiB waited to be sent, so the connection was "
    "closed as stuck." +
    kKeepsTrying;

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    testing::Values(
        Hostile{"HangsUpAtOnce", "socket", hangUp, 0, Act::Hold,
                "@the connection to 127.0.0.1 port # was lost (the device server closed it)." +
                    kKeepsTrying},
        // The hold tries once a second; the attempt its press made names it.
        Hostile{"TurnsEveryClientAwayAsBusy", "rfc2217", turnAway, 0, Act::Hold,
                "@the device server says the port is in use by another client; it frees it when "
                "that connection times out or the server restarts. Dropped, not delivered: C3D." +
                    kKeepsTrying,
                [](HostileServerTest& t) {
                  EXPECT_EQ(t.panel->form().state().rxBuffer.chars().size(), 0u)
                      << "the banner is no reply";
                }},
        Hostile{"FloodsRequestsAndNeverReads", "rfc2217", floodRequests, 0, Act::Wait, "",
                [](HostileServerTest& t) {
                  runFor(milliseconds(2000));
                  EXPECT_LT(g_answered, 4096) << "each request is answered once at most";
                  EXPECT_TRUE(t.panel->network().connected());
                }},
        Hostile{"FlipsBinaryAndNeverReads", "rfc2217", flipBinary, 4096, Act::Wait, kStuck},
        Hostile{"FloodsOnceTheConnectionHasSettled", "rfc2217", floodLater, 4096, Act::Wait, kStuck,
                [](HostileServerTest& t) {
                  // Tried after 0.25, 0.5, 1 and 2 s, not every half second.
                  runFor(milliseconds(4400));
                  EXPECT_LE(t.server->connections(), 5);
                }},
        Hostile{"LeavesTheSpeedAnswerUnended", "rfc2217", leaveSpeedUnended, 0, Act::Status, "",
                [](HostileServerTest& t) {
                  // The first reply may suffer; the next is read.
                  runFor(milliseconds(1000));
                  t.click("Command44");
                  EXPECT_TRUE(t.shows("Label22", " Power ON")) << t.text("Label22");
                  EXPECT_NE(t.logText().find(
                                "notice: the device server did not end a Telnet subnegotiation "
                                "where it should; IAC SB 44 101 0 0 75"),
                            std::string::npos)
                      << t.logText();
                }},
        Hostile{"SendsOversizedNotifications", "rfc2217", oversizeNotifications, 0, Act::Status,
                " Power ON",
                [](HostileServerTest& t) { EXPECT_TRUE(t.shows("Label12", " 0 0 CR ")); }},
        Hostile{"ComesBackWhileThePanelWaitsToTryAgain", "socket", comeBackAfterTwoSeconds, 0,
                Act::Wait, "",
                [](HostileServerTest& t) {
                  // Tried at 0, 0.25, 0.75 and 1.75 s; next at 3.75 s.
                  runFor(milliseconds(1700));
                  t.click("Command44");
                  EXPECT_TRUE(t.shows("Label22", " Power ON")) << t.text("Label22");
                }},
        Hostile{"BreaksSubnegotiations", "rfc2217", answerBehindBrokenSubnegotiations, 0,
                Act::Status, " Power ON",
                [](HostileServerTest& t) { EXPECT_TRUE(t.shows("Label12", " 0 0 CR ")); }},
        Hostile{"RefusesComPortOption", "rfc2217", refuseComPort, 0, Act::Speed,
                kNoSpeed + "it refused the COM-PORT-OPTION); set the speed on the server."},
        Hostile{"IsRawWhereTelnetWasAskedFor", "rfc2217", listenOnly, 0, Act::Wait,
                "@no Telnet negotiation: is this a raw port? use socket://127.0.0.1:# instead."},
        Hostile{"SpeaksTelnetWhereRawWasAskedFor", "socket", negotiate, 0, Act::Wait,
                "@the device server sends Telnet negotiation (IAC bytes, shown as ? in RXD): is "
                "this an RFC 2217 port? use rfc2217://127.0.0.1:# instead."},
        Hostile{"IsRawAndTheSpeedChanges", "socket", listenOnly, 0, Act::Speed,
                kNoSpeed + "a socket:// port carries only the line's bytes); set the speed on the "
                           "server.",
                [](HostileServerTest& t) {
                  EXPECT_NE(t.logText().find(" notice: the device server does not take speed "
                                             "changes"),
                            std::string::npos)
                      << t.logText();
                  EXPECT_EQ(t.logText().find(" lost: "), std::string::npos);
                }}),
    [](const testing::TestParamInfo<Hostile>& info) { return info.param.name; });

}  // namespace
}  // namespace qd40::test
