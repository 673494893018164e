// Decodes any reply after any line sent, with any prefix: the rendered reply is
// either arbitrary text or the rendering of arbitrary received bytes. The
// pressure reader sees the same text. Nothing may crash or overflow; the
// number read a piece at a time is the number read at once, and a plain
// number reads as the C library reads it.
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "protocol/Monitor.h"
#include "protocol/Pressure.h"
#include "protocol/StatusDecoder.h"
#include "protocol/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qd40::fuzz::FuzzInput in(data, size);
  const std::uint8_t shape = in.byte();
  qd40::Text sendLine = qd40::fromUtf8(in.piece(64));
  if (shape & 1) sendLine += qd40::kCR;
  const qd40::Text prefix = qd40::fromUtf8(in.piece(8));
  const std::string_view rest = in.rest();
  const std::string reply =
      (shape & 2) ? std::string(rest) : qd40::renderMonitor(qd40::fromBytes(rest));

  const qd40::StatusResult status = qd40::decodeStatus(sendLine, prefix, reply);
  static_cast<void>(status);
  const qd40::PressureReading pressure = qd40::convertPressure(reply);
  if (pressure.hpa) qd40::fuzz::require(pressure.raw.has_value());
  const double atOnce = qd40::readLeadingNumber(rest);
  qd40::LeadingNumber inPieces;
  for (std::size_t at = 0; at < rest.size(); at += 1 + shape % 7) {
    inPieces.feed(rest.substr(at, 1 + shape % 7));
  }
  const double pieces = inPieces.value();
  qd40::fuzz::require(pieces == atOnce || (pieces != pieces && atOnce != atOnce));
  // Digits, a point, an exponent and signs only: strtod reads these alike.
  if (!rest.empty() && rest.find_first_not_of("0123456789.eE+-") == std::string_view::npos) {
    const std::string plain(rest);
    qd40::fuzz::require(atOnce == std::strtod(plain.c_str(), nullptr));
  }
  return 0;
}
