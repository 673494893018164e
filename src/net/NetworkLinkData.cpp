// What goes over a standing connection to a serial device server: lines
// out, the server's bytes in, and what the Telnet side leaves for the link
// to decide.
#include <algorithm>
#include <utility>

#include "net/NetworkLink.h"

#include "wording/NetworkMessages.h"

namespace qd40 {

namespace {

// What ser2net sends a client it turns away because another one has the port.
constexpr std::string_view kInUseBanner = "Port already in use";

// Whether raw bytes hold a Telnet command that only a Telnet server sends:
// IAC followed by WILL, WONT, DO, DONT or SB.
bool holdsNegotiation(std::string_view bytes, bool afterIac) {
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (afterIac && (byte == telnet::kSb || (byte >= telnet::kWill && byte <= telnet::kDont))) {
      return true;
    }
    afterIac = byte == telnet::kIac && !afterIac;
  }
  return false;
}

}  // namespace

void NetworkLink::socketReceived(std::string_view bytes) {
  if (m_phase != Phase::Up) return;
  std::string data;
  if (m_address.protocol == NetworkProtocol::Rfc2217) {
    TelnetCodec::Decoded decoded = m_codec.decode(bytes);
    writeRaw(decoded.reply);
    data = std::move(decoded.data);
    dropBroken(decoded);
    if (m_codec.inSubnegotiation()) m_timers.watch.setEnabled(true);
    if (m_negotiating && m_codec.serverNegotiated()) {
      m_negotiating = false;
      sendWaiting();
    }
    if (m_speedChangePending && m_codec.comPortRefused()) {
      m_speedChangePending = false;
      tellOnce(describeNoSpeedChange(m_port, m_address));
    }
  } else {
    if (holdsNegotiation(bytes, m_rawAfterIac)) {
      tellOnce(describeTelnetOnRawPort(m_port, m_address));
    }
    m_rawAfterIac = !bytes.empty() && static_cast<unsigned char>(bytes.back()) == telnet::kIac;
    data.assign(bytes);
  }
  take(std::move(data));
}

// Line data from the server: held while it may be the in-use banner, then
// delivered.
void NetworkLink::take(std::string data) {
  if (checkStuck()) return;
  if (holdBanner(data)) {
    fail(describeInUse(m_port), Undelivered::AllWritten);
    return;
  }
  deliver(std::move(data));
}

bool NetworkLink::holdBanner(std::string& data) {
  if (!m_watchingBanner || data.empty()) return false;
  m_banner += data;
  data.clear();
  const std::size_t common = std::min(m_banner.size(), kInUseBanner.size());
  if (m_banner.compare(0, common, kInUseBanner, 0, common) != 0) {
    m_watchingBanner = false;
    data = std::exchange(m_banner, {});
    return false;
  }
  return m_banner.size() >= kInUseBanner.size();
}

void NetworkLink::deliver(std::string data) {
  if (data.empty()) return;
  m_received += data;
  if (!m_onComm) return;
  m_event = CommEvent::Receive;
  m_onComm();
  m_event = CommEvent::None;
}

void NetworkLink::endNegotiation() {
  m_negotiating = false;
  m_silentServers.insert(urlOf(m_address.protocol, m_address));
  tellOnce(describeNoNegotiation(m_port, m_address));
  // Our offers went down the line as bytes: a CR ends them there, so that
  // the first line sent reaches the device on a line of its own.
  writeRaw("\r");
  sendWaiting();
}

void NetworkLink::abandonLateSubnegotiation() {
  if (!m_codec.inSubnegotiation()) return;
  // One that was under way at the last tick as well has not ended in time.
  if (m_codec.subnegotiationNumber() != m_subnegotiationSeen) {
    m_subnegotiationSeen = m_codec.subnegotiationNumber();
    return;
  }
  const TelnetCodec::Decoded decoded = m_codec.abandonSubnegotiation();
  dropBroken(decoded);
  take(decoded.data);
}

void NetworkLink::dropBroken(const TelnetCodec::Decoded& decoded) {
  if (decoded.droppedCount == 0 || std::exchange(m_droppedTold, true)) return;
  if (m_onNotice) {
    m_onNotice(describeBrokenSubnegotiation(m_port, decoded.dropped, decoded.droppedCount));
  }
}

bool NetworkLink::checkStuck() {
  if (m_socket.unacknowledged() <= kStuckBytes) return false;
  fail(describeStuck(m_port, m_address));
  return true;
}

void NetworkLink::forgetAcknowledged() {
  const std::uint64_t waiting = std::min<std::uint64_t>(m_socket.unacknowledged(), m_written);
  const std::uint64_t acknowledged = m_written - waiting;
  while (!m_unacknowledged.empty() && m_unacknowledged.front().end <= acknowledged) {
    m_unacknowledged.pop_front();
  }
}

void NetworkLink::sendWaiting() {
  for (const std::string& line : std::exchange(m_waiting, {})) sendLine(line);
  m_waitingBytes = 0;
}

void NetworkLink::sendLine(const std::string& bytes) {
  writeRaw(m_address.protocol == NetworkProtocol::Rfc2217 ? m_codec.encode(bytes) : bytes);
  m_unacknowledged.push_back({m_written, lineName(bytes)});
  m_timers.watch.setEnabled(true);
}

void NetworkLink::writeRaw(const std::string& bytes) {
  if (bytes.empty()) return;
  m_socket.write(bytes);
  m_written += bytes.size();
}

std::string NetworkLink::input() {
  return std::exchange(m_received, {});
}

}  // namespace qd40
