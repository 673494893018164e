// Renders raw line bytes for the session log and the simulator's log.
#include "protocol/LogText.h"

#include <array>
#include <cstdio>

#include "protocol/Utf8.h"

namespace qd40 {
namespace {

constexpr std::array<std::string_view, 32> kControlNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

std::string hexTag(std::string_view prefix, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "<%.*s%02X>", static_cast<int>(prefix.size()), prefix.data(),
                value);
  return text;
}

}  // namespace

std::string renderBytes(std::string_view bytes) {
  std::string out;
  bool anyText = false;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[pos]);
    if (c < kControlNames.size()) {
      out += '<';
      out += kControlNames[c];
      out += '>';
      ++pos;
    } else if (c == 0x7F) {
      out += "<DEL>";
      ++pos;
    } else if (c < 0x80) {
      if (c == '"' || c == '\\') out += '\\';
      out += static_cast<char>(c);
      anyText = true;
      ++pos;
    } else if (const std::size_t length = utf8SequenceLength(bytes, pos); length == 0) {
      out += hexTag("x", c);
      anyText = true;
      ++pos;
    } else if (c == 0xC2 && static_cast<unsigned char>(bytes[pos + 1]) < 0xA0) {
      // C1 control characters are valid UTF-8 but would be invisible or act on a terminal.
      out += hexTag("U+00", static_cast<unsigned char>(bytes[pos + 1]));
      pos += length;
    } else {
      out.append(bytes.substr(pos, length));
      anyText = true;
      pos += length;
    }
  }
  if (anyText || bytes.empty()) return '"' + out + '"';
  return out;
}

}  // namespace qd40
