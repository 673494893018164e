#pragma once
// Line settings in the panel's text form, "19200,N,8,1": speed, parity
// letter, data bits, stop bits. Parsing only; applying them is each serial
// service's business.
#include <optional>
#include <string_view>

namespace qd40 {

enum class Parity : char { None = 'N', Even = 'E', Odd = 'O' };

struct LineSettings {
  int baud = 19200;
  Parity parity = Parity::None;
  int dataBits = 8;
  int stopBits = 1;
};

// Nothing for a text that is not four comma-separated fields with a positive
// speed, N, E or O, 5 to 8 data bits and 1 or 2 stop bits.
std::optional<LineSettings> parseLineSettings(std::string_view text);

}  // namespace qd40
