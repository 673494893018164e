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

}  // namespace qd40
