// The test's side of a qd40ctl run.
#include "CtlRun.h"

#include <gtest/gtest.h>

#include <deque>

namespace qd40::test {

using std::chrono::milliseconds;

// Longer than any run of qd40ctl a test makes.
constexpr milliseconds kRunDeadline(60000);

void startCtl(QProcess& ctl, const QStringList& args, const QProcessEnvironment& env) {
  ctl.setProcessEnvironment(env);
  ctl.start(QD40_CTL_PATH, args);
  ctl.waitForStarted(5000);
}

CtlRun finish(QProcess& ctl, const QElapsedTimer& clock) {
  if (!waitUntil([&] { return ctl.state() == QProcess::NotRunning; }, kRunDeadline)) {
    ADD_FAILURE() << "qd40ctl still runs after " << kRunDeadline.count() << " ms";
    ctl.kill();
    ctl.waitForFinished(5000);
  }
  return {ctl.exitCode(), ctl.readAllStandardOutput().toStdString(),
          ctl.readAllStandardError().toStdString(), clock.elapsed()};
}

CtlRun runAgainst(PtyPair& pty, const QStringList& args,
                  const std::map<std::string, std::string>& replies, std::string* wire,
                  milliseconds lateBy) {
  QProcess ctl;
  QElapsedTimer clock;
  clock.start();
  startCtl(ctl, args);
  std::string pending;
  // Replies not yet due, with the time they are.
  std::deque<std::pair<qint64, std::string>> due;
  // The run ends by itself, or at the deadline finish() keeps as well.
  while (ctl.state() != QProcess::NotRunning && clock.elapsed() < kRunDeadline.count()) {
    const std::string got = pty.read(1, milliseconds(5));
    if (wire) *wire += got;
    pending += got;
    for (std::size_t end; (end = pending.find('\r')) != std::string::npos;) {
      const auto reply = replies.find(pending.substr(0, end));
      if (reply != replies.end()) due.emplace_back(clock.elapsed() + lateBy.count(), reply->second);
      pending.erase(0, end + 1);
    }
    while (!due.empty() && due.front().first <= clock.elapsed()) {
      pty.write(due.front().second);
      due.pop_front();
    }
  }
  return finish(ctl, clock);
}

CtlRun runCtl(const QStringList& args, const QProcessEnvironment& env) {
  QProcess ctl;
  QElapsedTimer clock;
  clock.start();
  startCtl(ctl, args, env);
  return finish(ctl, clock);
}

std::string startSim(QProcess& sim, const QStringList& options) {
  sim.start(QD40_SIM_PATH, options);
  if (!sim.waitForStarted(5000) ||
      !waitUntil([&] { return sim.canReadLine(); }, milliseconds(5000))) {
    return {};
  }
  return sim.readLine().trimmed().toStdString();
}

}  // namespace qd40::test
