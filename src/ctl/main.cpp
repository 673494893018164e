// qd40ctl: the projector from a shell. Its actions are still to come; until
// then it only says how it will be called, and fails as a bad usage does.
#include <cstdio>

int main() {
  std::fputs(
      "Usage: qd40ctl [--port PATH|URL]... [--speed 19200|9600] [--timeout MS] [--json] "
      "ACTION...\n",
      stderr);
  return 2;
}
