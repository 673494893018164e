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

char32_t codePoint(std::string_view sequence) {
  static constexpr std::array<unsigned char, 5> kLeadMask = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t value = static_cast<unsigned char>(sequence[0]) & kLeadMask[sequence.size()];
  for (std::size_t i = 1; i < sequence.size(); ++i) {
    value = (value << 6) | (static_cast<unsigned char>(sequence[i]) & 0x3F);
  }
  return value;
}

// Valid characters that are still not shown as they are: the C1 controls
// would act on a terminal; the bidirectional controls reorder the text around
// them on screen, so "C00" could read as "00C"; the line and paragraph
// separators break a line in editors that honour them.
bool mustBeNamed(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string hexName(const char* format, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

enum class Quoting { TextInQuotes, Plain };

std::string render(std::string_view bytes, Quoting quoting) {
  const bool quoted = quoting == Quoting::TextInQuotes;
  std::string out;
  bool inQuotes = false;
  const auto name = [&](std::string_view token) {
    if (inQuotes) out += '"';
    inQuotes = false;
    out += token;
  };
  const auto text = [&](std::string_view run) {
    if (quoted && !inQuotes) out += '"';
    inQuotes = quoted;
    out += run;
  };
  for (std::size_t pos = 0; pos < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[pos]);
    std::size_t length = 1;
    if (c < kControlNames.size()) {
      name('<' + std::string(kControlNames[c]) + '>');
    } else if (c == 0x7F) {
      name("<DEL>");
    } else if (c < 0x80) {
      if (quoted && (c == '"' || c == '\\')) {
        text("\\");
        out += static_cast<char>(c);
      } else {
        text(bytes.substr(pos, 1));
      }
    } else if (length = utf8SequenceLength(bytes, pos); length == 0) {
      length = 1;
      name(hexName("<x%02X>", c));
    } else if (const char32_t point = codePoint(bytes.substr(pos, length)); mustBeNamed(point)) {
      name(hexName("<U+%04X>", point));
    } else {
      text(bytes.substr(pos, length));
    }
    pos += length;
  }
  if (inQuotes) out += '"';
  // Nothing at all still shows, as an empty text.
  if (quoted && bytes.empty()) out = "\"\"";
  return out;
}

}  // namespace

std::string renderBytes(std::string_view bytes) {
  return render(bytes, Quoting::TextInQuotes);
}

std::string renderText(std::string_view text) {
  return render(text, Quoting::Plain);
}

std::string printablePath(std::string_view path) {
  return renderText(path);
}

}  // namespace qd40
