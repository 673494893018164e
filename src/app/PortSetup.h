#pragma once
// Where the panel finds the devices its ports stand for: the command line,
// the environment (QD40_COM1, QD40_COM2) and the choice the operator saved in
// the window, kept in a settings file under the XDG config folder. This reads
// and writes that file and builds the port configuration at start; it opens no
// port.
#include <QString>
#include <string>

#include "app/CommandLine.h"
#include "serial/PortConfig.h"

namespace qd40 {

// The operator's saved device choices: an INI file with a [ports] group of
// com1= and com2= entries.
class SavedPorts final {
 public:
  explicit SavedPorts(QString file = defaultFile());

  // $XDG_CONFIG_HOME/qd40/qd40-control.conf, or ~/.config/qd40/... when the
  // variable is unset.
  static QString defaultFile();
  const QString& file() const { return m_file; }

  // The saved device of COM<number> as the bytes it was saved with; empty when
  // none is saved or the file cannot be read.
  std::string device(int number) const;
  // Saves `device` for COM<number>; an empty device removes the entry. Returns
  // why it could not be written, or an empty string.
  QString save(int number, const std::string& device) const;

 private:
  QString m_file;
};

struct PortSetup {
  PortConfig config;
  SavedPorts saved;
};

// The configuration at start, by the order of precedence: the options given
// on the command line, then QD40_COM1 and QD40_COM2, then what `saved` holds,
// then /dev/ttyS0 and /dev/ttyS1.
PortSetup loadPortSetup(const CommandLineOptions& options, SavedPorts saved = SavedPorts());

}  // namespace qd40
