#pragma once
// Which device COM1 and COM2 stand for, and where each name came from. The
// program builds it from what it was given (its command line, the environment,
// the operator's saved choice) and hands it to the serial services, which read
// it at every open; the line itself looks nowhere else for a name, nor
// for anything else the environment holds. Names are kept as bytes: a device
// path need not be UTF-8.
#include <array>
#include <optional>
#include <string>

namespace qd40 {

// Where the device a port stands for was named, strongest first.
enum class PortSource { CommandLine, Environment, Saved, Default };

// Who reads what is said about a port: the panel's window, which keeps its
// ports COM1 and COM2 and tries them again, or a command that opens the
// port it was named once per run and gives up.
enum class PortUser { Panel, Command };

struct PortIdentity {
  int number;            // 1 or 2
  std::string device;    // the path or address the operator configured
  std::string variable;  // the setting that names it: --com<number> or QD40_COM<number>;
                         // empty for a device chosen in the window or the default
  PortUser user = PortUser::Panel;
};

// The names one port was given, each empty when not given.
struct PortCandidates {
  std::string commandLine;
  std::string environment;
  std::string saved;
};

struct PortChoice {
  std::string device;
  PortSource source = PortSource::Default;

  bool operator==(const PortChoice&) const = default;
};

// The built-in port COM<number> stands for when nothing names another:
// /dev/ttyS0 for COM1, /dev/ttyS1 for COM2.
std::string defaultDevice(int number);

// The device COM<number> stands for at start: the command line's, else the
// environment's, else the saved choice, else the default. An empty name
// counts as not given.
PortChoice resolvePort(int number, const PortCandidates& candidates);

class PortConfig final {
 public:
  // Both ports on their defaults.
  PortConfig() = default;
  PortConfig(PortCandidates com1, PortCandidates com2);

  // The option that names COM<number> on this program's command line, for
  // the messages that tell where to change it: --com<number> unless set.
  void setCommandLineOption(int number, std::string option);
  // The panel unless set.
  void setUser(PortUser user) { m_user = user; }

  // Only 1 and 2 have candidates; any other number stands for its default.
  PortChoice choice(int number) const;
  PortIdentity identity(int number) const;
  PortCandidates candidates(int number) const;

  // The operator chose `device` for COM<number> in the window, and it is saved:
  // it counts from now on in this run, over the command line and the
  // environment. An empty device forgets the choice, so the port stands for
  // what it would at the next start.
  void choose(int number, const std::string& device);

  // The program's folder for temporary files ($TMPDIR), where Qt SerialPort
  // puts a lock when no lock folder may be written; empty for the default
  // (see lockDirectories).
  const std::string& temporaryFolder() const { return m_temporaryFolder; }
  void setTemporaryFolder(std::string folder) { m_temporaryFolder = std::move(folder); }

 private:
  std::array<std::string, 2> m_options;
  PortUser m_user = PortUser::Panel;
  std::array<PortCandidates, 2> m_candidates;
  std::array<std::optional<std::string>, 2> m_chosen;
  std::string m_temporaryFolder;
};

}  // namespace qd40
