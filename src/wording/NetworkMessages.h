#pragma once
// What goes wrong with a port on the network, worded for the operator: each
// message starts with the port's name ("COM1 (socket://...)").
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/NetworkPort.h"
#include "wording/PortMessages.h"

namespace qd40 {

std::string describeBadAddress(const PortIdentity& port);
std::string describeConnectFailure(const PortIdentity& port, const NetworkAddress& address,
                                   ConnectFailure failure, const std::string& detail);
std::string describeStillConnecting(const PortIdentity& port, const NetworkAddress& address);
std::string describeConnectionLost(const PortIdentity& port, const NetworkAddress& address,
                                   const std::string& detail);
// A failure to connect, said while the panel goes on trying.
std::string describeRetrying(const PortIdentity& port, const std::string& failure);
std::string describeSendWaitOver(const PortIdentity& port, const NetworkAddress& address);
std::string describeStuck(const PortIdentity& port, const NetworkAddress& address);
std::string describeInUse(const PortIdentity& port);
std::string describeNoNegotiation(const PortIdentity& port, const NetworkAddress& address);
std::string describeTelnetOnRawPort(const PortIdentity& port, const NetworkAddress& address);
std::string describeNoSpeedChange(const PortIdentity& port, const NetworkAddress& address);
// A Telnet subnegotiation that ran past its length or did not end in time:
// `dropped` is what was kept of it after IAC SB, `count` its bytes in all.
std::string describeBrokenSubnegotiation(const PortIdentity& port, std::string_view dropped,
                                         std::size_t count);
// A line as the operator knows it: "C00" for "C00\r".
std::string lineName(std::string_view bytes);
// Lines named in a report: "C00, CR0", or the first few and how many more.
std::string joinNames(const std::vector<std::string>& names);
// `failure` with the lines that were dropped ("C00, CR0") named.
std::string describeDropped(const std::string& failure, const std::string& lines,
                            Delivery delivery);

}  // namespace qd40
