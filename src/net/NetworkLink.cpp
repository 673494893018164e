// The connection to a serial device server: its states, its retries and what
// it reports.
#include "net/NetworkLink.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "line/LineSettings.h"
#include "wording/NetworkMessages.h"
#include "wording/PortWording.h"

namespace qd40 {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRetryFirst{250};
constexpr milliseconds kRetryMost{5000};
// A standing connection is checked this often while there is something to
// check: whether it has settled, whether a Telnet server has answered, what
// the far end has acknowledged.
constexpr milliseconds kWatchTick{250};
// A connection counts as made once it has stood for one tick: a server that
// accepts only to say it is busy and hang up has done so by then.
constexpr int kSettleTicks = 1;
// An rfc2217 server that has not negotiated after this many ticks (a
// second) is taken for a raw port.
constexpr int kNegotiationTicks = 4;
// A connection that has stood this many ticks (five seconds) is healthy:
// the pauses between attempts start again from the shortest.
constexpr int kHealthyTicks = 20;
// At most one attempt a press makes in this time.
constexpr milliseconds kPressAttemptGap{1000};

int ms(milliseconds interval) {
  return static_cast<int>(interval.count());
}

void restart(Timer& timer, milliseconds interval) {
  timer.setEnabled(false);
  timer.setInterval(ms(interval));
  timer.setEnabled(true);
}

}  // namespace

NetworkLink::NetworkLink(const PortConfig& ports, LinkSocket& socket, LinkTimers timers)
    : m_ports(ports), m_socket(socket), m_timers(timers) {
  m_timers.attempt.setHandler([this] { onAttemptDeadline(); });
  m_timers.retry.setHandler([this] { onRetry(); });
  m_timers.sendWait.setHandler([this] { onSendWaitOver(); });
  m_timers.watch.setHandler([this] { onWatch(); });
  m_timers.watch.setInterval(ms(kWatchTick));
  m_timers.pressGate.setHandler([this] { m_timers.pressGate.setEnabled(false); });
  m_timers.pressGate.setInterval(ms(kPressAttemptGap));
}

PortStatus NetworkLink::setCommPort(int number) {
  // A lost port tried again in the background gives way to another one.
  if (m_state == State::Lost && number != m_number) close();
  PortStatus accepted = acceptPortNumber(number, isOpen());
  if (accepted) m_number = number;
  return accepted;
}

PortStatus NetworkLink::setSettings(const std::string& settings) {
  const std::optional<LineSettings> line = parseLineSettings(settings);
  if (!line)
    return PortStatus::failure(
        PortMessages::tr("Invalid line settings: %1").arg(wordOf(settings)).toStdString());
  const bool changed = settings != m_settings;
  m_settings = settings;
  if (m_phase == Phase::Up && m_address.protocol == NetworkProtocol::Rfc2217) {
    writeRaw(m_codec.changeSettings(*line));
  }
  if (changed) speedChanged();
  return PortStatus::success();
}

void NetworkLink::speedChanged() {
  // Said of the port in use, or of the one the number stands for when it is
  // closed; a device server on an rfc2217 port is asked first.
  PortIdentity port = m_port;
  std::optional<NetworkAddress> address = m_address;
  if (m_state == State::Closed) {
    port = m_ports.identity(m_number);
    address = parseNetworkAddress(port.device);
    if (!address) return;
  }
  if (address->protocol == NetworkProtocol::Rfc2217 && !m_codec.comPortRefused()) {
    m_speedChangePending = m_state != State::Closed;
    return;
  }
  tellOnce(describeNoSpeedChange(port, *address));
}

PortStatus NetworkLink::open() {
  if (m_state == State::Connecting || m_state == State::Open) return PortStatus::success();
  if (m_state == State::Lost) {
    // A press while the line backs off: the server may be back. It tries at
    // once, or waits for the attempt under way; never more than one attempt
    // a second, and the line is never kept past the attempt. Asked inside
    // the report of the failure, it gives that failure.
    if (m_phase == Phase::Idle) {
      if (m_timers.pressGate.isEnabled() || m_reporting) {
        PortStatus lost = PortStatus::failure(m_failure);
        lost.held = m_held;
        return lost;
      }
      m_timers.pressGate.setEnabled(true);
      m_timers.retry.setEnabled(false);
      startAttempt();
    }
    m_state = State::Connecting;
    m_pressAttempt = true;
    return PortStatus::success();
  }
  m_port = m_ports.identity(m_number);
  const std::optional<NetworkAddress> address = parseNetworkAddress(m_port.device);
  if (!address) return PortStatus::failure(describeBadAddress(m_port));
  m_address = *address;
  m_state = State::Connecting;
  m_cause.clear();
  m_retryMs = ms(kRetryFirst);
  m_flaky = false;
  startAttempt();
  return PortStatus::success();
}

void NetworkLink::startAttempt() {
  m_codec = TelnetCodec();
  m_confirmed = false;
  m_negotiating = false;
  m_watchTicks = 0;
  m_waitOver = false;
  m_written = 0;
  m_unacknowledged.clear();
  m_watchingBanner = true;
  m_banner.clear();
  m_rawAfterIac = false;
  m_healthy = false;
  m_pressAttempt = false;
  m_subnegotiationSeen = 0;
  m_droppedTold = false;
  m_phase = Phase::Connecting;
  restart(m_timers.attempt, kConnectTimeout);
  m_socket.connectTo(m_address);
}

void NetworkLink::onAttemptDeadline() {
  m_timers.attempt.setEnabled(false);
  if (m_phase != Phase::Connecting) return;
  if (m_socket.lookingUp()) {
    socketFailed(
        ConnectFailure::LookupFailed,
        PortMessages::tr("no answer within %1 s").arg(kConnectTimeout.count()).toStdString());
  } else {
    socketFailed(ConnectFailure::TimedOut, "");
  }
}

void NetworkLink::socketConnected() {
  if (m_phase != Phase::Connecting) return;
  m_timers.attempt.setEnabled(false);
  m_phase = Phase::Up;
  if (m_address.protocol == NetworkProtocol::Rfc2217 &&
      !m_silentServers.contains(urlOf(m_address.protocol, m_address))) {
    writeRaw(m_codec.start(parseLineSettings(m_settings).value_or(LineSettings{})));
    m_negotiating = true;
  }
  m_timers.sendWait.setEnabled(false);
  m_waitOver = false;
  // Lines that waited for the connection go out now, in their order; on a
  // negotiation, once it is over.
  if (!m_negotiating) sendWaiting();
  m_timers.watch.setEnabled(true);
}

void NetworkLink::onWatch() {
  if (m_phase != Phase::Up) {
    m_timers.watch.setEnabled(false);
    return;
  }
  ++m_watchTicks;
  if (!m_confirmed && m_watchTicks >= kSettleTicks) confirm();
  if (m_phase != Phase::Up) return;
  if (m_negotiating && m_watchTicks >= kNegotiationTicks) endNegotiation();
  abandonLateSubnegotiation();
  if (m_phase != Phase::Up || checkStuck()) return;
  // Until the connection has settled, a server may yet turn out to have
  // thrown away everything it took in.
  if (m_confirmed) forgetAcknowledged();
  if (m_confirmed && !m_healthy && m_watchTicks >= kHealthyTicks) becomeHealthy();
  if (m_healthy && !m_negotiating && m_unacknowledged.empty() && !m_codec.inSubnegotiation()) {
    m_timers.watch.setEnabled(false);
  }
}

void NetworkLink::confirm() {
  m_confirmed = true;
  m_watchingBanner = false;
  m_state = State::Open;
  m_pressAttempt = false;
  m_failure.clear();
  // After a connection of this trouble that failed soon, this one is not
  // reported as standing until it has proved healthy.
  if (!m_flaky) announce();
  if (m_phase == Phase::Up) deliver(std::exchange(m_banner, {}));
}

void NetworkLink::becomeHealthy() {
  m_healthy = true;
  m_retryMs = ms(kRetryFirst);
  if (std::exchange(m_flaky, false)) announce();
}

void NetworkLink::announce() {
  m_cause.clear();
  if (m_onConnected) m_onConnected();
}

PortStatus NetworkLink::output(const std::string& bytes) {
  switch (m_state) {
    case State::Closed:
      return PortStatus::failure(portName(m_ports.identity(m_number)) + ": " +
                                 PortMessages::tr("the port is not open.").toStdString());
    case State::Lost:
      return PortStatus::failure(m_failure);
    case State::Connecting:
    case State::Open:
      break;
  }
  if (m_phase != Phase::Up || m_negotiating) return holdLine(bytes);
  sendLine(bytes);
  return PortStatus::success();
}

PortStatus NetworkLink::holdLine(const std::string& bytes) {
  if (m_pressAttempt && !m_waiting.empty()) return PortStatus::failure(m_failure);
  if (m_waitOver || m_waitingBytes + bytes.size() > kStuckBytes) {
    return PortStatus::failure(describeStillConnecting(m_port, m_address));
  }
  if (m_waiting.empty() && m_phase == Phase::Connecting) restart(m_timers.sendWait, kSendWait);
  m_waiting.push_back(bytes);
  m_waitingBytes += bytes.size();
  return PortStatus::success();
}

void NetworkLink::onSendWaitOver() {
  m_timers.sendWait.setEnabled(false);
  if (m_phase != Phase::Connecting || m_waiting.empty()) return;
  std::vector<std::string> names;
  for (const std::string& line : std::exchange(m_waiting, {})) names.push_back(lineName(line));
  m_waitingBytes = 0;
  // The attempt goes on; lines sent during the rest of it fail at once.
  m_waitOver = true;
  report(describeSendWaitOver(m_port, m_address), joinNames(names), Delivery::NotSent);
}

void NetworkLink::socketFailed(ConnectFailure failure, const std::string& detail) {
  if (m_phase == Phase::Idle) return;
  if (m_phase == Phase::Connecting) {
    // The server went away: the next connection it takes is news at once.
    m_flaky = false;
    fail(describeRetrying(m_port, describeConnectFailure(m_port, m_address, failure, detail)));
    return;
  }
  std::string why = detail;
  if (failure == ConnectFailure::Closed) {
    why = PortMessages::tr("the device server closed it").toStdString();
  }
  if (failure == ConnectFailure::TimedOut) {
    why = PortMessages::tr(
              "nothing was acknowledged for %1 s: the network or the device server "
              "is down")
              .arg(kUnacknowledgedLimit.count())
              .toStdString();
  }
  fail(describeConnectionLost(m_port, m_address, why));
}

void NetworkLink::fail(const std::string& cause, Undelivered undelivered) {
  if (undelivered == Undelivered::Unacknowledged) forgetAcknowledged();
  if (m_confirmed && !m_healthy) m_flaky = true;
  std::vector<std::string> names;
  for (const std::string& line : m_waiting) names.push_back(lineName(line));
  for (const SentLine& line : m_unacknowledged) names.push_back(line.name);
  const Delivery delivery = m_unacknowledged.empty() || undelivered == Undelivered::AllWritten
                                ? Delivery::NotSent
                                : Delivery::Unacknowledged;
  endConnection(LinkSocket::Ending::Discard);
  m_state = State::Lost;
  // Only a server that turned us away for another client counts what was
  // written as not sent: the port is that client's.
  m_held = undelivered == Undelivered::AllWritten;
  restart(m_timers.retry, milliseconds(m_retryMs));
  m_retryMs = std::min(2 * m_retryMs, ms(kRetryMost));
  report(cause, joinNames(names), delivery);
}

void NetworkLink::report(const std::string& cause, const std::string& lines, Delivery delivery) {
  m_failure = describeDropped(cause, lines, delivery);
  // The same cause again, with nothing lost by it, is no news.
  if (lines.empty() && cause == m_cause) return;
  m_cause = cause;
  m_reporting = true;
  if (m_onLost) m_onLost(m_failure);
  m_reporting = false;
}

void NetworkLink::tellOnce(const std::string& text) {
  if (!m_told.insert(text).second) return;
  if (m_onNotice) m_onNotice(text);
}

void NetworkLink::onRetry() {
  m_timers.retry.setEnabled(false);
  if (m_state == State::Lost && m_phase == Phase::Idle) startAttempt();
}

void NetworkLink::endConnection(LinkSocket::Ending ending) {
  m_timers.attempt.setEnabled(false);
  m_timers.sendWait.setEnabled(false);
  m_timers.watch.setEnabled(false);
  if (m_phase != Phase::Idle) m_socket.end(ending);
  m_phase = Phase::Idle;
  m_waiting.clear();
  m_waitingBytes = 0;
  m_unacknowledged.clear();
  m_banner.clear();
  m_received.clear();
  m_speedChangePending = false;
}

void NetworkLink::close() {
  if (m_state == State::Closed) return;
  // A line just written still goes out if the connection stands.
  endConnection(m_phase == Phase::Up ? LinkSocket::Ending::Flush : LinkSocket::Ending::Discard);
  m_timers.retry.setEnabled(false);
  m_timers.pressGate.setEnabled(false);
  m_state = State::Closed;
  m_cause.clear();
  m_failure.clear();
}

}  // namespace qd40
