#pragma once
// Where the panel finds the devices its ports stand for: its command line
// first, then what both programs share (the environment, the saved choice;
// see config/SavedPorts.h). It opens no port.
#include "app/CommandLine.h"
#include "config/SavedPorts.h"

namespace qd40 {

// The configuration at start: --com1 and --com2, then QD40_COM1 and
// QD40_COM2, then what `saved` holds, then /dev/ttyS0 and /dev/ttyS1.
PortSetup loadPortSetup(const CommandLineOptions& options, SavedPorts saved = SavedPorts());

}  // namespace qd40
