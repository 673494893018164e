// The life of a network port on the virtual clock: connecting, waiting
// lines, retries, what is reported and when, and what is never sent late.
#include <gtest/gtest.h>

#include "VirtualPlatform.h"
#include "config/PortConfig.h"
#include "net/NetworkLink.h"

namespace qd40 {
namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

// WILL BINARY, WILL SUPPRESS-GO-AHEAD, WILL COM-PORT-OPTION, DO BINARY, DO
// SUPPRESS-GO-AHEAD.
const std::string kOffers =
    bytes({255, 251, 0, 255, 251, 3, 255, 251, 44, 255, 253, 0, 255, 253, 3});

class FakeSocket final : public LinkSocket {
 public:
  explicit FakeSocket(const test::VirtualClock& clock) : m_clock(clock) {}
  void connectTo(const NetworkAddress&) override { attempts.push_back(m_clock.now()); }
  bool lookingUp() const override { return false; }
  void write(std::string_view bytes) override { written += bytes; }
  std::size_t unacknowledged() override { return waiting; }
  void end(Ending ending) override { ends.push_back(ending); }

  std::vector<std::int64_t> attempts;
  std::string written;
  std::size_t waiting = 0;
  std::vector<Ending> ends;

 private:
  const test::VirtualClock& m_clock;
};

class NetworkLinkTest : public testing::Test {
 protected:
  void use(const std::string& url) {
    ports = PortConfig({url, "", ""}, {});
    link.setLostHandler([this](const std::string& text) { told.push_back(text); });
    link.setNoticeHandler([this](const std::string& text) { told.push_back(text); });
    link.setConnectedHandler([this] { ++connections; });
    link.setCommHandler([this] { received += link.input(); });
  }
  // Connects the attempt under way and lets it settle.
  void stand() {
    link.socketConnected();
    clock.advance(250);
  }

  test::VirtualClock clock;
  FakeSocket socket{clock};
  PortConfig ports;
  NetworkLink link{ports, socket,
                   LinkTimers{clock.makeTimer(0), clock.makeTimer(0), clock.makeTimer(0),
                              clock.makeTimer(0), clock.makeTimer(0)}};
  std::vector<std::string> told;
  std::string received;
  int connections = 0;
};

TEST_F(NetworkLinkTest, ARefusedPortIsTriedAgainWithGrowingPausesAndReportedOnce) {
  use("socket://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  // Every attempt is refused. From 8 s on, a 5 ms hold: a press tries at
  // once, but once a second at most; the rest fail at once.
  std::size_t refused = 0;
  int tries = 0;
  for (int tick = 0; tick < 4000; ++tick) {
    for (; refused < socket.attempts.size(); ++refused) {
      link.socketFailed(ConnectFailure::Refused, "");
    }
    if (clock.now() >= 8000 && link.open()) ++tries;
    clock.advance(5);
  }
  EXPECT_EQ(tries, 12);
  EXPECT_EQ(socket.attempts,
            (std::vector<std::int64_t>{0, 250, 750, 1750, 3750, 7750, 8000, 9000, 10000, 11000,
                                       12000, 13000, 14000, 15000, 16000, 17000, 18000, 19000}));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0],
            "COM1 (socket://127.0.0.1:4001): 127.0.0.1 refused the connection on port 4001: "
            "nothing listens there. Check that the device server runs and serves this port. The "
            "panel keeps trying to connect.");
  clock.advance(5000);
  stand();
  EXPECT_EQ(connections, 1);
  EXPECT_TRUE(link.isOpen());
}

TEST_F(NetworkLinkTest, ALineSentWhileConnectingGoesOutOnConnectOrIsDroppedAfterASecond) {
  use("socket://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  EXPECT_TRUE(link.output("C00\r"));
  clock.advance(999);
  link.socketConnected();
  EXPECT_EQ(socket.written, "C00\r");

  link.close();
  ASSERT_TRUE(link.open());
  EXPECT_TRUE(link.output("CR0\r"));
  clock.advance(1000);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0],
            "COM1 (socket://127.0.0.1:4001): still connecting to 127.0.0.1 port 4001 after 1 s. "
            "Dropped, not delivered: CR0.");
  EXPECT_FALSE(link.output("C01\r")) << "fails once the wait is over, and is not held";
  link.socketConnected();
  EXPECT_EQ(socket.written, "C00\r");
}

TEST_F(NetworkLinkTest, WhatADeadLinkLeftUnacknowledgedIsNamedAndNeverSentLater) {
  use("rfc2217://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  stand();
  link.socketReceived("\xFF\xFD,");  // DO COM-PORT-OPTION: the server negotiates
  link.output("CR0\r");
  socket.waiting = 0;
  clock.advance(250);
  for (const char* line : {"CR0\r", "C00\r", "C05\r"}) link.output(line);
  socket.waiting = 12;
  clock.advance(8000);
  link.socketFailed(ConnectFailure::TimedOut, "Connection timed out");
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0],
            "COM1 (rfc2217://127.0.0.1:4001): the connection to 127.0.0.1 port 4001 was lost "
            "(nothing was acknowledged for 8 s: the network or the device server is down). "
            "Dropped, not confirmed as delivered: CR0, C00, C05. The panel keeps trying to "
            "connect.");
  EXPECT_EQ(socket.ends.back(), LinkSocket::Ending::Discard);
  socket.written.clear();
  socket.waiting = 0;
  clock.advance(250);
  stand();
  EXPECT_EQ(socket.written.find("C00"), std::string::npos);
}

// The loopback table of hostile servers shows the in-use banner, the
// refused COM-PORT-OPTION and the other notices on the real window; these
// are what it cannot see.
TEST_F(NetworkLinkTest, WhatOnlyStartsLikeAnInUseBannerIsLineData) {
  use("socket://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  link.socketConnected();
  link.socketReceived("Po");
  EXPECT_EQ(received, "");
  link.socketReceived("wer\r");
  EXPECT_EQ(received, "Power\r");
}

TEST_F(NetworkLinkTest, ARawPortIsToldOnceAndNotNegotiatedWithAgain) {
  use("rfc2217://127.0.0.1:4001");
  for (int connection = 0; connection < 2; ++connection) {
    socket.written.clear();
    ASSERT_TRUE(link.open());
    link.socketConnected();
    clock.advance(1000);
    link.close();
  }
  EXPECT_EQ(socket.written, "") << "no negotiation the second time";
  use("socket://127.0.0.1:4001");
  for (int connection = 0; connection < 2; ++connection) {
    ASSERT_TRUE(link.open());
    link.setSettings(connection == 0 ? "9600,N,8,1" : "19200,N,8,1");
    link.close();
  }
  EXPECT_EQ(told, (std::vector<std::string>{
                      "COM1 (rfc2217://127.0.0.1:4001): no Telnet negotiation: is this a raw "
                      "port? use socket://127.0.0.1:4001 instead.",
                      "COM1 (socket://127.0.0.1:4001): the device server does not take speed "
                      "changes (a socket:// port carries only the line's bytes); set the speed "
                      "on the server."}));
}

TEST_F(NetworkLinkTest, AnUnendedSubnegotiationIsGivenUpWithinHalfASecondAndNamed) {
  use("rfc2217://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  stand();
  // DO COM-PORT-OPTION, then the answer to the speed, three bytes of four.
  link.socketReceived(bytes({255, 253, 44, 255, 250, 44, 101, 0, 0, 0x4B}));
  clock.advance(500);
  link.socketReceived("00\r");
  EXPECT_EQ(received, "00\r");
  EXPECT_EQ(told, (std::vector<std::string>{
                      "COM1 (rfc2217://127.0.0.1:4001): the device server did not end a Telnet "
                      "subnegotiation where it should; IAC SB 44 101 0 0 75 was dropped as no "
                      "line data."}));
}

TEST_F(NetworkLinkTest, TheFirstLinesWaitForTheNegotiationAndReachARawPortOnALineOfTheirOwn) {
  use("rfc2217://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  EXPECT_TRUE(link.output("C00\r"));
  link.socketConnected();
  EXPECT_TRUE(link.output("CR0\r"));
  clock.advance(999);
  EXPECT_EQ(socket.written, kOffers);
  clock.advance(1);
  EXPECT_EQ(socket.written, kOffers + "\rC00\rCR0\r");
  EXPECT_EQ(told, (std::vector<std::string>{
                      "COM1 (rfc2217://127.0.0.1:4001): no Telnet negotiation: is this a raw "
                      "port? use socket://127.0.0.1:4001 instead."}));

  // A server that negotiates lets them go with its first command, after the
  // answers and the line settings.
  link.close();
  use("rfc2217://127.0.0.1:4002");
  ASSERT_TRUE(link.open());
  link.socketConnected();
  EXPECT_TRUE(link.output("C00\r"));
  socket.written.clear();
  link.socketReceived(bytes({255, 251, 3}));
  EXPECT_EQ(socket.written, "C00\r");
}

TEST_F(NetworkLinkTest, AServerThatAcceptsAndSoonFailsIsTriedWithGrowingPausesAndToldOnce) {
  use("socket://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  // Each connection settles, then the server hangs up 0.4 s after accepting.
  for (std::size_t connection = 1; connection <= 5; ++connection) {
    while (socket.attempts.size() < connection) clock.advance(10);
    link.socketConnected();
    clock.advance(400);
    if (connection < 5) link.socketFailed(ConnectFailure::Closed, "");
  }
  EXPECT_EQ(socket.attempts, (std::vector<std::int64_t>{0, 650, 1550, 2950, 5350}));
  EXPECT_EQ(connections, 1) << "a connection that fails soon is not said to stand";
  EXPECT_EQ(told.size(), 1u);
  // One that stands five seconds is healthy: the pauses start again.
  clock.advance(4600);
  EXPECT_EQ(connections, 2);
  link.socketFailed(ConnectFailure::Closed, "");
  clock.advance(250);
  EXPECT_EQ(socket.attempts.back(), clock.now());
  EXPECT_EQ(told.size(), 2u);
}

TEST_F(NetworkLinkTest, APressWhileBackingOffTriesAtOnceOnceASecondAndIsNeverSentLater) {
  use("socket://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  std::size_t refused = 0;
  while (clock.now() < 8000) {
    for (; refused < socket.attempts.size(); ++refused) {
      link.socketFailed(ConnectFailure::Refused, "");
    }
    clock.advance(10);
  }
  ASSERT_TRUE(link.open());
  EXPECT_TRUE(link.output("C0A\r"));
  link.socketFailed(ConnectFailure::Refused, "");
  clock.advance(500);
  EXPECT_FALSE(link.open()) << "one attempt a second";
  clock.advance(500);
  ASSERT_TRUE(link.open());
  EXPECT_TRUE(link.output("C00\r"));
  link.socketConnected();
  EXPECT_EQ(socket.attempts,
            (std::vector<std::int64_t>{0, 250, 750, 1750, 3750, 7750, 8000, 9000}));
  EXPECT_EQ(socket.written, "C00\r");
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[1],
            "COM1 (socket://127.0.0.1:4001): 127.0.0.1 refused the connection on port 4001: "
            "nothing listens there. Check that the device server runs and serves this port. "
            "Dropped, not delivered: C0A. The panel keeps trying to connect.");
}

}  // namespace
}  // namespace qd40
