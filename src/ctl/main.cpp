// qd40ctl: the projector's command codes from a shell, a script or cron, on
// the panel's own protocol and serial code, without a window.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <optional>

#include "bus/Bridge.h"
#include "config/SavedPorts.h"
#include "config/Translations.h"
#include "ctl/Fleet.h"
#include "ctl/Options.h"
#include "protocol/LocaleText.h"
#include "toolkit/SignalWatcher.h"

namespace {

// A port opened while standard output is closed would take its number, and
// the results would be written to the projector. Returns whether it was.
bool standardOutputWasClosed() {
  bool closed = false;
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    const int null = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null != fd && null >= 0) close(null);
    closed = closed || fd == STDOUT_FILENO;
  }
  return closed;
}

// The ports of the run: those named, or the panel's COM1 as the panel would
// find it without a command line.
std::vector<qd40::ctl::FleetPort> fleetPorts(const qd40::ctl::Options& options) {
  std::vector<qd40::ctl::FleetPort> ports;
  if (options.ports.empty()) {
    qd40::PortSetup setup = qd40::loadPortSetup(std::nullopt, std::nullopt);
    qd40::PortConfig panel = std::move(setup.config);
    panel.setUser(qd40::PortUser::Command);
    if (panel.choice(1).source == qd40::PortSource::Default) {
      const QFileInfo saved(setup.saved.file());
      std::fputs(qd40::forTerminal(qd40::ctl::defaultPortNotice(
                                       panel.choice(1).device,
                                       saved.isReadable() ? saved.filePath().toStdString() : "",
                                       !qEnvironmentVariableIsEmpty("HOME") ||
                                           !qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")))
                     .c_str(),
                 stderr);
    }
    ports.push_back({panel.choice(1).device, std::move(panel)});
    return ports;
  }
  for (const std::string& name : options.ports) {
    qd40::PortConfig config({name, "", ""}, {});
    config.setCommandLineOption(1, "--port");
    config.setTemporaryFolder(qd40::temporaryFolder());
    config.setUser(qd40::PortUser::Command);
    ports.push_back({name, std::move(config)});
  }
  return ports;
}

}  // namespace

int main(int argc, char** argv) {
  const bool outputClosed = standardOutputWasClosed();
  // A reader that goes away is a write error to report, not a death that
  // leaves the port's lock behind.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> arguments(argv, argv + argc);
  if (arguments.size() > 1 && arguments[1] == "mqtt") {
    int qtArgc = 1;
    return qd40::bus::runBridge(qtArgc, argv, {arguments.begin() + 2, arguments.end()});
  }
  const qd40::ctl::CommandLine line = qd40::ctl::parseCommandLine(arguments);
  std::fputs(qd40::forTerminal(line.out).c_str(), stdout);
  std::fputs(qd40::forTerminal(line.err).c_str(), stderr);
  if (line.outcome == qd40::ctl::CommandLine::Outcome::Exit) return line.exitCode;

  int qtArgc = 1;
  QCoreApplication app(qtArgc, argv);
  app.setApplicationName("qd40ctl");
  // The port messages on standard error in the operator's language; the
  // output's own words stay English for the scripts that read them.
  const qd40::Translations translations;
  qd40::ctl::RunSettings run{line.options.settings, line.options.timeoutMs, line.options.actions};
  qd40::ctl::Fleet fleet(fleetPorts(line.options), std::move(run), line.options.json);
  if (outputClosed) fleet.outputClosed();
  // Ctrl-C, a shutdown or a logout end a watch with the ports closed and
  // their locks removed.
  qd40::SignalWatcher watcher([&fleet] { fleet.stop(); });
  std::optional<int> status;
  fleet.start([&status](int exitStatus) {
    status = exitStatus;
    QCoreApplication::exit(exitStatus);
  });
  // Every projector may be done before the loop runs, when no port opened.
  if (status) return *status;
  return app.exec();
}
