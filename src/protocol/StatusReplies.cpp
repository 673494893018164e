// The shape of every status reply, checked byte by byte before a value is
// called good.
#include "protocol/StatusReplies.h"

#include <algorithm>
#include <charconv>

#include "protocol/Monitor.h"
#include "protocol/Pressure.h"
#include "protocol/StatusDecoder.h"

namespace qd40 {

namespace {

constexpr char kCRByte = '\r';
constexpr char kACKByte = 6;

// Where the status text takes the three temperatures from: reply characters
// 1-5, 8-11 and 13-17, counted from 1. Whatever lies between them is not
// shown, so it must not be taken for a digit either.
struct Field {
  std::size_t first;
  std::size_t length;
};
constexpr std::array<Field, 3> kTemperatureFields{Field{0, 5}, Field{7, 4}, Field{12, 5}};
constexpr std::size_t kTemperatureLength = 17;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool allDigits(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, isDigit);
}

// A reading such as "035.5" or "-5.0": digits with at most one point, and
// nothing else.
std::optional<double> reading(std::string_view text) {
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  const bool plain =
      std::ranges::all_of(text, [](char c) { return isDigit(c) || c == '.' || c == '-'; });
  if (error != std::errc() || end != text.data() + text.size() || !plain) return std::nullopt;
  return value;
}

std::optional<StatusValue> knownCode(std::string_view code, std::string_view body) {
  // The decoding looks at the first one or two characters; a valid reply is
  // exactly those, so a longer one is no code of the table.
  const std::size_t length = code == "CR1" ? 1 : 2;
  if (body.size() != length) return std::nullopt;
  Text line(code.begin(), code.end());
  line.push_back(kCR);
  if (!decodeStatus(line, {}, renderMonitor(Text(body.begin(), body.end()))).text) {
    return std::nullopt;
  }
  return StatusValue{StatusValue::Kind::Code, std::string(body), 0, {}};
}

std::optional<StatusValue> lampHours(std::string_view body) {
  if (!allDigits(body) || body.size() > kLampHourDigits) return std::nullopt;
  long hours = 0;
  std::from_chars(body.data(), body.data() + body.size(), hours);
  return StatusValue{StatusValue::Kind::Number, {}, hours, {}};
}

std::optional<StatusValue> temperatures(std::string_view body) {
  if (body.size() != kTemperatureLength) return std::nullopt;
  StatusValue value{StatusValue::Kind::Readings, {}, 0, {}};
  for (std::size_t i = 0; i < kTemperatureFields.size(); ++i) {
    const auto got =
        reading(body.substr(kTemperatureFields[i].first, kTemperatureFields[i].length));
    if (!got) return std::nullopt;
    value.readings[i] = *got;
  }
  for (std::size_t i = 0; i < body.size(); ++i) {
    const bool inField = std::ranges::any_of(
        kTemperatureFields, [i](const Field& f) { return i >= f.first && i < f.first + f.length; });
    if (!inField && (isDigit(body[i]) || body[i] == '.' || body[i] < ' ' || body[i] > '~')) {
      return std::nullopt;
    }
  }
  return value;
}

std::optional<StatusValue> identification(std::string_view body) {
  if (body.empty() || !std::ranges::all_of(body, [](char c) { return c >= ' ' && c <= '~'; })) {
    return std::nullopt;
  }
  return StatusValue{StatusValue::Kind::Text, std::string(body), 0, {}};
}

std::optional<StatusValue> pressure(std::string_view body) {
  if (!allDigits(body) || body.size() > 4) return std::nullopt;
  long raw = 0;
  std::from_chars(body.data(), body.data() + body.size(), raw);
  if (raw > kHighestPressureReading) return std::nullopt;
  const PressureReading converted = convertReading(static_cast<double>(raw));
  if (!converted.hpa) return std::nullopt;
  return StatusValue{StatusValue::Kind::Number, {}, *converted.hpa, {}};
}

}  // namespace

const StatusReadRule* statusReadRule(std::string_view code) {
  const auto rule = std::ranges::find(kStatusReadRules, code, &StatusReadRule::code);
  return rule == kStatusReadRules.end() ? nullptr : &*rule;
}

bool looksComplete(std::string_view reply) {
  return !reply.empty() && (reply.back() == kCRByte || reply.back() == kACKByte);
}

ReplyCheck checkReply(std::string_view code, std::string_view reply) {
  const StatusReadRule* rule = statusReadRule(code);
  if (rule == nullptr) {
    return {reply == std::string_view("\x06", 1) || reply == std::string_view("\x06\r", 2), {}};
  }
  // One CR ends the reply; one anywhere else means two replies, or bytes
  // of another.
  if (reply.empty() || reply.back() != kCRByte || reply.find(kCRByte) != reply.size() - 1) {
    return {};
  }
  const std::string_view body = reply.substr(0, reply.size() - 1);
  std::optional<StatusValue> value;
  switch (rule->form) {
    case ReplyForm::KnownCode:
      value = knownCode(code, body);
      break;
    case ReplyForm::LampHours:
      value = lampHours(body);
      break;
    case ReplyForm::Temperatures:
      value = temperatures(body);
      break;
    case ReplyForm::Identification:
      value = identification(body);
      break;
    case ReplyForm::Pressure:
      value = pressure(body);
      break;
  }
  return {value.has_value(), std::move(value)};
}

}  // namespace qd40
