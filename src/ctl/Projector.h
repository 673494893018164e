#pragma once
// One projector of a run: its port opened once, then the actions one after
// the other on it, each reported as it ends. A watch repeats the status
// reads until the run is stopped. The outcome says how the projector did,
// for the program's exit status. Printing is left to the reports' receiver.
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ctl/Actions.h"
#include "ctl/Exchange.h"
#include "ctl/Output.h"
#include "protocol/ReplyWindows.h"

namespace qd40::ctl {

// Worst last: the program exits with the worst of its projectors.
enum class Outcome { Answered = 0, NotUnderstood = 1, CannotOpen = 3, Held = 4 };

struct RunSettings {
  std::string settings;          // "19200,N,8,1" or "9600,N,8,1"
  std::optional<int> timeoutMs;  // every reply window, instead of the panel's
  std::vector<Action> actions;
};

class Projector final : public QObject {
  Q_OBJECT

 public:
  using ReportSink = std::function<void(const Report&)>;
  using ErrorSink = std::function<void(const std::string&)>;

  // `name` is the port as the operator gave it; COM1 of `ports` stands for it.
  Projector(std::string name, PortConfig ports, const RunSettings& run, ReportSink report,
            ErrorSink error, QObject* parent = nullptr);

  void start(std::function<void(Outcome)> finished);
  // Ends a watch (or anything under way) now; the outcome is that of what
  // was finished.
  void stop();

 private:
  void opened(const PortStatus& status);
  void runAction();
  void runStep(Step step, std::function<void(const LineResult&)> then);
  void runStatus(std::function<void(std::vector<ValueReport>)> then);
  void readNext(std::shared_ptr<std::vector<ValueReport>> values, std::size_t next,
                std::function<void(std::vector<ValueReport>)> then);
  void watchRound();
  void actionDone(Report report);
  void finish();

  std::string m_name;
  const RunSettings& m_run;
  ReportSink m_report;
  ErrorSink m_error;
  Exchange m_exchange;
  ReplyWindows m_windows;
  std::size_t m_next = 0;
  Outcome m_outcome = Outcome::Answered;
  Outcome m_roundOutcome = Outcome::Answered;
  QTimer m_nextRound;
  std::map<std::string_view, std::string> m_lastSeen;
  bool m_firstRound = true;
  std::function<void(Outcome)> m_finished;
};

}  // namespace qd40::ctl
