#pragma once
// The one rendering of raw line bytes for a log, shared by the panel's
// session log and the simulator's: control characters by name (<CR>, <ACK>,
// <NAK>, ...), bytes that are not valid UTF-8 as <xNN>, valid UTF-8 text as
// it is. Printable text is wrapped in quotes, with " and \ escaped; bytes made
// only of control characters are shown bare, e.g. <ACK>.
#include <string>
#include <string_view>

namespace qd40 {

std::string renderBytes(std::string_view bytes);

}  // namespace qd40
