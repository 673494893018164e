#pragma once
// The life of a connection to a serial device server, as the panel's serial
// service. The port is closed, connecting, open or lost. A line sent while
// connecting waits a moment for the connection, then goes out or is dropped
// and named; on a first rfc2217 connection it waits too until the server has
// answered the negotiation, or proved a raw port. A failed or lost
// connection is tried again in the background, with pauses that grow from a
// quarter of a second to five seconds, never once per line, and that start
// again from the shortest only once a connection has stood healthy for some
// seconds; a press meanwhile may try at once, once a second at most. Each
// trouble is reported once, and the connection standing again is reported
// too (after connections taken and soon failed, once one stands healthy).
// What was written and never acknowledged when a connection fails is named
// and dropped, never sent later; a far end that takes nothing in is cut off
// before it can pile up the panel's memory.
// The socket itself (name lookup, TCP, the kernel's timeouts) is left to a
// LinkSocket, and time to timers of the toolkit seam.
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "config/NetworkPort.h"
#include "config/PortConfig.h"
#include "line/SerialService.h"
#include "net/TelnetCodec.h"
#include "toolkit/Toolkit.h"

namespace qd40 {

// What the link needs of a TCP connection. Its outcome comes back through
// NetworkLink's socket...() calls, never from inside these.
class LinkSocket {
 public:
  enum class Ending { Flush, Discard };
  virtual ~LinkSocket() = default;
  // Looks the host up and connects; ends any earlier connection first.
  virtual void connectTo(const NetworkAddress& address) = 0;
  // Whether the attempt under way is still looking up the host's name.
  virtual bool lookingUp() const = 0;
  virtual void write(std::string_view bytes) = 0;
  // Bytes written and not yet acknowledged by the far end, the socket's own
  // buffer included; after a failure, the last count taken before it.
  virtual std::size_t unacknowledged() = 0;
  // Ends the connection or the attempt; with Discard nothing that waits to
  // be sent ever goes out. No outcome is reported for it.
  virtual void end(Ending ending) = 0;
};

struct LinkTimers {
  Timer& attempt;    // the connection attempt's deadline
  Timer& retry;      // the pause before the next attempt
  Timer& sendWait;   // how long lines wait for a connection being made
  Timer& watch;      // a standing connection's checks
  Timer& pressGate;  // a second between attempts that presses make
};

class NetworkLink final : public SerialService {
 public:
  enum class State { Closed, Connecting, Open, Lost };

  // The ports stand for what `ports` names at each open.
  NetworkLink(const PortConfig& ports, LinkSocket& socket, LinkTimers timers);
  NetworkLink(const NetworkLink&) = delete;
  NetworkLink& operator=(const NetworkLink&) = delete;

  PortStatus setCommPort(int number) override;
  int commPort() const override { return m_number; }
  PortStatus setSettings(const std::string& settings) override;
  std::string settings() const override { return m_settings; }
  // Starts connecting and returns at once. A lost port is being tried again
  // in the background; opening it gives the current failure and makes no
  // attempt of its own.
  PortStatus open() override;
  void close() override;
  bool isOpen() const override { return m_state == State::Connecting || m_state == State::Open; }
  PortStatus output(const std::string& bytes) override;
  std::string input() override;
  CommEvent commEvent() const override { return m_event; }
  void setCommHandler(std::function<void()> onComm) override { m_onComm = std::move(onComm); }
  void setLostHandler(std::function<void(const std::string&)> onLost) override {
    m_onLost = std::move(onLost);
  }
  // What the panel must be told while the port stands: a speed change the
  // server cannot make, a port of the wrong kind (each said once), bytes
  // dropped from a broken subnegotiation (once a connection).
  void setNoticeHandler(std::function<void(const std::string&)> onNotice) override {
    m_onNotice = std::move(onNotice);
  }
  bool connected() const override { return m_state == State::Open; }
  void setConnectedHandler(std::function<void()> onConnected) override {
    m_onConnected = std::move(onConnected);
  }

  State state() const { return m_state; }

  // What the socket reports about the attempt under way.
  void socketConnected();
  void socketReceived(std::string_view bytes);
  void socketFailed(ConnectFailure failure, const std::string& detail);

 private:
  enum class Phase { Idle, Connecting, Up };
  struct SentLine {
    std::uint64_t end;  // the count of bytes written once the line was
    std::string name;   // "C00"
  };

  void startAttempt();
  void onAttemptDeadline();
  void onRetry();
  void onSendWaitOver();
  void onWatch();
  void confirm();
  void becomeHealthy();
  void announce();
  void take(std::string data);
  void dropBroken(const TelnetCodec::Decoded& decoded);
  void abandonLateSubnegotiation();
  void endNegotiation();
  PortStatus holdLine(const std::string& bytes);
  void sendWaiting();
  void sendLine(const std::string& bytes);
  void writeRaw(const std::string& bytes);
  void deliver(std::string data);
  // Holds what may be the start of a server's in-use banner; true when the
  // whole banner came.
  bool holdBanner(std::string& data);
  bool checkStuck();
  void forgetAcknowledged();
  // Which lines a failure names as not delivered: those the far end has not
  // acknowledged, or all written on the connection, when the server turned
  // the panel away.
  enum class Undelivered { Unacknowledged, AllWritten };
  void fail(const std::string& cause, Undelivered undelivered = Undelivered::Unacknowledged);
  void report(const std::string& cause, const std::string& lines, Delivery delivery);
  void tellOnce(const std::string& text);
  void speedChanged();
  void endConnection(LinkSocket::Ending ending);

  const PortConfig& m_ports;
  LinkSocket& m_socket;
  LinkTimers m_timers;
  State m_state = State::Closed;
  Phase m_phase = Phase::Idle;
  int m_number = 1;
  std::string m_settings = "19200,N,8,1";
  PortIdentity m_port{1, "", ""};
  NetworkAddress m_address;

  // The connection under way.
  TelnetCodec m_codec;
  bool m_confirmed = false;
  bool m_negotiating = false;
  int m_watchTicks = 0;
  std::vector<std::string> m_waiting;
  std::size_t m_waitingBytes = 0;
  bool m_waitOver = false;
  // The attempt under way is one a press made or joined while the line
  // backed off: that press's line waits for it, and no other.
  bool m_pressAttempt = false;
  std::uint64_t m_written = 0;
  std::deque<SentLine> m_unacknowledged;
  bool m_watchingBanner = false;
  std::string m_banner;
  bool m_rawAfterIac = false;
  bool m_speedChangePending = false;
  bool m_healthy = false;
  // The subnegotiation that was under way at the last watch tick.
  std::uint64_t m_subnegotiationSeen = 0;
  bool m_droppedTold = false;

  // The trouble being reported: the cause last told, and the whole text
  // that open() and output() give meanwhile.
  std::string m_cause;
  std::string m_failure;
  bool m_held = false;
  bool m_reporting = false;
  int m_retryMs = 0;
  // A connection of this trouble stood and failed before it was healthy,
  // with no refusal since: the next one is reported as standing only once
  // it is.
  bool m_flaky = false;
  // Addresses that did not negotiate, and what was said once.
  std::set<std::string> m_silentServers;
  std::set<std::string> m_told;

  std::string m_received;
  CommEvent m_event = CommEvent::None;
  std::function<void()> m_onComm;
  std::function<void(const std::string&)> m_onLost;
  std::function<void(const std::string&)> m_onNotice;
  std::function<void()> m_onConnected;
};

}  // namespace qd40
