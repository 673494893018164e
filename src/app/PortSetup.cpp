// The panel's port configuration from its command line.
#include "app/PortSetup.h"

namespace qd40 {

PortSetup loadPortSetup(const CommandLineOptions& options, SavedPorts saved) {
  return loadPortSetup(options.com1, options.com2, std::move(saved));
}

}  // namespace qd40
