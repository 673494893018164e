#pragma once
// UTF-8 for every place that meets it: typed lines (the box hands us UTF-8,
// the wire gets UTF-8, the monitor counts characters), device paths and the
// log's rendering of line bytes. One check decides what is well-formed, so no
// two places disagree about surrogates or overlong forms.
#include <string>
#include <string_view>

#include "protocol/Text.h"

namespace qd40 {

// Whether all of `bytes` is well-formed UTF-8: no overlong form, no
// surrogate, nothing above U+10FFFF, no sequence cut short.
bool isValidUtf8(std::string_view bytes);
// The length of the well-formed sequence that starts at `pos`, or 0 when the
// byte there starts none.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t pos);

std::string toUtf8(const Text& text);
// Malformed sequences become U+FFFD, one per bad byte, so nothing is dropped.
Text fromUtf8(std::string_view utf8);

}  // namespace qd40
