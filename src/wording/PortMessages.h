#pragma once
// The words for everything that goes wrong with a serial device, for both
// programs: which port, what is wrong and, where there is one that works,
// the fix. Each message is built here from what the diagnosis or the line
// check found.
#include <string>
#include <vector>

#include "config/PortConfig.h"
#include "doctor/LineCheck.h"
#include "doctor/PortDiagnostics.h"
#include "doctor/ProcessScan.h"
#include "protocol/LogText.h"

namespace qd40 {

// How messages name the port: "COM1 (/dev/ttyUSB0)".
std::string portName(const PortIdentity& port);

// "name (process 1234 of user alice)".
std::string holderText(const Process& process);

// The advice that ends a message about a port whose device is wrong: the
// sentence `throughSetting` where the operator named the device with a
// setting (the command line, the environment), which is where they change it;
// else the way to the panel's device chooser.
std::string otherDeviceAdvice(const PortIdentity& port, const std::string& throughSetting);

std::string describeOpenFailure(const PortIdentity& port, const Diagnosis& diagnosis);

std::string describeLostPort(const PortIdentity& port, LineState state, const std::string& node);

// Other programs that have the open port open too, and may read the replies
// before this one does; empty when none was seen and none could be hidden.
std::string describeOtherReaders(const PortIdentity& port, const std::vector<Process>& readers,
                                 bool sawAllProcesses);

}  // namespace qd40
