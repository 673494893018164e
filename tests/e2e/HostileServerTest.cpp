// The panel's window against device servers that misbehave, each scripted
// on loopback: one that hangs up at once, one that turns every client away
// as busy, floods of Telnet requests at a panel whose answers it never
// reads, broken subnegotiations, a Telnet server that never negotiates, and
// servers of the other kind than the URL says.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <functional>

#include "DeviceServer.h"
#include "NetworkPanel.h"

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
  const std::string url = std::string(h.scheme) + "://127.0.0.1:" + std::to_string(server.port());
  startPanel(url);
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

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    testing::Values(
        Hostile{"HangsUpAtOnce", "socket", hangUp, 0, Act::Hold,
                "@the connection to 127.0.0.1 port # was lost (the device server closed it)." +
                    kKeepsTrying},
        Hostile{"TurnsEveryClientAwayAsBusy", "rfc2217", turnAway, 0, Act::Hold,
                "@the device server says the port is in use by another client; it frees it when "
                "that connection times out or the server restarts." +
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
        Hostile{"FlipsBinaryAndNeverReads", "rfc2217", flipBinary, 4096, Act::Wait,
                "@127.0.0.1 port # takes nothing in: over 32 KiB waited to be sent, so the "
                "connection was closed as stuck." +
                    kKeepsTrying},
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
                           "server."}),
    [](const testing::TestParamInfo<Hostile>& info) { return info.param.name; });

}  // namespace
}  // namespace qd40::test
