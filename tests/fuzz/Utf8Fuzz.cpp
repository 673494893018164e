// Sends arbitrary typed text through the free entry and checks the UTF-8 path:
// the wire gets the text re-encoded (one U+FFFD per bad byte) and a CR, the TXD
// line shows one token per character, and decoding what was sent gives back
// the same characters. Also encodes arbitrary code points and decodes them.
#include <cstring>
#include <string>

#include "FormHarness.h"
#include "FuzzInput.h"
#include "protocol/Monitor.h"
#include "protocol/Utf8.h"

namespace {

using qd40::fuzz::require;

constexpr char32_t kReplacement = 0xFFFD;

bool isScalarValue(char32_t c) {
  return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string typed(reinterpret_cast<const char*>(data), size);

  const qd40::Text chars = qd40::fromUtf8(typed);
  const std::string encoded = qd40::toUtf8(chars);
  require(chars.size() <= typed.size());
  require(qd40::fromUtf8(encoded) == chars);
  // Well-formed input passes unchanged.
  if (chars.find(kReplacement) == qd40::Text::npos) require(encoded == typed);

  qd40::test::FormHarness h;
  h.window.setCaption(qd40::Control::FreeEntry, typed);
  h.click("Command95");
  const auto writes = h.takeWrites();
  require(writes.size() == 1 && writes.front().bytes == encoded + '\r');
  require(h.caption(qd40::Control::TxMonitor) == qd40::renderMonitor(chars + qd40::kCR));

  // The same bytes read as code points, four at a time.
  qd40::Text points;
  for (std::size_t at = 0; at + 4 <= size; at += 4) {
    char32_t c = 0;
    std::memcpy(&c, data + at, 4);
    points.push_back(c);
  }
  const qd40::Text back = qd40::fromUtf8(qd40::toUtf8(points));
  require(back.size() == points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    require(back[i] == (isScalarValue(points[i]) ? points[i] : kReplacement));
  }
  return 0;
}
