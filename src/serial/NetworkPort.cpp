// Reads socket:// and rfc2217:// port names and words their failures.
#include "serial/NetworkPort.h"

#include <charconv>

namespace qd40 {

namespace {

constexpr std::string_view kRawScheme = "socket://";
constexpr std::string_view kRfc2217Scheme = "rfc2217://";
std::string hostAndPort(const NetworkAddress& address) {
  return address.host + " port " + std::to_string(address.port);
}

}  // namespace

bool isNetworkName(std::string_view name) {
  return name.starts_with(kRawScheme) || name.starts_with(kRfc2217Scheme);
}

std::optional<NetworkAddress> parseNetworkAddress(std::string_view name) {
  NetworkAddress address;
  if (name.starts_with(kRawScheme)) {
    name.remove_prefix(kRawScheme.size());
  } else if (name.starts_with(kRfc2217Scheme)) {
    address.protocol = NetworkProtocol::Rfc2217;
    name.remove_prefix(kRfc2217Scheme.size());
  } else {
    return std::nullopt;
  }
  // A trailing slash is what a pasted URL often has; nothing else may follow.
  if (name.ends_with('/')) name.remove_suffix(1);
  std::string_view host;
  std::string_view port;
  if (name.starts_with('[')) {
    const std::size_t close = name.find(']');
    if (close == std::string_view::npos || name.substr(close + 1, 1) != ":") return std::nullopt;
    host = name.substr(1, close - 1);
    port = name.substr(close + 2);
  } else {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = name.substr(0, colon);
    port = name.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) return std::nullopt;
  }
  if (host.empty() || host.find_first_of("/?#@ ") != std::string_view::npos) return std::nullopt;
  unsigned number = 0;
  const char* end = port.data() + port.size();
  const auto [ptr, ec] = std::from_chars(port.data(), end, number);
  if (port.empty() || ec != std::errc() || ptr != end || number == 0 || number > 65535) {
    return std::nullopt;
  }
  address.host = host;
  address.port = static_cast<std::uint16_t>(number);
  return address;
}

std::string portLabel(const PortIdentity& port) {
  return "COM" + std::to_string(port.number) + " (" + port.device + ")";
}

std::string describeBadAddress(const PortIdentity& port) {
  return portLabel(port) + ": not a device server address. " +
         otherDeviceAdvice(port, "Set " + port.variable +
                                     " to socket://HOST:PORT or rfc2217://HOST:PORT, for example " +
                                     port.variable +
                                     "=rfc2217://192.0.2.10:4001, or to a serial "
                                     "device.");
}

std::string describeConnectFailure(const PortIdentity& port, const NetworkAddress& address,
                                   ConnectFailure failure, const std::string& detail) {
  const std::string where = portLabel(port) + ": ";
  switch (failure) {
    case ConnectFailure::UnknownHost:
      return where + "unknown host " + address.host + ". " +
             otherDeviceAdvice(port, "Check the name in " + port.variable + ".");
    case ConnectFailure::LookupFailed:
      return where + "the host name " + address.host + " could not be looked up (" + detail + ").";
    case ConnectFailure::Refused:
      return where + address.host + " refused the connection on port " +
             std::to_string(address.port) +
             ": nothing listens there. Check that the device server runs and serves this port.";
    case ConnectFailure::Unreachable:
      return where + hostAndPort(address) + " cannot be reached (" + detail +
             "). Check the address and the network.";
    case ConnectFailure::TimedOut:
      return where + "no answer from " + hostAndPort(address) + " within " +
             std::to_string(kConnectTimeout.count()) + " s. Check that the device server is on.";
    case ConnectFailure::Other:
      break;
  }
  return where + "cannot connect to " + hostAndPort(address) + " (" + detail + ").";
}

std::string describeStillConnecting(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": still connecting to " + hostAndPort(address) +
         "; the line was not sent.";
}

std::string describeConnectionLost(const PortIdentity& port, const NetworkAddress& address,
                                   const std::string& detail) {
  return portLabel(port) + ": the connection to " + hostAndPort(address) + " was lost (" + detail +
         "). The next command connects again.";
}

}  // namespace qd40
