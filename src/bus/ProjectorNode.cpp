// Polling one projector and giving it the bus's commands, one line at a time.
#include "bus/ProjectorNode.h"

#include <algorithm>

namespace qd40::bus {

namespace {

using Clock = std::chrono::steady_clock;

// How long past the line's current exchange a command may wait for it.
constexpr std::chrono::milliseconds kCommandGrace{1000};
// Polls in a row without an answer before the projector counts as gone.
constexpr int kSilentRounds = 2;

}  // namespace

ProjectorNode::ProjectorNode(std::string id, std::string path, std::string settings,
                             std::chrono::milliseconds interval, NodeSinks sinks, QObject* parent)
    : QObject(parent),
      m_id(std::move(id)),
      m_path(std::move(path)),
      m_settings(std::move(settings)),
      m_interval(interval),
      m_sinks(std::move(sinks)) {
  m_poll.setInterval(m_interval);
  connect(&m_poll, &QTimer::timeout, this, &ProjectorNode::pollRound);
  m_deadline.setSingleShot(true);
  m_deadline.setTimerType(Qt::PreciseTimer);
  connect(&m_deadline, &QTimer::timeout, this, &ProjectorNode::refuseExpired);
}

ProjectorNode::~ProjectorNode() {
  stop();
}

void ProjectorNode::start() {
  m_poll.start();
  m_roundDue = true;
  open();
}

void ProjectorNode::stop() {
  m_poll.stop();
  m_deadline.stop();
  m_waiting.clear();
  if (m_exchange) m_exchange->close();
}

void ProjectorNode::open() {
  m_port = Port::Opening;
  m_exchange = std::make_unique<LineExchange>(projectorPort(m_path), m_settings);
  m_exchange->setNoticeHandler([this](const std::string& why) { m_sinks.notice(why); });
  m_exchange->open([this](const PortStatus& status) { opened(status.ok, status.description); });
}

void ProjectorNode::opened(bool ok, const std::string& why) {
  if (!ok) {
    portGone(why);
    return;
  }
  m_port = Port::Open;
  m_portTrouble.clear();
  next();
}

void ProjectorNode::portGone(const std::string& why) {
  m_port = Port::Closed;
  m_busy = false;
  m_reads.clear();
  m_nextRead = 0;
  // The exchange may be the caller; it goes once its call has returned.
  if (m_exchange) {
    m_exchange->close();
    m_exchange.release()->deleteLater();
  }
  if (why != m_portTrouble) m_sinks.notice(m_id + ": " + why);
  m_portTrouble = why;
  setAvailable(false);
  for (const Waiting& command : std::exchange(m_waiting, {})) {
    m_sinks.error(command.what + " not sent: the port is lost: " + why);
  }
}

void ProjectorNode::pollRound() {
  m_roundDue = true;
  if (m_port == Port::Closed) {
    open();
    return;
  }
  if (m_port == Port::Open && !m_busy) next();
}

void ProjectorNode::command(LineStep step, std::string what) {
  if (m_port != Port::Open) {
    m_sinks.error(what + " not sent: the port cannot be used" +
                  (m_portTrouble.empty() ? std::string(" yet") : ": " + m_portTrouble));
    return;
  }
  if (m_silent) {
    m_sinks.error(what + " not sent: the projector has not answered for " +
                  std::to_string(kSilentRounds) + " polls");
    return;
  }
  const auto now = Clock::now();
  m_waiting.push_back(
      {std::move(step), std::move(what), std::max(now, m_lineFreeBy) + kCommandGrace});
  if (!m_busy) {
    next();
    return;
  }
  if (!m_deadline.isActive()) {
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(m_waiting.front().deadline - now);
    m_deadline.start(std::max(wait, std::chrono::milliseconds(0)));
  }
}

void ProjectorNode::refuseExpired() {
  const auto now = Clock::now();
  while (!m_waiting.empty() && m_waiting.front().deadline <= now) {
    m_sinks.error(m_waiting.front().what + " not sent: the line stayed busy");
    m_waiting.pop_front();
  }
  if (!m_waiting.empty()) {
    m_deadline.start(
        std::chrono::ceil<std::chrono::milliseconds>(m_waiting.front().deadline - now));
  }
}

// The line is free: a command first, then the rest of a poll, then a poll
// that is due.
void ProjectorNode::next() {
  if (m_port != Port::Open || m_busy) return;
  refuseExpired();
  if (!m_waiting.empty()) {
    Waiting command = std::move(m_waiting.front());
    m_waiting.pop_front();
    if (m_waiting.empty()) m_deadline.stop();
    send(std::move(command));
    return;
  }
  if (m_nextRead >= m_reads.size() && m_roundDue) {
    m_roundDue = false;
    // Each poll waits as one `qd40ctl status` would, whatever came before.
    ReplyWindows windows;
    m_reads = statusReads(windows);
    m_nextRead = 0;
    m_roundAnswered = false;
  }
  if (m_nextRead < m_reads.size()) readNext();
}

void ProjectorNode::readNext() {
  const ReadStep& read = m_reads[m_nextRead];
  m_busy = true;
  m_lineFreeBy = Clock::now() + std::chrono::milliseconds(read.step.windowMs);
  m_exchange->send(read.step.line, read.step.code, read.step.windowMs,
                   [this, key = read.key](const LineResult& line) {
                     m_busy = false;
                     if (m_exchange->lost()) {
                       portGone(m_exchange->lostWhy());
                       return;
                     }
                     for (const StateValue& value : stateValues(key, line)) {
                       m_sinks.state(value.topic, value.value);
                     }
                     m_roundAnswered = m_roundAnswered || line.answered();
                     ++m_nextRead;
                     // A projector that does not answer the first read is off
                     // the line: the others would cost a window each for the
                     // same answer.
                     if (m_nextRead >= m_reads.size() || !m_roundAnswered) {
                       m_nextRead = m_reads.size();
                       roundDone(m_roundAnswered);
                     }
                     next();
                   });
}

void ProjectorNode::roundDone(bool answered) {
  m_silentRounds = answered ? 0 : m_silentRounds + 1;
  m_silent = m_silentRounds >= kSilentRounds;
  if (answered || m_silent) setAvailable(answered);
}

void ProjectorNode::send(Waiting command) {
  m_busy = true;
  m_lineFreeBy = Clock::now() + std::chrono::milliseconds(command.step.windowMs);
  m_exchange->send(
      command.step.line, command.step.code, command.step.windowMs,
      [this, what = command.what, code = command.step.code](const LineResult& line) {
        m_busy = false;
        if (m_exchange->lost()) {
          m_sinks.error(what + " (" + code + "): the port was lost: " + m_exchange->lostWhy());
          portGone(m_exchange->lostWhy());
          return;
        }
        if (!line.answered()) {
          m_sinks.error(what + " (" + code + ") was sent; the projector gave no reply");
        }
        // The state follows at once: the poll under way starts again.
        m_nextRead = m_reads.size();
        m_roundDue = true;
        next();
      });
}

void ProjectorNode::setAvailable(bool online) {
  m_sinks.state("availability", online ? "online" : "offline");
}

}  // namespace qd40::bus
