// Feeds an arbitrary server stream, in arbitrary pieces, to the RFC 2217
// codec. It checks that decoding in pieces gives what decoding at once gives,
// that no stream gets more answers than its own length beyond the settings
// and the signature that go once, that line data escaped by the codec comes
// back unchanged, and that nothing crashes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/TelnetCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = 1 + data[0] % 16;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

  qd40::TelnetCodec whole, pieces;
  whole.start({});
  pieces.start({});
  const qd40::TelnetCodec::Decoded once = whole.decode(stream);
  std::string data2, reply;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    qd40::TelnetCodec::Decoded part = pieces.decode(stream.substr(at, piece));
    data2 += part.data;
    reply += part.reply;
  }
  if (data2 != once.data || reply != once.reply) std::abort();
  if (once.data.size() > stream.size()) std::abort();
  // The settings (seven commands) and the signature answer go once at most.
  constexpr std::size_t kOnce = 55 + 18;
  if (once.reply.size() > stream.size() + kOnce) std::abort();

  qd40::TelnetCodec fresh;
  if (fresh.decode(qd40::TelnetCodec::encodeData(stream)).data != stream) std::abort();
  return 0;
}
