// Entry point of qd40-sim: parses options, opens the pseudo-terminal, announces its path and
// hands over to the Simulator loop. Stop signals are turned into a byte on a pipe so the loop
// can notice them in poll() and clean up (the link in particular) before exiting.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "PseudoTerminal.h"
#include "SimOptions.h"
#include "Simulator.h"
#include "SlaveLink.h"
#include "Version.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int stopPipeWriteFd = -1;

void onStopSignal(int signal) {
  const int savedErrno = errno;
  const auto byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t ignored = ::write(stopPipeWriteFd, &byte, 1);
  errno = savedErrno;
}

bool installSignalHandlers(qd40::pty::UniqueFd& readEnd, qd40::pty::UniqueFd& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  readEnd = qd40::pty::UniqueFd(fds[0]);
  writeEnd = qd40::pty::UniqueFd(fds[1]);
  stopPipeWriteFd = fds[1];

  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    if (::sigaction(signal, &action, nullptr) != 0) return false;
  }
  // A closed log reader must not kill the simulator; failed log writes are simply lost.
  action.sa_handler = SIG_IGN;
  return ::sigaction(SIGPIPE, &action, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const qd40sim::ParseResult parsed = qd40sim::parseOptions(args);
  if (!parsed.options) {
    std::fprintf(stderr, "qd40-sim: %s\nTry 'qd40-sim --help' for the options.\n",
                 parsed.error.c_str());
    return kExitUsage;
  }
  const qd40sim::SimOptions& options = *parsed.options;
  if (options.showHelp) {
    std::fputs(qd40sim::usageText().c_str(), stdout);
    return 0;
  }
  if (options.showVersion) {
    std::printf("qd40-sim %.*s\n", static_cast<int>(qd40::kVersion.size()), qd40::kVersion.data());
    return 0;
  }

  qd40::pty::UniqueFd stopRead;
  qd40::pty::UniqueFd stopWrite;
  if (!installSignalHandlers(stopRead, stopWrite)) {
    std::perror("qd40-sim: signal set-up");
    return kExitFailure;
  }

  std::optional<qd40::pty::PseudoTerminal> pty;
  try {
    pty.emplace(qd40::pty::PseudoTerminal::SlaveEnd::Keep);
  } catch (const std::system_error& failure) {
    std::fprintf(stderr, "qd40-sim: %s\n", failure.what());
    return kExitFailure;
  }
  std::string error;
  const std::optional<qd40sim::SlaveLink> link =
      options.linkPath ? qd40sim::SlaveLink::create(*options.linkPath, pty->slavePath(), error)
                       : std::nullopt;
  if (options.linkPath && !link) {
    std::fprintf(stderr, "qd40-sim: %s\n", error.c_str());
    return kExitFailure;
  }

  std::printf("%s\n", pty->slavePath().c_str());
  std::fflush(stdout);

  qd40sim::Simulator simulator(options, pty->master(), stopRead.get());
  return simulator.run();
}
