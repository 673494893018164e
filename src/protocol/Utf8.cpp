// UTF-8 checking, encoding and decoding. The check is Qt's, the one the
// serial library and the window also apply to the same bytes.
#include "protocol/Utf8.h"

#include <QByteArrayView>

namespace qd40 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The length a sequence would have by its lead byte; 0 for a byte that can
// lead none.
std::size_t leadLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8();
}

std::size_t utf8SequenceLength(std::string_view bytes, std::size_t pos) {
  if (pos >= bytes.size()) return 0;
  const std::size_t length = leadLength(static_cast<unsigned char>(bytes[pos]));
  if (length == 0 || bytes.size() - pos < length) return 0;
  return isValidUtf8(bytes.substr(pos, length)) ? length : 0;
}

std::string toUtf8(const Text& text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

Text fromUtf8(std::string_view utf8) {
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  Text out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length = utf8SequenceLength(utf8, i);
    if (length == 0) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t c = static_cast<unsigned char>(utf8[i]) & kLeadBits[length];
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (utf8[i + k] & 0x3F);
    out.push_back(c);
    i += length;
  }
  return out;
}

}  // namespace qd40
