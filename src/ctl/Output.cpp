// The plain and the JSON form of a report.
#include "ctl/Output.h"

#include <algorithm>
#include <cstdio>

#include "protocol/Utf8.h"
#include "serial/PortMessages.h"

namespace qd40::ctl {

namespace {

std::string jsonOrNull(const std::optional<std::string>& text) {
  return text ? jsonString(*text) : "null";
}

enum class HighBytes { AsUtf8, AsCharacters };

// A JSON string; bytes above 127 either pass as the UTF-8 they are part of,
// or each stand for the character of the same number.
std::string quoted(std::string_view bytes, HighBytes high) {
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7f || (c > 0x7f && high == HighBytes::AsCharacters)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

// Raw reply bytes are never taken as UTF-8: one character per byte keeps
// their count and order, whatever the line delivered.
std::string jsonBytes(std::string_view bytes) {
  return quoted(bytes, HighBytes::AsCharacters);
}

std::string jsonLineFields(const std::optional<LineResult>& line) {
  if (!line) return "\"code\":null,\"reply\":null,\"monitor\":null,\"text\":null";
  return "\"code\":" + jsonString(line->code) +
         ",\"reply\":" + (line->answered() ? jsonBytes(line->reply) : "null") +
         ",\"monitor\":" + jsonString(line->monitor) + ",\"text\":" + jsonOrNull(line->text);
}

// After "key:" or "port action:", so decoded texts keep their own blanks.
std::string plainValue(const std::optional<LineResult>& line) {
  if (!line) return " not read";
  if (!line->error.empty() && !line->answered()) return " not sent";
  if (line->text) return *line->text;
  if (!line->answered()) return " no reply";
  return (line->statusQuery ? " not decoded:" : " reply") + line->monitor;
}

}  // namespace

bool Report::ok() const {
  if (!error.empty()) return false;
  if (kind == Kind::Line) return line && line->understood();
  return std::ranges::all_of(values,
                             [](const ValueReport& v) { return v.line && v.line->understood(); });
}

std::string jsonString(std::string_view bytes) {
  return quoted(bytes, isValidUtf8(bytes) ? HighBytes::AsUtf8 : HighBytes::AsCharacters);
}

std::string plainLine(const Report& report) {
  std::string out = (report.time.empty() ? "" : report.time + " ") + printablePath(report.port) +
                    " " + report.action + ":";
  if (!report.error.empty() && report.kind == Report::Kind::Line && !report.line) {
    return out + " " + report.error + "\n";
  }
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
  std::string out = "{\"port\":" + jsonString(report.port) +
                    ",\"action\":" + jsonString(report.action) +
                    ",\"ok\":" + (report.ok() ? "true" : "false");
  if (report.kind == Report::Kind::Line) {
    out += "," + jsonLineFields(report.line);
  } else {
    out += ",\"values\":{";
    for (std::size_t i = 0; i < report.values.size(); ++i) {
      out += (i == 0 ? "\"" : ",\"") + std::string(report.values[i].key) + "\":{" +
             jsonLineFields(report.values[i].line) + "}";
    }
    out += "}";
  }
  if (report.action == "watch") {
    out += ",\"time\":" + jsonString(report.time) + ",\"changed\":[";
    for (std::size_t i = 0; i < report.changed.size(); ++i) {
      out += (i == 0 ? "" : ",") + jsonString(report.changed[i]);
    }
    out += "]";
  }
  out += ",\"error\":" + (report.error.empty() ? std::string("null") : jsonString(report.error));
  return out + "}\n";
}

}  // namespace qd40::ctl
