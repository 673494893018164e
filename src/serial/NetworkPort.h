#pragma once
// Ports that stand for a serial device server on the network rather than a
// device: socket://HOST:PORT (a raw byte stream) and rfc2217://HOST:PORT
// (Telnet with the COM-PORT-OPTION). This reads such names and words what
// goes wrong with them; it opens no connection.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "serial/PortDiagnostics.h"

namespace qd40 {

enum class NetworkProtocol { Raw, Rfc2217 };

struct NetworkAddress {
  NetworkProtocol protocol = NetworkProtocol::Raw;
  std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets
  std::uint16_t port = 0;
};

// Whether a port name is a network URL (socket:// or rfc2217://) rather than
// a device path; says nothing yet about whether the rest is well formed.
bool isNetworkName(std::string_view name);

// Nothing unless the name is socket:// or rfc2217:// with a host and a port
// from 1 to 65535; an IPv6 host is written in brackets, as in URLs.
std::optional<NetworkAddress> parseNetworkAddress(std::string_view name);

// Connecting, the name lookup included, gives up after this long.
constexpr std::chrono::seconds kConnectTimeout{3};

enum class ConnectFailure { UnknownHost, LookupFailed, Refused, Unreachable, TimedOut, Other };

// "COM1 (socket://...)": how the port is named in every message about it.
std::string portLabel(const PortIdentity& port);

std::string describeBadAddress(const PortIdentity& port);
std::string describeConnectFailure(const PortIdentity& port, const NetworkAddress& address,
                                   ConnectFailure failure, const std::string& detail);
std::string describeStillConnecting(const PortIdentity& port, const NetworkAddress& address);
std::string describeConnectionLost(const PortIdentity& port, const NetworkAddress& address,
                                   const std::string& detail);

}  // namespace qd40
