// Network port names, their messages, line settings, and the routing of the
// serial seam between a device and a network service.
#include <gtest/gtest.h>

#include "FormHarness.h"
#include "VirtualPlatform.h"
#include "line/LineSettings.h"
#include "line/SerialRouter.h"
#include "wording/NetworkMessages.h"

namespace qd40 {
namespace {

struct AddressCase {
  const char* name;
  const char* text;
  bool valid;
  NetworkProtocol protocol;
  const char* host;
  int port;
};

TEST(NetworkPortTest, ReadsSocketAndRfc2217Names) {
  const AddressCase cases[] = {
      {"raw", "socket://127.0.0.1:4001", true, NetworkProtocol::Raw, "127.0.0.1", 4001},
      {"telnet", "rfc2217://ts-hall3:7001", true, NetworkProtocol::Rfc2217, "ts-hall3", 7001},
      {"ipv6", "socket://[::1]:65535", true, NetworkProtocol::Raw, "::1", 65535},
      {"trailing slash", "rfc2217://host:1/", true, NetworkProtocol::Rfc2217, "host", 1},
      {"no port", "socket://host", false, {}, "", 0},
      {"empty port", "socket://host:", false, {}, "", 0},
      {"port zero", "socket://host:0", false, {}, "", 0},
      {"port too big", "socket://host:65536", false, {}, "", 0},
      {"port with text", "socket://host:40x", false, {}, "", 0},
      {"no host", "rfc2217://:4001", false, {}, "", 0},
      {"bare ipv6", "socket://::1:4001", false, {}, "", 0},
      {"path after port", "socket://host:4001/x", false, {}, "", 0},
      {"user part", "socket://me@host:4001", false, {}, "", 0},
      {"device", "/dev/ttyUSB0", false, {}, "", 0},
      {"other scheme", "telnet://host:23", false, {}, "", 0},
      {"scheme in capitals", "SOCKET://host:1", true, NetworkProtocol::Raw, "host", 1},
      {"scheme in mixed case", "Rfc2217://host:2", true, NetworkProtocol::Rfc2217, "host", 2},
  };
  for (const AddressCase& c : cases) {
    const auto address = parseNetworkAddress(c.text);
    ASSERT_EQ(address.has_value(), c.valid) << c.name;
    if (!address) continue;
    EXPECT_EQ(address->protocol, c.protocol) << c.name;
    EXPECT_EQ(address->host, c.host) << c.name;
    EXPECT_EQ(address->port, c.port) << c.name;
  }
  EXPECT_TRUE(isNetworkName("socket://x"));
  EXPECT_TRUE(isNetworkName("rfc2217://"));
  EXPECT_TRUE(isNetworkName("ftp://x")) << "so that it is named as a scheme, not as a device";
  EXPECT_FALSE(isNetworkName("/dev/socket://x"));
}

TEST(NetworkPortTest, MessagesNameThePortTheHostAndTheCause) {
  const PortIdentity port{2, "socket://10.0.0.9:4001", "QD40_COM2"};
  const NetworkAddress address{NetworkProtocol::Raw, "10.0.0.9", 4001};
  const std::pair<ConnectFailure, std::string> cases[] = {
      {ConnectFailure::UnknownHost,
       "COM2 (socket://10.0.0.9:4001): unknown host 10.0.0.9. Check the name in QD40_COM2."},
      {ConnectFailure::LookupFailed,
       "COM2 (socket://10.0.0.9:4001): the host name 10.0.0.9 could not be looked up (DETAIL)."},
      {ConnectFailure::Refused,
       "COM2 (socket://10.0.0.9:4001): 10.0.0.9 refused the connection on port 4001: nothing "
       "listens there. Check that the device server runs and serves this port."},
      {ConnectFailure::Unreachable,
       "COM2 (socket://10.0.0.9:4001): 10.0.0.9 port 4001 cannot be reached (DETAIL). Check the "
       "address and the network."},
      {ConnectFailure::TimedOut,
       "COM2 (socket://10.0.0.9:4001): no answer from 10.0.0.9 port 4001 within 3 s. Check that "
       "the device server is on."},
      {ConnectFailure::Other,
       "COM2 (socket://10.0.0.9:4001): cannot connect to 10.0.0.9 port 4001 (DETAIL)."},
  };
  for (const auto& [failure, text] : cases) {
    EXPECT_EQ(describeConnectFailure(port, address, failure, "DETAIL"), text);
  }
  EXPECT_EQ(describeStillConnecting(port, address),
            "COM2 (socket://10.0.0.9:4001): still connecting to 10.0.0.9 port 4001; the line was "
            "not sent.");
  EXPECT_EQ(describeBadAddress({1, "socket://nowhere", "QD40_COM1"}),
            "COM1 (socket://nowhere): not a device server address. Set QD40_COM1 to "
            "socket://HOST:PORT or rfc2217://HOST:PORT, for example "
            "QD40_COM1=rfc2217://192.0.2.10:4001, or to a serial device.");
  EXPECT_EQ(describeBadAddress({2, "ftp://host:21", "--com2"}),
            "COM2 (ftp://host:21): ftp:// is not a kind of port the panel knows; it knows "
            "socket://HOST:PORT (the line's bytes as they are) and rfc2217://HOST:PORT (Telnet "
            "with the COM-PORT-OPTION). Set --com2 to one of them, or to a serial device.");
}

TEST(LineSettingsTest, ReadsThePanelsSettingsAndRefusesTheRest) {
  const auto fast = parseLineSettings("19200,N,8,1");
  ASSERT_TRUE(fast);
  EXPECT_EQ(fast->baud, 19200);
  EXPECT_EQ(fast->parity, Parity::None);
  const auto other = parseLineSettings("9600,E,7,2");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->parity, Parity::Even);
  EXPECT_EQ(other->dataBits, 7);
  EXPECT_EQ(other->stopBits, 2);
  for (const char* bad : {"", "9600", "9600,N,8", "9600,N,8,1,", "0,N,8,1", "9600,X,8,1",
                          "9600,N,9,1", "9600,N,8,3", "96OO,N,8,1"}) {
    EXPECT_FALSE(parseLineSettings(bad)) << bad;
  }
}

TEST(SerialRouterTest, EachPortNumberGoesToTheServiceOfItsName) {
  test::VirtualClock clock;
  test::FakeSerial device(clock), network(clock);
  // COM1 is a device, COM2 a device server.
  SerialRouter router(device, network, [](int number) { return number == 2; });
  std::vector<std::string> lost;
  router.setLostHandler([&](const std::string& why) { lost.push_back(why); });

  ASSERT_TRUE(router.open());
  EXPECT_TRUE(device.isOpen());
  EXPECT_FALSE(router.setCommPort(2)) << "not while open";
  router.close();
  ASSERT_TRUE(router.setCommPort(2));
  ASSERT_TRUE(router.setSettings("9600,N,8,1"));
  ASSERT_TRUE(router.open());
  EXPECT_TRUE(network.isOpen());
  EXPECT_FALSE(device.isOpen());
  EXPECT_EQ(device.settings(), "9600,N,8,1") << "the idle service keeps step";
  ASSERT_TRUE(router.output("C00\r"));
  ASSERT_EQ(network.writes().size(), 1u);
  EXPECT_TRUE(device.writes().empty());
  network.lose("gone");
  EXPECT_EQ(lost, std::vector<std::string>{"gone"});
  EXPECT_FALSE(router.isOpen());
}

}  // namespace
}  // namespace qd40
