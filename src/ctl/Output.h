#pragma once
// What qd40ctl prints for one action on one projector: a plain line for
// people, or one JSON object (a line of JSON Lines) for programs, with the
// raw reply beside the decoded value. Keys are fixed and always present,
// null where they do not apply, so a script can rely on them. It prints
// nothing itself.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/Exchange.h"

namespace qd40::ctl {

struct ValueReport {
  std::string_view key;            // "power", "input", ...
  std::optional<LineResult> line;  // nothing when the read was not made
};

struct Report {
  enum class Kind { Line, Values };
  std::string port;    // as the operator named it
  std::string action;  // "power on", "send", "status", "watch"
  Kind kind = Kind::Line;
  std::optional<LineResult> line;    // Line: what the one code brought back
  std::vector<ValueReport> values;   // Values: every status read
  std::vector<std::string> changed;  // watch: the values that changed since the last round
  std::string time;                  // watch: when the round began (UTC, ISO 8601)
  std::string error;                 // the port could not be opened, or went

  // Every line sent was answered, and every status read decoded.
  bool ok() const;
};

std::string plainLine(const Report& report);
std::string jsonLine(const Report& report);

// A JSON string for `bytes`: UTF-8 text as it is, anything else one
// character per byte (U+0000 to U+00FF), so nothing is lost or refused.
std::string jsonString(std::string_view bytes);

}  // namespace qd40::ctl
