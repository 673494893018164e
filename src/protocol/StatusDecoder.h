#pragma once
// Status decoding: which query the last line sent was, and what the rendered
// reply says in plain words. It does not read the port or touch any label.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/Text.h"

namespace qd40 {

struct StatusResult {
  std::optional<std::string> text;            // new caption of the status label
  std::optional<std::int16_t> pressureValue;  // new value of the pressure reading
};

// sendLine: the last line sent; prefix: the command prefix; reply: the rendered
// reply (as shown in the RXD monitor). Returns nothing to change when the line
// was no status query or the reply matches no row.
StatusResult decodeStatus(const Text& sendLine, const Text& prefix, std::string_view reply);

// How the status after a line follows from its reply: from a few leading
// positions, or from the whole of it (the reply itself, or its leading number
// however long). Whoever follows a reply that grows a delivery at a time can
// keep the last two in step with it instead of going over all of it again.
enum class ReplyStatus { None, LeadingPositions, WholeReply, PressureNumber };
ReplyStatus replyStatus(const Text& sendLine, const Text& prefix);

// The status of a pressure reply whose leading number is `reading`.
StatusResult pressureStatus(double reading);

}  // namespace qd40
