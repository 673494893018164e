#pragma once
// What qd40ctl prints for one action on one projector: a plain line for
// people, or one JSON object (a line of JSON Lines) for programs, with the
// raw reply beside the decoded value. Every JSON line has the same keys,
// whatever the action and however it went, null where they do not apply or
// are not known, so a script can rely on them. It prints nothing itself.
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
  std::string time;                  // when the action began (UTC, ISO 8601)
  std::string error;                 // the port could not be opened, or went

  // Every line sent brought a valid answer to itself.
  bool ok() const;
  // Why not, in a few words; empty when it is.
  std::string problem() const;
};

std::string plainLine(const Report& report);
std::string jsonLine(const Report& report);

// A JSON string for `bytes` that gives them back exactly: UTF-8 text as it
// is, and each byte that is not part of well-formed UTF-8 as the lone
// surrogate U+DC80 to U+DCFF of its value (as Python's "surrogateescape"
// error handler writes it).
std::string jsonString(std::string_view bytes);

}  // namespace qd40::ctl
