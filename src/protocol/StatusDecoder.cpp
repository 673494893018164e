// Turns the rendered reply to a status query into the words of the status
// label. Rendering the reply, and showing the words, are left to the monitor
// and the panel; the pressure arithmetic lives with the pressure conversion.
#include "protocol/StatusDecoder.h"

#include <algorithm>
#include <array>
#include <span>

#include "protocol/Pressure.h"

namespace qd40 {
namespace {

// A key is the start of the rendered reply: " 0 0" stands for a reply that
// begins with "00". The texts are kept character for character, odd blanks and
// spellings included, because they are the panel's fixed captions and a tidied
// copy would no longer read as the operator expects.
struct StatusRow {
  std::string_view key;
  std::string_view text;
};

constexpr std::array kPowerRows{
    StatusRow{" 0 0", " Power ON"},
    StatusRow{" 8 0", " Stand by"},
    StatusRow{" 4 0", " Count down"},
    StatusRow{" 2 0", " Cooling down"},
    StatusRow{" 1 0", " Power Fail"},
    StatusRow{" 0 8", " Temperature Warning"},
    StatusRow{" 0 2", " NO Key input "},
    StatusRow{" 0 4", " Lamp OFF by PWR Management"},
    StatusRow{" 2 8", " Temperature Warning & cooling down"},
    StatusRow{" 2 4", "Cooling down  PWR Management"},
    StatusRow{" 8 8", " Temperature Warning and recoverd"},
    StatusRow{" 2 1", " Cooling down (All Lamp FAIL)"},
    StatusRow{" 8 1", " Cooling down & sutandby (All Lamp FAIL)"},
};

constexpr std::array kInputRows{
    StatusRow{" 1", " Computer 1"},
    StatusRow{" 2", " Computer 2"},
    StatusRow{" 3", " Video"},
    StatusRow{" 4", " Input mode 4"},
};

constexpr std::array kOrientationRows{
    StatusRow{" 1 1", " Normally"},
    StatusRow{" 1 0", " Top/Bottom reversal"},
    StatusRow{" 0 1", " Left/Right reversal"},
    StatusRow{" 0 0", " Top/Bottom , Left/Right reversal"},
};

constexpr std::array kMuteRows{
    StatusRow{" 0 0", " Video & Audio mute OFF"},
    StatusRow{" 0 1", " Video mute ON"},
    StatusRow{" 0 2", " Audio mute ON"},
    StatusRow{" 0 3", " Video & Audio mute ON"},
    StatusRow{" 8 0", " No signal"},
    StatusRow{" F F", " Stand by"},
};

constexpr std::array kLampModeRows{
    StatusRow{" 0 0", " All OFF : 2 Lamp mode"},
    StatusRow{" 0 1", " No1 ON  : 2 Lamp mode"},
    StatusRow{" 0 2", " No2 ON  : 2 Lamp mode"},
    StatusRow{" 0 3", " No1,2 ON  : 2 Lamp mode"},
    StatusRow{" 1 0", " All OFF : 1 Lamp mode(No1 USE)"},
    StatusRow{" 1 1", " No1 ON  : 1 Lamp mode(No1 USE)"},
    StatusRow{" 2 0", " All OFF : 1 Lamp mode(No2 USE)"},
    StatusRow{" 2 2", " No2 ON  : 1 Lamp mode(No2 USE)"},
};

enum class Decoding { kTable, kLampHours, kTemperatures, kRawReply, kPressure };

struct Query {
  std::string_view code;
  Decoding decoding;
  std::span<const StatusRow> rows;
  std::size_t keyLength;
};

// At most one code can match a line, so the order only fixes which comparison
// is made first; it is kept as the panel has always made them.
constexpr std::array kQueries{
    Query{"CR0", Decoding::kTable, kPowerRows, 4},
    Query{"CR1", Decoding::kTable, kInputRows, 2},
    Query{"CR4", Decoding::kTable, kOrientationRows, 4},
    Query{"CR3", Decoding::kLampHours, {}, 0},
    Query{"CR6", Decoding::kTemperatures, {}, 0},
    Query{"CRA", Decoding::kTable, kMuteRows, 4},
    Query{"CR9", Decoding::kRawReply, {}, 0},
    Query{"CR PRESSURE", Decoding::kPressure, {}, 0},
    Query{"CR7", Decoding::kTable, kLampModeRows, 4},
};

// The whole line must be the query: a code typed in other case or with
// anything around it is a different command and must not be decoded.
bool isQueryLine(const Text& sendLine, const Text& prefix, std::string_view code) {
  if (sendLine.size() != prefix.size() + code.size() + 1) return false;
  if (sendLine.compare(0, prefix.size(), prefix) != 0) return false;
  const auto codeStart = sendLine.begin() + static_cast<std::ptrdiff_t>(prefix.size());
  const bool sameCode = std::equal(code.begin(), code.end(), codeStart, [](char c, char32_t s) {
    return static_cast<unsigned char>(c) == s;
  });
  return sameCode && sendLine.back() == kCR;
}

// Positions first to last of the reply, counted from 1; whatever lies beyond
// the end of the reply is simply missing, since it may not have arrived yet.
std::string_view positions(std::string_view reply, std::size_t first, std::size_t last) {
  if (first > reply.size()) return {};
  return reply.substr(first - 1, last - first + 1);
}

std::optional<std::string> lookUp(const Query& query, std::string_view reply) {
  const std::string_view key = reply.substr(0, query.keyLength);
  const auto row = std::ranges::find(query.rows, key, &StatusRow::key);
  if (row == query.rows.end()) return std::nullopt;
  return std::string(row->text);
}

std::string temperatures(std::string_view reply) {
  std::string text = "  S1=";
  text += positions(reply, 1, 10);
  text += " C  ,   S2= ";
  text += positions(reply, 15, 22);
  text += " C , S3=";
  text += positions(reply, 25, 34);
  text += " C";
  return text;
}

const Query* findQuery(const Text& sendLine, const Text& prefix) {
  const auto query = std::ranges::find_if(
      kQueries, [&](const Query& q) { return isQueryLine(sendLine, prefix, q.code); });
  return query == kQueries.end() ? nullptr : &*query;
}

}  // namespace

ReplyStatus replyStatus(const Text& sendLine, const Text& prefix) {
  const Query* query = findQuery(sendLine, prefix);
  if (query == nullptr) return ReplyStatus::None;
  if (query->decoding == Decoding::kRawReply) return ReplyStatus::WholeReply;
  if (query->decoding == Decoding::kPressure) return ReplyStatus::PressureNumber;
  return ReplyStatus::LeadingPositions;
}

StatusResult pressureStatus(double reading) {
  PressureReading converted = convertReading(reading);
  return {std::move(converted.text), converted.hpa ? converted.hpa : converted.raw};
}

StatusResult decodeStatus(const Text& sendLine, const Text& prefix, std::string_view reply) {
  const Query* query = findQuery(sendLine, prefix);
  if (query == nullptr) return {};

  StatusResult result;
  switch (query->decoding) {
    case Decoding::kTable:
      result.text = lookUp(*query, reply);
      break;
    case Decoding::kLampHours:
      result.text = std::string(positions(reply, 1, 38)) + " Hour Use";
      break;
    case Decoding::kTemperatures:
      result.text = temperatures(reply);
      break;
    case Decoding::kRawReply:
      result.text = std::string(reply);
      break;
    case Decoding::kPressure:
      result = pressureStatus(readLeadingNumber(reply));
      break;
  }
  return result;
}

}  // namespace qd40
