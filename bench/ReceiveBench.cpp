// Figures for the receive path: how long the form takes per received piece
// as a chattering line fills the buffer to its limit and beyond, and how fast
// the monitor renders. It prints numbers; it asserts nothing.
#include <chrono>
#include <cstdio>

#include "FormHarness.h"
#include "protocol/Monitor.h"
#include "protocol/StatusDecoder.h"

namespace {

using Clock = std::chrono::steady_clock;

double microsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void receivePieces(const char* title, std::size_t pieceSize, int pieces, const char* query) {
  qd40::test::FormHarness h;
  h.window.setCaption(qd40::Control::FreeEntry, query);
  h.form.sendTyped();
  const std::string piece(pieceSize, '5');
  const auto start = Clock::now();
  for (int i = 0; i < pieces; ++i) h.serial.receive(piece);
  const double total = microsSince(start);
  std::printf("%-44s %8d pieces of %5zu  %9.2f us/piece  buffer %zu chars\n", title, pieces,
              pieceSize, total / pieces, h.form.state().rxBuffer.chars().size());
}

}  // namespace

int main() {
  receivePieces("flood, no query (plain send)", 16, 20000, "C00");
  receivePieces("flood, raw reply query", 16, 20000, "CR9");
  receivePieces("flood, pressure query", 16, 20000, "CR PRESSURE");
  receivePieces("single characters into a full buffer", 1, 50000, "CR6");

  const qd40::Text line(qd40::RxBuffer::kMaxChars, U'A');
  const auto start = Clock::now();
  constexpr int kRounds = 200;
  std::size_t size = 0;
  for (int i = 0; i < kRounds; ++i) size += qd40::renderMonitor(line).size();
  std::printf("%-44s %8d chars  %9.2f us/render  (%zu)\n", "render a full buffer",
              static_cast<int>(line.size()), microsSince(start) / kRounds, size / kRounds);
  return 0;
}
