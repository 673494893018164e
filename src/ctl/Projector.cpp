// The actions of a run on one projector, one after the other.
#include "ctl/Projector.h"

#include <algorithm>

#include "protocol/TimeText.h"
#include "wording/PortMessages.h"

namespace qd40::ctl {

namespace {

// What a value showed, to tell a watch's rounds apart.
std::string seen(const std::optional<LineResult>& line) {
  if (!line) return "not read";
  if (!line->ok()) return "not ok" + line->problem() + line->monitor;
  if (line->text) return "text" + *line->text;
  return "reply" + line->monitor;
}

std::string utcNow() {
  return formatTime(std::chrono::system_clock::now(), TimeForm::UtcSeconds);
}

Report reportOf(const std::string& port, const Action& action, Report::Kind kind,
                const std::string& error, std::string time) {
  Report report;
  report.port = port;
  report.action = action.name;
  report.kind = kind;
  report.error = error;
  report.time = std::move(time);
  if (kind == Report::Kind::Values) {
    for (const StatusRead& read : kStatusReads) report.values.push_back({read.key, std::nullopt});
  }
  return report;
}

}  // namespace

Projector::Projector(std::string name, PortConfig ports, const RunSettings& run, ReportSink report,
                     ErrorSink error, QObject* parent)
    : QObject(parent),
      m_name(std::move(name)),
      m_run(run),
      m_report(std::move(report)),
      m_error(std::move(error)),
      m_exchange(std::move(ports), run.settings) {
  m_nextRound.setSingleShot(true);
  connect(&m_nextRound, &QTimer::timeout, this, &Projector::watchRound);
  m_exchange.setNoticeHandler([this](const std::string& why) { m_error(why); });
  m_exchange.setDiscardHandler(
      [this](const std::string& what) { m_error(printablePath(m_name) + ": " + what); });
}

void Projector::start(std::function<void(Outcome)> finished) {
  m_finished = std::move(finished);
  m_exchange.open([this](const PortStatus& status) { opened(status); });
}

void Projector::opened(const PortStatus& status) {
  if (status) {
    runAction();
    return;
  }
  m_error(status.description);
  m_outcome = status.held ? Outcome::Held : Outcome::CannotOpen;
  // Each action is accounted for, so a script reading the JSON finds every
  // projector it asked about.
  for (const Action& action : m_run.actions) {
    const bool values = action.kind == Action::Kind::Status || action.kind == Action::Kind::Watch;
    m_report(reportOf(m_name, action, values ? Report::Kind::Values : Report::Kind::Line,
                      status.description, utcNow()));
  }
  finish();
}

void Projector::runAction() {
  if (m_next >= m_run.actions.size()) {
    finish();
    return;
  }
  const Action& action = m_run.actions[m_next++];
  const std::string time = utcNow();
  switch (action.kind) {
    case Action::Kind::Named:
    case Action::Kind::Send: {
      Step step = action.kind == Action::Kind::Named ? actionStep(*action.action, m_windows)
                                                     : typedStep(action.typed, m_windows);
      runStep(std::move(step), [this, &action, time](const LineResult& line) {
        Report report = reportOf(m_name, action, Report::Kind::Line, m_exchange.lostWhy(), time);
        report.line = line;
        actionDone(std::move(report));
      });
      break;
    }
    case Action::Kind::Status:
      runStatus([this, &action, time](std::vector<ValueReport> values) {
        Report report = reportOf(m_name, action, Report::Kind::Values, m_exchange.lostWhy(), time);
        report.values = std::move(values);
        actionDone(std::move(report));
      });
      break;
    case Action::Kind::Watch:
      watchRound();
      break;
  }
}

void Projector::runStep(Step step, std::function<void(const LineResult&)> then) {
  if (m_run.timeoutMs) step.windowMs = *m_run.timeoutMs;
  m_exchange.send(step.line, std::move(step.code), step.windowMs, std::move(then));
}

void Projector::runStatus(std::function<void(std::vector<ValueReport>)> then) {
  auto values = std::make_shared<std::vector<ValueReport>>();
  for (const StatusRead& read : kStatusReads) values->push_back({read.key, std::nullopt});
  readNext(std::move(values), 0, std::move(then));
}

void Projector::readNext(std::shared_ptr<std::vector<ValueReport>> values, std::size_t next,
                         std::function<void(std::vector<ValueReport>)> then) {
  if (next >= kStatusReads.size()) {
    then(std::move(*values));
    return;
  }
  const StatusRead& read = kStatusReads[next];
  Step step = readStep(read, m_windows);
  runStep(std::move(step), [this, values, next, then](const LineResult& line) mutable {
    (*values)[next].line = line;
    // The read before got its reply too late to be its answer: it was
    // discarded while this one waited to go out.
    if (std::optional<LineResult>& before = (*values)[next > 0 ? next - 1 : 0].line;
        next > 0 && before && before->code == line.discardedBefore) {
      before->late = true;
    }
    // A projector that answers nothing to the first read is off the line:
    // the other reads would each cost a whole window for the same answer.
    if ((next == 0 && !line.answered()) || m_exchange.lost()) {
      then(std::move(*values));
      return;
    }
    readNext(std::move(values), next + 1, std::move(then));
  });
}

void Projector::watchRound() {
  const Action& watch = m_run.actions.back();
  const std::string time = utcNow();
  // The next round is due an interval after this one began; a round that
  // takes longer is followed at once.
  const auto began = std::chrono::steady_clock::now();
  runStatus([this, &watch, time, began](std::vector<ValueReport> values) {
    Report report = reportOf(m_name, watch, Report::Kind::Values, m_exchange.lostWhy(), time);
    report.values = std::move(values);
    for (const ValueReport& value : report.values) {
      std::string now = seen(value.line);
      if (m_firstRound || m_lastSeen[value.key] != now) report.changed.emplace_back(value.key);
      m_lastSeen[value.key] = std::move(now);
    }
    m_firstRound = false;
    // The exit status of a watch is that of its last round.
    m_roundOutcome = report.ok() ? Outcome::Answered : Outcome::NotUnderstood;
    if (!report.changed.empty() || !report.error.empty()) m_report(report);
    if (m_exchange.lost()) {
      m_error(m_exchange.lostWhy());
      finish();
      return;
    }
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - began);
    m_nextRound.start(std::max(watch.interval - spent, std::chrono::milliseconds(0)));
  });
}

void Projector::actionDone(Report report) {
  if (!report.ok()) m_outcome = std::max(m_outcome, Outcome::NotUnderstood);
  m_report(report);
  if (m_exchange.lost()) {
    m_error(m_exchange.lostWhy());
    finish();
    return;
  }
  runAction();
}

void Projector::stop() {
  m_nextRound.stop();
  // A watch ends by being stopped once it has made a round; anything else
  // stopped was not done, and a script must not take it for done.
  const bool watching = m_next > 0 && m_run.actions[m_next - 1].kind == Action::Kind::Watch;
  if (m_finished && !(watching && !m_firstRound)) {
    m_error(
        printablePath(m_name) + ": stopped before " +
        (m_next > 0 ? "\"" + m_run.actions[m_next - 1].name + "\" was done" : "its port was open"));
    m_outcome = std::max(m_outcome, Outcome::NotUnderstood);
  }
  finish();
}

void Projector::finish() {
  m_exchange.close();
  auto finished = std::exchange(m_finished, {});
  if (finished) finished(std::max(m_outcome, m_roundOutcome));
}

}  // namespace qd40::ctl
