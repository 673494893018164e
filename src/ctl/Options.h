#pragma once
// qd40ctl's command line: the ports, the line's speed, the reply window, the
// output form and the actions, and the texts for --help, --version, --list
// and a mistake. It opens no port, so main() acts on it before anything else.
#include <optional>
#include <string>
#include <vector>

#include "ctl/Actions.h"

namespace qd40::ctl {

inline constexpr int kExitUsage = 2;

struct Options {
  std::vector<std::string> ports;  // as given; empty for the panel's COM1
  std::string settings = "19200,N,8,1";
  std::optional<int> timeoutMs;
  bool json = false;
  std::vector<Action> actions;
};

struct CommandLine {
  enum class Outcome { Run, Exit };
  Outcome outcome = Outcome::Run;
  int exitCode = 0;
  std::string out;  // for stdout: the help, the version or the list
  std::string err;  // for stderr: what was wrong, or warnings about a run
  Options options;
};

// `arguments` starts with the program's name, as argv does; paths are kept
// byte for byte.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// A port as the operator named it, and where: "--port", or a ports file's
// line ("/etc/qd40/projectors line 3").
struct NamedPort {
  std::string name;
  std::string origin;
};

// A line of a ports or projectors file without its comment: from a '#' at
// the start of the line or after a blank, to the line's end.
std::string withoutComment(const std::string& line);

// The ports a --ports file names: one per line, blanks around a name and a
// comment ('#' at the start of the line or after a blank, to the line's end)
// left out. Nothing and `error` set when it cannot be read.
std::optional<std::vector<NamedPort>> readPortsFile(const std::string& file, std::string& error);

// What standard error says when nothing named the port and the run goes to
// the built-in device: which, and why. `savedFile` is the saved choice's
// file when it can be read, else empty; `homeKnown` whether HOME or
// XDG_CONFIG_HOME is set, without which no saved choice can be found.
std::string defaultPortNotice(const std::string& device, const std::string& savedFile,
                              bool homeKnown);

}  // namespace qd40::ctl
