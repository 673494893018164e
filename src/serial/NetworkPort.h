#pragma once
// Ports that stand for a serial device server on the network rather than a
// device: socket://HOST:PORT (a raw byte stream) and rfc2217://HOST:PORT
// (Telnet with the COM-PORT-OPTION). This reads such names and words what
// goes wrong with them; it opens no connection.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/PortMessages.h"

namespace qd40 {

enum class NetworkProtocol { Raw, Rfc2217 };

struct NetworkAddress {
  NetworkProtocol protocol = NetworkProtocol::Raw;
  std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets
  std::uint16_t port = 0;
};

// Whether a port name is a URL (SCHEME://...) rather than a device path;
// says nothing yet about whether the scheme is one the panel knows or the
// rest is well formed, so that a wrong one is named as such.
bool isNetworkName(std::string_view name);

// Nothing unless the name is socket:// or rfc2217:// (in any case) with a
// host and a port from 1 to 65535; an IPv6 host is written in brackets, as
// in URLs.
std::optional<NetworkAddress> parseNetworkAddress(std::string_view name);
// The address as a URL of the given kind.
std::string urlOf(NetworkProtocol protocol, const NetworkAddress& address);

// Connecting, the name lookup included, gives up after this long.
constexpr std::chrono::seconds kConnectTimeout{3};
// A line sent while the connection is being made waits this long for it.
constexpr std::chrono::seconds kSendWait{1};
// Bytes written and not taken in by the far end beyond which a connection
// counts as stuck.
constexpr std::size_t kStuckBytes = 32 * 1024;
// TCP alone notices a dead link after about fifteen minutes, and never on an
// idle connection. Data left unacknowledged this long fails the connection,
// and an idle one is probed after kKeepIdle, every kKeepInterval.
constexpr std::chrono::seconds kUnacknowledgedLimit{8};
constexpr std::chrono::seconds kKeepIdle{4};
constexpr std::chrono::seconds kKeepInterval{2};
constexpr int kKeepCount = 3;

// Why a connection could not be made or did not last. TimedOut on a
// standing connection is the kernel's verdict that nothing was acknowledged
// in time; Closed is the far end closing or resetting it.
enum class ConnectFailure {
  UnknownHost,
  LookupFailed,
  Refused,
  Unreachable,
  TimedOut,
  Closed,
  Other
};

// "COM1 (socket://...)": how the port is named in every message about it.
std::string portLabel(const PortIdentity& port);

std::string describeBadAddress(const PortIdentity& port);
std::string describeConnectFailure(const PortIdentity& port, const NetworkAddress& address,
                                   ConnectFailure failure, const std::string& detail);
std::string describeStillConnecting(const PortIdentity& port, const NetworkAddress& address);
std::string describeConnectionLost(const PortIdentity& port, const NetworkAddress& address,
                                   const std::string& detail);
// A failure to connect, said while the panel goes on trying.
std::string describeRetrying(const PortIdentity& port, const std::string& failure);
std::string describeSendWaitOver(const PortIdentity& port, const NetworkAddress& address);
std::string describeStuck(const PortIdentity& port, const NetworkAddress& address);
std::string describeInUse(const PortIdentity& port);
std::string describeNoNegotiation(const PortIdentity& port, const NetworkAddress& address);
std::string describeTelnetOnRawPort(const PortIdentity& port, const NetworkAddress& address);
std::string describeNoSpeedChange(const PortIdentity& port, const NetworkAddress& address);
// A Telnet subnegotiation that ran past its length or did not end in time:
// `dropped` is what was kept of it after IAC SB, `count` its bytes in all.
std::string describeBrokenSubnegotiation(const PortIdentity& port, std::string_view dropped,
                                         std::size_t count);
// A line as the operator knows it: "C00" for "C00\r".
std::string lineName(std::string_view bytes);
// Lines named in a report: "C00, CR0", or the first few and how many more.
std::string joinNames(const std::vector<std::string>& names);
// What became of lines a failure dropped: never sent, or thrown away by the
// server; or written and never acknowledged, which TCP cannot tell from
// delivered with its acknowledgement lost.
enum class Delivery { NotSent, Unacknowledged };
// `failure` with the lines that were dropped ("C00, CR0") named.
std::string describeDropped(const std::string& failure, const std::string& lines,
                            Delivery delivery);

}  // namespace qd40
