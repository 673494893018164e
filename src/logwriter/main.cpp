// qd40-log-writer: makes the session log's file calls for the panel, which
// started it with its end of a socket as standard input, so that a hung
// filesystem holds this process and not the panel. Ends when the panel's
// end closes.
#include <unistd.h>

#include "log/LogCalls.h"

int main() {
  // A descriptor the panel let through stays with the panel alone: a writer
  // that hangs holds no port or pipe of its.
  ::close_range(3, ~0U, 0);
  return qd40::LogCalls::serve(0);
}
