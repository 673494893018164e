#pragma once
// Plain TCP sockets on 127.0.0.1 for the network tests and the benchmark.

namespace qd40::test {

// A socket listening on 127.0.0.1 at a port the system chooses, which is put
// in `port`; what it accepts gets a receive buffer of `receiveBuffer` bytes
// (0: the system's). -1 when none could be made.
int listenOnLoopback(int backlog, int& port, int receiveBuffer = 0);
// A socket connected to 127.0.0.1:`port`, or -1.
int connectToLoopback(int port);

}  // namespace qd40::test
