// The decoded values of the status reads.
#include "bus/StatusValues.h"

#include <array>
#include <charconv>

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

template <std::size_t N>
std::vector<StateValue> fromTable(std::string_view topic, const std::array<ValueRow, N>& rows,
                                  std::string_view code) {
  for (const ValueRow& row : rows) {
    if (code.starts_with(row.start)) return {{std::string(topic), std::string(row.value)}};
  }
  return {};
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A reading in its shortest form: 42 rather than 42.0.
std::string shortest(double value) {
  char out[32];
  const auto written = std::to_chars(out, out + sizeof out, value);
  return std::string(out, written.ptr);
}

std::vector<StateValue> power(const StatusValue& value, const LineResult& line) {
  const char phase = value.text.front();
  const bool on = phase == '0' || phase == '4';
  return {{"power", on ? "ON" : "OFF"}, {"status", trimmed(line.text.value_or(""))}};
}

std::vector<StateValue> temperatures(const StatusValue& value) {
  std::vector<StateValue> values;
  for (std::size_t i = 0; i < value.readings.size(); ++i) {
    values.push_back({"temperature/" + std::to_string(i + 1), shortest(value.readings[i])});
  }
  return values;
}

}  // namespace

std::vector<StateValue> stateValues(std::string_view key, const LineResult& line) {
  // The value is the one the reply's check read: what was checked is what
  // is published, never a second reading of the bytes.
  if (!readValid(line) || !line.check.value) return {};
  const StatusValue& value = *line.check.value;
  using Kind = StatusValue::Kind;
  if (key == "power" && value.kind == Kind::Code) return power(value, line);
  if (key == "input") return fromTable("input", kInputValues, value.text);
  if (key == "lamp_hours" && value.kind == Kind::Number) {
    return {{"lamp_hours", std::to_string(value.number)}};
  }
  if (key == "orientation") return fromTable("orientation", kOrientationValues, value.text);
  if (key == "temperatures" && value.kind == Kind::Readings) return temperatures(value);
  if (key == "lamp_mode") return fromTable("lamp_mode", kLampModeValues, value.text);
  if (key == "mute_signal") return fromTable("mute_signal", kMuteValues, value.text);
  if (key == "pressure" && value.kind == Kind::Number) {
    return {{"pressure", std::to_string(value.number)}};
  }
  return {};
}

std::vector<std::string> stateTopics() {
  return {"power",       "status",        "input",         "lamp_hours",
          "orientation", "temperature/1", "temperature/2", "temperature/3",
          "lamp_mode",   "mute_signal",   "pressure"};
}

}  // namespace qd40::bus
