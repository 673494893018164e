// Reads socket:// and rfc2217:// port names and words their failures.
#include "serial/NetworkPort.h"

#include <charconv>

namespace qd40 {

namespace {

constexpr std::string_view kRawScheme = "socket";
constexpr std::string_view kRfc2217Scheme = "rfc2217";
constexpr std::string_view kSchemeEnd = "://";

std::string hostAndPort(const NetworkAddress& address) {
  return address.host + " port " + std::to_string(address.port);
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The scheme of a URL ("ftp" of "ftp://host"), as RFC 3986 spells one: a
// letter, then letters, digits, "+", "-" or "."; empty for anything else.
std::string_view schemeOf(std::string_view name) {
  const std::size_t end = name.find(kSchemeEnd);
  if (end == std::string_view::npos || end == 0) return {};
  const std::string_view scheme = name.substr(0, end);
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!letter(scheme[0])) return {};
  for (char c : scheme) {
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return {};
  }
  return scheme;
}

constexpr std::string_view kKeepsTrying = " The panel keeps trying to connect.";

// Only the panel keeps a network port and connects again in the background.
std::string keepsTrying(const PortIdentity& port) {
  return port.user == PortUser::Panel ? std::string(kKeepsTrying) : std::string();
}

}  // namespace

bool isNetworkName(std::string_view name) {
  return !schemeOf(name).empty();
}

std::optional<NetworkAddress> parseNetworkAddress(std::string_view name) {
  NetworkAddress address;
  const std::string_view scheme = schemeOf(name);
  if (sameLetters(scheme, kRfc2217Scheme)) {
    address.protocol = NetworkProtocol::Rfc2217;
  } else if (!sameLetters(scheme, kRawScheme)) {
    return std::nullopt;
  }
  name.remove_prefix(scheme.size() + kSchemeEnd.size());
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

std::string urlOf(NetworkProtocol protocol, const NetworkAddress& address) {
  const std::string host =
      address.host.find(':') != std::string::npos ? "[" + address.host + "]" : address.host;
  return std::string(protocol == NetworkProtocol::Raw ? kRawScheme : kRfc2217Scheme) +
         std::string(kSchemeEnd) + host + ":" + std::to_string(address.port);
}

std::string portLabel(const PortIdentity& port) {
  return portName(port);
}

std::string describeBadAddress(const PortIdentity& port) {
  const std::string_view scheme = schemeOf(port.device);
  if (!sameLetters(scheme, kRawScheme) && !sameLetters(scheme, kRfc2217Scheme)) {
    return portLabel(port) + ": " + std::string(scheme) +
           ":// is not a kind of port the panel knows; it knows socket://HOST:PORT (the line's "
           "bytes as they are) and rfc2217://HOST:PORT (Telnet with the COM-PORT-OPTION). " +
           otherDeviceAdvice(port,
                             "Set " + port.variable + " to one of them, or to a serial device.");
  }
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
    case ConnectFailure::Closed:
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
         ")." + keepsTrying(port);
}

std::string describeRetrying(const PortIdentity& port, const std::string& failure) {
  return failure + keepsTrying(port);
}

std::string describeSendWaitOver(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": still connecting to " + hostAndPort(address) + " after " +
         std::to_string(kSendWait.count()) + " s.";
}

std::string describeStuck(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": " + hostAndPort(address) + " takes nothing in: over " +
         std::to_string(kStuckBytes / 1024) +
         " KiB waited to be sent, so the connection was closed as stuck." + keepsTrying(port);
}

std::string describeInUse(const PortIdentity& port) {
  return portLabel(port) +
         ": the device server says the port is in use by another client; it frees it when that "
         "connection times out or the server restarts." +
         keepsTrying(port);
}

std::string describeNoNegotiation(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": no Telnet negotiation: is this a raw port? use " +
         urlOf(NetworkProtocol::Raw, address) + " instead.";
}

std::string describeTelnetOnRawPort(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) +
         ": the device server sends Telnet negotiation (IAC bytes, shown as ? in RXD): is this an "
         "RFC 2217 port? use " +
         urlOf(NetworkProtocol::Rfc2217, address) + " instead.";
}

std::string describeNoSpeedChange(const PortIdentity& port, const NetworkAddress& address) {
  const std::string why = address.protocol == NetworkProtocol::Raw
                              ? "a socket:// port carries only the line's bytes"
                              : "it refused the COM-PORT-OPTION";
  return portLabel(port) + ": the device server does not take speed changes (" + why +
         "); set the speed on the server.";
}

std::string describeDropped(const std::string& failure, const std::string& lines,
                            Delivery delivery) {
  if (lines.empty()) return failure;
  // The lines go before the sentence about trying again, which stays last.
  const std::string_view tail = kKeepsTrying;
  const bool retrying = failure.ends_with(tail);
  const std::string head = retrying ? failure.substr(0, failure.size() - tail.size()) : failure;
  const std::string what = delivery == Delivery::NotSent ? " Dropped, not delivered: "
                                                         : " Dropped, not confirmed as delivered: ";
  return head + what + lines + "." + (retrying ? std::string(tail) : "");
}

}  // namespace qd40
