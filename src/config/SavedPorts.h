#pragma once
// Where both programs find the devices the panel's ports stand for, short of
// a command line: the environment (QD40_COM1, QD40_COM2) and the choice the
// operator saved in the panel's window, kept in a settings file under the XDG
// config folder. This reads and writes that file and builds the port
// configuration the serial services are given; it opens no port.
#include <QString>
#include <optional>
#include <string>

#include "config/PortConfig.h"

namespace qd40 {

// The operator's saved device choices: an INI file with a [ports] group of
// com1= and com2= entries.
class SavedPorts final {
 public:
  explicit SavedPorts(QString file = defaultFile());

  // $XDG_CONFIG_HOME/qd40/qd40-control.conf, or ~/.config/qd40/... when the
  // variable is unset or not an absolute path; the home folder is $HOME, or
  // the user database's where HOME is unset.
  static QString defaultFile();
  const QString& file() const { return m_file; }

  // The saved device of COM<number> as the bytes it was saved with; empty when
  // none is saved or the file cannot be read.
  std::string device(int number) const;
  // Saves `device` for COM<number>; an empty device removes the entry. Every
  // other line of the file stays as it was. Returns why it could not be
  // saved, or an empty string; a file that problem() speaks of is left as
  // it is.
  QString save(int number, const std::string& device) const;
  // Why the file is not used: too large to be read, not a settings file, or
  // unreadable; empty when it is fine or does not exist yet.
  QString problem() const;

 private:
  QString m_file;
};

struct PortSetup {
  PortConfig config;
  SavedPorts saved;
};

// The names COM<number> was given: `commandLine` (empty for none), then the
// environment's QD40_COM<number>, then what `saved` holds.
PortCandidates portCandidates(int number, const std::optional<std::string>& commandLine,
                              const SavedPorts& saved);

// The configuration at start, by the order of precedence: the names given on
// the command line, then QD40_COM1 and QD40_COM2, then what `saved` holds,
// then /dev/ttyS0 and /dev/ttyS1. The serial services also learn the
// program's temporary folder from it.
PortSetup loadPortSetup(const std::optional<std::string>& com1,
                        const std::optional<std::string>& com2, SavedPorts saved = SavedPorts());

// The device COM<number> stands for in a program given no name for it on its
// command line: QD40_COM<number>, then what `saved` holds, then the default.
// It is what the panel opens when started without --com<number>.
PortChoice configuredPort(int number, const SavedPorts& saved = SavedPorts());

// The temporary folder as the environment names it ($TMPDIR, else /tmp),
// for a configuration a program builds itself.
std::string temporaryFolder();

}  // namespace qd40
