// The plain and the JSON form of a report.
#include "ctl/Output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "protocol/Utf8.h"
#include "wording/PortMessages.h"

namespace qd40::ctl {

namespace {

constexpr std::string_view kNull = "null";

std::string escaped(unsigned code) {
  char text[8];
  std::snprintf(text, sizeof text, "\\u%04x", code);
  return text;
}

// A JSON string of raw reply bytes: never taken as UTF-8, one character per
// byte (U+0000 to U+00FF) keeps their count and order, whatever the line
// delivered.
std::string jsonBytes(std::string_view bytes) {
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c >= 0x7f) {
      out += escaped(c);
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string jsonOrNull(const std::optional<std::string>& text) {
  return text ? jsonString(*text) : std::string(kNull);
}

std::string jsonBool(bool value) {
  return value ? "true" : "false";
}

std::string jsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

std::string jsonValue(const std::optional<StatusValue>& value) {
  if (!value) return std::string(kNull);
  switch (value->kind) {
    case StatusValue::Kind::Code:
    case StatusValue::Kind::Text:
      return jsonString(value->text);
    case StatusValue::Kind::Number:
      return std::to_string(value->number);
    case StatusValue::Kind::Readings:
      return "[" + jsonNumber(value->readings[0]) + "," + jsonNumber(value->readings[1]) + "," +
             jsonNumber(value->readings[2]) + "]";
  }
  return std::string(kNull);
}

// The keys of one line sent, in one order for every kind of output line;
// `truncated` tells whether any reply of the action was cut.
std::string jsonLineFields(const std::optional<LineResult>& line, bool truncated) {
  if (!line) {
    return "\"code\":null,\"reply\":null,\"monitor\":null,\"text\":null,\"value\":null,"
           "\"truncated\":" +
           jsonBool(truncated);
  }
  const bool valid = line->ok();
  return "\"code\":" + jsonString(line->code) +
         ",\"reply\":" + (line->answered() ? jsonBytes(line->reply) : std::string(kNull)) +
         ",\"monitor\":" + jsonString(line->monitor) + ",\"text\":" + jsonOrNull(line->text) +
         ",\"value\":" + jsonValue(valid ? line->check.value : std::nullopt) +
         ",\"truncated\":" + jsonBool(truncated);
}

std::string jsonReadFields(const std::optional<LineResult>& line) {
  const std::string problem = line ? line->problem() : "not read";
  return jsonLineFields(line, line && line->truncated) + ",\"ok\":" + jsonBool(line && line->ok()) +
         ",\"error\":" + (problem.empty() ? std::string(kNull) : jsonString(problem));
}

// After "key:" or "port action:", so decoded texts keep their own blanks.
std::string plainValue(const std::optional<LineResult>& line) {
  if (!line) return " not read";
  if (!line->error.empty() && !line->answered()) return " not sent: " + line->error;
  if (line->late) return " late reply discarded";
  if (!line->answered()) return " no reply";
  if (!line->ok()) return " unexpected reply:" + line->monitor;
  if (line->text) return *line->text;
  return " reply" + line->monitor;
}

bool anyTruncated(const Report& report) {
  if (report.line) return report.line->truncated;
  return std::ranges::any_of(report.values,
                             [](const ValueReport& v) { return v.line && v.line->truncated; });
}

}  // namespace

bool Report::ok() const {
  return problem().empty();
}

std::string Report::problem() const {
  if (!error.empty()) return error;
  if (kind == Kind::Line) return line ? line->problem() : "not sent";
  for (const ValueReport& value : values) {
    const std::string why = value.line ? value.line->problem() : "not read";
    if (!why.empty()) return std::string(value.key) + ": " + why;
  }
  return values.empty() ? "not read" : "";
}

std::string jsonString(std::string_view bytes) {
  std::string out = "\"";
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = utf8SequenceLength(bytes, i);
    if (length == 0) {
      out += escaped(0xdc00 + c);
      ++i;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += bytes[i++];
    } else if (c < 0x20 || c == 0x7f) {
      out += escaped(c);
      ++i;
    } else {
      out.append(bytes.substr(i, length));
      i += length;
    }
  }
  return out + "\"";
}

std::string plainLine(const Report& report) {
  std::string out = (report.action == "watch" ? report.time + " " : "") +
                    printablePath(report.port) + " " + report.action + ":";
  const bool nothingSent =
      !report.line &&
      std::ranges::none_of(report.values, [](const ValueReport& v) { return v.line.has_value(); });
  if (!report.error.empty() && nothingSent) return out + " not sent: " + report.error + "\n";
  if (report.kind == Report::Kind::Line) return out + plainValue(report.line) + "\n";
  bool first = true;
  for (const ValueReport& value : report.values) {
    const bool shown = report.changed.empty() ||
                       std::ranges::find(report.changed, value.key) != report.changed.end();
    if (!shown) continue;
    out += first ? " " : " | ";
    out += value.key;
    out += ":";
    out += plainValue(value.line);
    first = false;
  }
  if (!report.error.empty()) out += (first ? " " : " | ") + report.error;
  return out + "\n";
}

std::string jsonLine(const Report& report) {
  const std::string problem = report.problem();
  std::string out =
      "{\"port\":" + jsonString(report.port) + ",\"action\":" + jsonString(report.action) +
      ",\"time\":" + jsonString(report.time) + ",\"ok\":" + jsonBool(problem.empty()) +
      ",\"error\":" + (problem.empty() ? std::string(kNull) : jsonString(problem)) + ",";
  out += jsonLineFields(report.kind == Report::Kind::Line ? report.line : std::nullopt,
                        anyTruncated(report));
  out += ",\"values\":";
  if (report.kind == Report::Kind::Line) {
    out += kNull;
  } else {
    out += "{";
    for (std::size_t i = 0; i < report.values.size(); ++i) {
      out += (i == 0 ? "\"" : ",\"") + std::string(report.values[i].key) + "\":{" +
             jsonReadFields(report.values[i].line) + "}";
    }
    out += "}";
  }
  out += ",\"changed\":";
  if (report.action != "watch") {
    out += kNull;
  } else {
    out += "[";
    for (std::size_t i = 0; i < report.changed.size(); ++i) {
      out += (i == 0 ? "" : ",") + jsonString(report.changed[i]);
    }
    out += "]";
  }
  return out + "}\n";
}

}  // namespace qd40::ctl
