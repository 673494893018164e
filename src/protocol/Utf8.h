#pragma once
// UTF-8 conversion for typed lines: the box hands us UTF-8, the wire gets UTF-8,
// the monitor counts characters.
#include <string>
#include <string_view>

#include "protocol/Text.h"

namespace qd40 {

std::string toUtf8(const Text& text);
// Malformed sequences become U+FFFD, one per bad byte, so nothing is dropped.
Text fromUtf8(std::string_view utf8);

}  // namespace qd40
