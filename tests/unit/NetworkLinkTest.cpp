// The life of a network port on the virtual clock: connecting, waiting
// lines, retries, what is reported and when, and what is never sent late.
#include <gtest/gtest.h>

#include "VirtualPlatform.h"
#include "serial/NetworkLink.h"
#include "serial/PortConfig.h"

namespace qd40 {
namespace {

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
  NetworkLink link{
      ports, socket,
      LinkTimers{clock.makeTimer(0), clock.makeTimer(0), clock.makeTimer(0), clock.makeTimer(0)}};
  std::vector<std::string> told;
  std::string received;
  int connections = 0;
};

TEST_F(NetworkLinkTest, ARefusedPortIsTriedAgainWithGrowingPausesAndReportedOnce) {
  use("socket://127.0.0.1:4001");
  ASSERT_TRUE(link.open());
  // A 5 ms hold for 20 s: every press fails at once and starts nothing;
  // every attempt is refused.
  std::size_t refused = 0;
  for (int tick = 0; tick < 4000; ++tick) {
    for (; refused < socket.attempts.size(); ++refused) {
      link.socketFailed(ConnectFailure::Refused, "");
    }
    EXPECT_FALSE(link.open());
    clock.advance(5);
  }
  EXPECT_EQ(socket.attempts,
            (std::vector<std::int64_t>{0, 250, 750, 1750, 3750, 7750, 12750, 17750}));
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

}  // namespace
}  // namespace qd40
