#pragma once
// The panel's command line: the options it takes and what each asks for, and
// the text to print for --help, --version or a mistake. It opens nothing and
// shows nothing, so main() can act on it before any window or port exists.
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

namespace qd40 {

inline constexpr int kExitUsage = 2;

// What the operator asked for; an option left out is empty.
struct CommandLineOptions {
  std::optional<std::string> com1;  // --com1 PATH: the device COM1 stands for
  std::optional<std::string> com2;  // --com2 PATH: the device COM2 stands for
  std::optional<std::string> log;   // --log FILE: the session log to append to
  // --log-max SIZE: the size at which the session log is rotated
  std::optional<std::uint64_t> logMax;
};

struct CommandLine {
  enum class Outcome { Run, Exit };
  Outcome outcome = Outcome::Run;
  int exitCode = 0;
  std::string out;  // for stdout: the help or the version
  std::string err;  // for stderr: what was wrong, then the usage
  CommandLineOptions options;
};

// `arguments` starts with the program's name, as argv does.
CommandLine parseCommandLine(const QStringList& arguments);

// argv as text, decoded the way file names are, without an application object.
QStringList argumentList(int argc, char** argv);

}  // namespace qd40
