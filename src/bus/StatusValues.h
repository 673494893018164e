#pragma once
// What a status read's answer says, as values a building's system can use:
// "ON" rather than " Power ON", 1234 rather than " 0 1 2 3 4 CR  Hour Use".
// Each value goes to its own topic under the projector's. A read that is
// not valid gives no value, so a topic only ever holds what the projector
// said, as the reply's check read it. It reads no port and publishes
// nothing.
#include <string>
#include <string_view>
#include <vector>

#include "bus/CtlLink.h"

namespace qd40::bus {

struct StateValue {
  std::string topic;  // under qd40/<id>/: "power", "temperature/2", ...
  std::string value;  // the payload
};

// The values of the read `key` ("power", "input", ...) from its answer.
std::vector<StateValue> stateValues(std::string_view key, const LineResult& line);

// Every state topic a projector may hold, for forgetting them.
std::vector<std::string> stateTopics();

}  // namespace qd40::bus
