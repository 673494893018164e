// qd40-log-writer: makes the session log's file calls for the panel, which
// started it with its end of a socket as standard input, so that a hung
// filesystem holds this process and not the panel. Ends when the panel's
// end closes.
#include "serial/LogCalls.h"

int main() {
  return qd40::LogCalls::serve(0);
}
