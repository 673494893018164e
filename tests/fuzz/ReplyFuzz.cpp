// Feeds arbitrary replies, in arbitrary pieces, to the receive buffer and the
// status decoding after every query the decoding knows. It checks that the
// incremental rendering always equals a fresh one and that nothing crashes.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "protocol/Monitor.h"
#include "protocol/StatusDecoder.h"

namespace {

constexpr std::array<std::u32string_view, 10> kLines = {
    U"CR0\r", U"CR1\r", U"CR3\r", U"CR4\r", U"CR6\r",
    U"CR7\r", U"CR9\r", U"CRA\r", U"CR PRESSURE\r", U"C00\r"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const qd40::Text sendLine(kLines[data[0] % kLines.size()]);
  const std::size_t piece = 1 + data[1] % 16;
  const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);
  qd40::RxBuffer buffer;
  for (std::size_t at = 0; at < reply.size(); at += piece) {
    buffer.append(reply.substr(at, piece));
    if (buffer.rendered() != qd40::renderMonitor(buffer.chars())) std::abort();
    qd40::decodeStatus(sendLine, {}, buffer.rendered());
  }
  return 0;
}
