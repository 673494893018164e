// Entry point of qd40-sim: parses options, opens the pseudo-terminal, announces its path and
// hands over to the Simulator loop. Stop signals come as a byte on the toolkit's signal pipe, so
// the loop notices them in poll() and cleans up (the link in particular) before exiting.
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
#include "toolkit/SignalPipe.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// A closed log reader must not kill the simulator; failed log writes are simply lost.
bool ignoreBrokenPipes() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
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

  const qd40::SignalPipe stop;
  if (stop.readEnd() < 0 || !ignoreBrokenPipes()) {
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

  qd40sim::Simulator simulator(options, pty->master(), stop.readEnd());
  return simulator.run();
}
