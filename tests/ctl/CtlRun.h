#pragma once
// Runs the qd40ctl binary for a test, against the test playing a projector
// on a pseudo-terminal, or against a simulator.
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <map>
#include <string>

#include "PtyPair.h"

namespace qd40::test {

struct CtlRun {
  int exitCode = -1;
  std::string out, err;
  qint64 ms = 0;
};

void startCtl(QProcess& ctl, const QStringList& args,
              const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
CtlRun finish(QProcess& ctl, const QElapsedTimer& clock);

// Runs qd40ctl while the test plays the projector on `pty`: every line that
// comes gets the reply `replies` holds for it, or none, `lateBy` after the
// line. Everything the line carried ends up in `wire`.
CtlRun runAgainst(PtyPair& pty, const QStringList& args,
                  const std::map<std::string, std::string>& replies, std::string* wire = nullptr,
                  std::chrono::milliseconds lateBy = std::chrono::milliseconds(0));

CtlRun runCtl(const QStringList& args,
              const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// A simulated projector; its terminal's path once it runs.
std::string startSim(QProcess& sim, const QStringList& options = {});

inline QString q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace qd40::test
