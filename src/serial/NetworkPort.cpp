// Reads socket:// and rfc2217:// port names and words their failures.
#include "serial/NetworkPort.h"

#include "protocol/WholeNumber.h"
#include "serial/PortWording.h"

namespace qd40 {

namespace {

constexpr std::string_view kRawScheme = "socket";
constexpr std::string_view kRfc2217Scheme = "rfc2217";
constexpr std::string_view kSchemeEnd = "://";
// The most lines named in one report; the rest are counted.
constexpr std::size_t kNamedLines = 5;

QString hostAndPort(const NetworkAddress& address) {
  return PortMessages::tr("%1 port %2").arg(wordOf(address.host), QString::number(address.port));
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

// Only the panel keeps a network port and connects again in the background.
QString keepsTrying(const PortIdentity& port) {
  return port.user == PortUser::Panel ? PortMessages::tr("The panel keeps trying to connect.")
                                      : QString();
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
  const auto number = wholeNumberAs<std::uint16_t>(port, 1);
  if (!number) return std::nullopt;
  address.host = host;
  address.port = *number;
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
  const QString variable = wordOf(port.variable);
  if (!sameLetters(scheme, kRawScheme) && !sameLetters(scheme, kRfc2217Scheme)) {
    return portLabel(port) + ": " +
           joinSentences(
               {PortMessages::tr("%1:// is not a kind of port the panel knows; it knows "
                                 "socket://HOST:PORT (the line's bytes as they are) and "
                                 "rfc2217://HOST:PORT (Telnet with the COM-PORT-OPTION).")
                    .arg(wordOf(std::string(scheme))),
                wordOf(otherDeviceAdvice(
                    port, PortMessages::tr("Set %1 to one of them, or to a serial device.")
                              .arg(variable)
                              .toStdString()))});
  }
  return portLabel(port) + ": " +
         joinSentences(
             {PortMessages::tr("not a device server address."),
              wordOf(otherDeviceAdvice(
                  port, PortMessages::tr("Set %1 to socket://HOST:PORT or rfc2217://HOST:PORT, "
                                         "for example %1=rfc2217://192.0.2.10:4001, or to a "
                                         "serial device.")
                            .arg(variable)
                            .toStdString()))});
}

std::string describeConnectFailure(const PortIdentity& port, const NetworkAddress& address,
                                   ConnectFailure failure, const std::string& detail) {
  const std::string where = portLabel(port) + ": ";
  const QString host = wordOf(address.host);
  switch (failure) {
    case ConnectFailure::UnknownHost:
      return where +
             joinSentences({PortMessages::tr("unknown host %1.").arg(host),
                            wordOf(otherDeviceAdvice(port, PortMessages::tr("Check the name in %1.")
                                                               .arg(wordOf(port.variable))
                                                               .toStdString()))});
    case ConnectFailure::LookupFailed:
      return where + PortMessages::tr("the host name %1 could not be looked up (%2).")
                         .arg(host, wordOf(detail))
                         .toStdString();
    case ConnectFailure::Refused:
      return where + PortMessages::tr(
                         "%1 refused the connection on port %2: nothing listens "
                         "there. Check that the device server runs and serves this "
                         "port.")
                         .arg(host, QString::number(address.port))
                         .toStdString();
    case ConnectFailure::Unreachable:
      return where + PortMessages::tr(
                         "%1 cannot be reached (%2). Check the address and the "
                         "network.")
                         .arg(hostAndPort(address), wordOf(detail))
                         .toStdString();
    case ConnectFailure::TimedOut:
      return where + PortMessages::tr(
                         "no answer from %1 within %2 s. Check that the device "
                         "server is on.")
                         .arg(hostAndPort(address), QString::number(kConnectTimeout.count()))
                         .toStdString();
    case ConnectFailure::Closed:
    case ConnectFailure::Other:
      break;
  }
  return where + PortMessages::tr("cannot connect to %1 (%2).")
                     .arg(hostAndPort(address), wordOf(detail))
                     .toStdString();
}

std::string describeStillConnecting(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": " +
         PortMessages::tr("still connecting to %1; the line was not sent.")
             .arg(hostAndPort(address))
             .toStdString();
}

std::string describeConnectionLost(const PortIdentity& port, const NetworkAddress& address,
                                   const std::string& detail) {
  return portLabel(port) + ": " +
         joinSentences({PortMessages::tr("the connection to %1 was lost (%2).")
                            .arg(hostAndPort(address), wordOf(detail)),
                        keepsTrying(port)});
}

std::string describeRetrying(const PortIdentity& port, const std::string& failure) {
  return joinSentences({wordOf(failure), keepsTrying(port)});
}

std::string describeSendWaitOver(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": " +
         PortMessages::tr("still connecting to %1 after %2 s.")
             .arg(hostAndPort(address), QString::number(kSendWait.count()))
             .toStdString();
}

std::string describeStuck(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": " +
         joinSentences({PortMessages::tr("%1 takes nothing in: over %2 KiB waited to be sent, so "
                                         "the connection was closed as stuck.")
                            .arg(hostAndPort(address), QString::number(kStuckBytes / 1024)),
                        keepsTrying(port)});
}

std::string describeInUse(const PortIdentity& port) {
  return portLabel(port) + ": " +
         joinSentences({PortMessages::tr("the device server says the port is in use by another "
                                         "client; it frees it when that connection times out or "
                                         "the server restarts."),
                        keepsTrying(port)});
}

std::string describeNoNegotiation(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": " +
         PortMessages::tr("no Telnet negotiation: is this a raw port? use %1 instead.")
             .arg(wordOf(urlOf(NetworkProtocol::Raw, address)))
             .toStdString();
}

std::string describeTelnetOnRawPort(const PortIdentity& port, const NetworkAddress& address) {
  return portLabel(port) + ": " +
         PortMessages::tr(
             "the device server sends Telnet negotiation (IAC bytes, shown as ? in "
             "RXD): is this an RFC 2217 port? use %1 instead.")
             .arg(wordOf(urlOf(NetworkProtocol::Rfc2217, address)))
             .toStdString();
}

std::string describeNoSpeedChange(const PortIdentity& port, const NetworkAddress& address) {
  const QString why = address.protocol == NetworkProtocol::Raw
                          ? PortMessages::tr("a socket:// port carries only the line's bytes")
                          : PortMessages::tr("it refused the COM-PORT-OPTION");
  return portLabel(port) + ": " +
         PortMessages::tr(
             "the device server does not take speed changes (%1); set the speed "
             "on the server.")
             .arg(why)
             .toStdString();
}

std::string describeBrokenSubnegotiation(const PortIdentity& port, std::string_view dropped,
                                         std::size_t count) {
  // The bytes as the Telnet standard writes them, as far as they are named.
  constexpr std::size_t kNamedBytes = 16;
  std::string bytes = "IAC SB";
  for (std::size_t i = 0; i < dropped.size() && i < kNamedBytes; ++i) {
    bytes += " " + std::to_string(static_cast<unsigned char>(dropped[i]));
  }
  if (count > kNamedBytes || count > dropped.size()) {
    bytes += " " + PortMessages::tr("... (%1 bytes)").arg(count + 2).toStdString();
  }
  return portLabel(port) + ": " +
         PortMessages::tr(
             "the device server did not end a Telnet subnegotiation where it should; %1 was "
             "dropped as no line data.")
             .arg(wordOf(bytes))
             .toStdString();
}

// A line as the operator knows it: "C00" for "C00\r".
std::string lineName(std::string_view bytes) {
  if (bytes.ends_with('\r')) bytes.remove_suffix(1);
  if (bytes.empty()) return "<CR>";
  std::string name;
  for (char c : bytes) name += c >= ' ' && c <= '~' ? c : '?';
  return name;
}

std::string joinNames(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size() && i < kNamedLines; ++i) {
    out += (i == 0 ? "" : ", ") + names[i];
  }
  if (names.size() > kNamedLines) {
    return PortMessages::tr("%1 and %2 others")
        .arg(wordOf(out), QString::number(names.size() - kNamedLines))
        .toStdString();
  }
  return out;
}

std::string describeDropped(const std::string& failure, const std::string& lines,
                            Delivery delivery) {
  if (lines.empty()) return failure;
  // The lines go before the sentence about trying again, which stays last.
  const QString tail = PortMessages::tr("The panel keeps trying to connect.");
  QString head = wordOf(failure);
  const bool retrying = head.endsWith(tail);
  if (retrying) head = head.chopped(tail.size()).trimmed();
  const QString what = delivery == Delivery::NotSent
                           ? PortMessages::tr("Dropped, not delivered: %1.")
                           : PortMessages::tr("Dropped, not confirmed as delivered: %1.");
  return joinSentences({head, what.arg(wordOf(lines)), retrying ? tail : QString()});
}

}  // namespace qd40
