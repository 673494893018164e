#pragma once
// The bridge's one door into qd40ctl: the actions it may send, the status
// reads a poll makes, the exchange that carries them and whether a read's
// answer counts as valid. Everything else in the bridge talks to these
// names only, so a new catalogue or exchange is wired in here alone.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/PortConfig.h"
#include "ctl/Actions.h"
#include "ctl/Exchange.h"
#include "protocol/ReplyWindows.h"

namespace qd40::bus {

using LineExchange = ctl::Exchange;
using LineResult = ctl::LineResult;
using LineStep = ctl::Step;

// One status read of a poll: the value's key ("power", "lamp_hours", ...)
// and the line that reads it.
struct ReadStep {
  std::string_view key;
  LineStep step;
};

// The reads qd40ctl's `status` makes, in its order, with the reply windows
// `windows` gives after what it has seen.
std::vector<ReadStep> statusReads(ReplyWindows& windows);

// The line of a named qd40ctl action ("power on"); nothing for no such action.
std::optional<LineStep> actionStep(std::string_view action, ReplyWindows& windows);

// A code of the command grammar ("C" and two upper-case hexadecimal digits,
// "CR" and one upper-case letter or digit, "CR PRESSURE") as a line; nothing
// for anything else.
std::optional<LineStep> rawStep(std::string_view code, ReplyWindows& windows);

// A read's answer is taken as the projector's word: answered, and decoded
// where the read is decoded.
bool readValid(const LineResult& line);

// The port configuration of a projector named by a path or URL, as
// qd40ctl's --port makes it.
PortConfig projectorPort(const std::string& path);

}  // namespace qd40::bus
