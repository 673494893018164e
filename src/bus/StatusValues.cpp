// The decoded values of the status reads.
#include "bus/StatusValues.h"

#include <array>
#include <charconv>
#include <cmath>

namespace qd40::bus {

namespace {

// A reply's leading characters and the value they stand for.
struct ValueRow {
  std::string_view start;
  std::string_view value;
};

// The power read's first character: 0 on, 4 counting down to on, 8 stand
// by, 2 cooling down, 1 power failure; the second adds warnings.
constexpr std::array kInputValues{ValueRow{"1", "pc1"}, ValueRow{"2", "pc2"},
                                  ValueRow{"3", "video"}, ValueRow{"4", "mode4"}};

constexpr std::array kOrientationValues{ValueRow{"11", "normal"}, ValueRow{"10", "flip_vertical"},
                                        ValueRow{"01", "flip_horizontal"},
                                        ValueRow{"00", "flip_both"}};

constexpr std::array kLampModeValues{
    ValueRow{"00", "dual_none_on"},  ValueRow{"01", "dual_lamp1_on"},
    ValueRow{"02", "dual_lamp2_on"}, ValueRow{"03", "dual_both_on"},
    ValueRow{"10", "single1_off"},   ValueRow{"11", "single1_on"},
    ValueRow{"20", "single2_off"},   ValueRow{"22", "single2_on"}};

constexpr std::array kMuteValues{ValueRow{"00", "off"},       ValueRow{"01", "video"},
                                 ValueRow{"02", "audio"},     ValueRow{"03", "video_audio"},
                                 ValueRow{"80", "no_signal"}, ValueRow{"FF", "standby"}};

// The temperatures' places in the reply, as the panel cuts them out:
// characters 1-5, 8-11 and 13-17.
struct Span {
  std::size_t first;
  std::size_t count;
};
constexpr std::array kTemperatureSpans{Span{0, 5}, Span{7, 4}, Span{12, 5}};

template <std::size_t N>
std::vector<StateValue> fromTable(std::string_view topic, const std::array<ValueRow, N>& rows,
                                  std::string_view reply) {
  for (const ValueRow& row : rows) {
    if (reply.starts_with(row.start)) return {{std::string(topic), std::string(row.value)}};
  }
  return {};
}

std::string_view untilCR(std::string_view reply) {
  return reply.substr(0, reply.find('\r'));
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A decimal number as the whole of `text`; shortest form back.
std::optional<std::string> number(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  char out[32];
  const auto written = std::to_chars(out, out + sizeof out, value);
  return std::string(out, written.ptr);
}

std::vector<StateValue> power(const LineResult& line) {
  if (line.reply.empty()) return {};
  const char phase = line.reply.front();
  const bool on = phase == '0' || phase == '4';
  return {{"power", on ? "ON" : "OFF"}, {"status", trimmed(line.text.value_or(""))}};
}

std::vector<StateValue> lampHours(const LineResult& line) {
  const std::string_view digits = untilCR(line.reply);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return {};
  }
  const auto value = number(digits);
  if (!value) return {};
  return {{"lamp_hours", *value}};
}

std::vector<StateValue> temperatures(const LineResult& line) {
  std::vector<StateValue> values;
  for (std::size_t i = 0; i < kTemperatureSpans.size(); ++i) {
    const Span span = kTemperatureSpans[i];
    if (span.first >= line.reply.size()) break;
    const auto value = number(untilCR(line.reply.substr(span.first, span.count)));
    if (value) values.push_back({"temperature/" + std::to_string(i + 1), *value});
  }
  return values;
}

std::vector<StateValue> pressure(const LineResult& line) {
  // The text is the panel's "650 hPa": the conversion is the panel's.
  const std::string text = line.text.value_or("");
  const auto value = number(std::string_view(text).substr(0, text.find(' ')));
  if (!value) return {};
  return {{"pressure", *value}};
}

}  // namespace

std::vector<StateValue> stateValues(std::string_view key, const LineResult& line) {
  if (!readValid(line)) return {};
  const std::string_view reply = line.reply;
  if (key == "power") return power(line);
  if (key == "input") return fromTable("input", kInputValues, reply);
  if (key == "lamp_hours") return lampHours(line);
  if (key == "orientation") return fromTable("orientation", kOrientationValues, reply);
  if (key == "temperatures") return temperatures(line);
  if (key == "lamp_mode") return fromTable("lamp_mode", kLampModeValues, reply);
  if (key == "mute_signal") return fromTable("mute_signal", kMuteValues, reply);
  if (key == "pressure") return pressure(line);
  return {};
}

std::vector<std::string> stateTopics() {
  return {"power",       "status",        "input",         "lamp_hours",
          "orientation", "temperature/1", "temperature/2", "temperature/3",
          "lamp_mode",   "mute_signal",   "pressure"};
}

}  // namespace qd40::bus
