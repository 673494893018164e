// Reads socket:// and rfc2217:// port names.
#include "config/NetworkPort.h"

#include "protocol/WholeNumber.h"

namespace qd40 {

namespace {

constexpr std::string_view kRawScheme = "socket";
constexpr std::string_view kRfc2217Scheme = "rfc2217";
constexpr std::string_view kSchemeEnd = "://";

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

}  // namespace

// As RFC 3986 spells a scheme: a letter, then letters, digits, "+", "-" or "."; empty for anything
// else.
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

bool isKnownNetworkScheme(std::string_view name) {
  const std::string_view scheme = schemeOf(name);
  return sameLetters(scheme, kRawScheme) || sameLetters(scheme, kRfc2217Scheme);
}

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

}  // namespace qd40
