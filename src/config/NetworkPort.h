#pragma once
// Ports that stand for a serial device server on the network rather than a
// device: socket://HOST:PORT (a raw byte stream) and rfc2217://HOST:PORT
// (Telnet with the COM-PORT-OPTION). This reads such names and holds the limits
// the network line keeps to; it opens no connection.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// Whether the name's scheme is socket or rfc2217, in any case.
bool isKnownNetworkScheme(std::string_view name);
// The scheme of a URL ("ftp" of "ftp://host"), empty when the name is none.
std::string_view schemeOf(std::string_view name);

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

// What became of lines a failure dropped: never sent, or thrown away by the
// server; or written and never acknowledged, which TCP cannot tell from
// delivered with its acknowledgement lost.
enum class Delivery { NotSent, Unacknowledged };

}  // namespace qd40
