// Renders the session log's entries into lines.
#include "log/LogLines.h"

#include <cstdio>
#include <ctime>

#include "protocol/LogText.h"

namespace qd40 {

namespace {

// The time, a blank and the newline around every line.
constexpr std::size_t kStampedSize = 31;
constexpr std::size_t kDirectionSize = 4;  // " TX "

bool isContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::size_t queuedSize(const LogEntry& entry) {
  if (entry.kind == LogEntryKind::Event) return kStampedSize + entry.text.size();
  if (entry.kind == LogEntryKind::Unqueued) return 0;
  return kStampedSize + entry.text.size() + kDirectionSize + entry.bytes.size();
}

std::string formatLogTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count() % 1000;
  if (millis < 0) millis += 1000;
  const int offset = static_cast<int>(local.tm_gmtoff / 60);
  const int offsetMinutes = offset < 0 ? -offset : offset;
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(millis), offset < 0 ? '-' : '+', offsetMinutes / 60,
                offsetMinutes % 60);
  return text;
}

std::string stampedLine(std::chrono::system_clock::time_point time, std::string_view text) {
  return formatLogTime(time) + ' ' + renderText(text) + '\n';
}

std::vector<std::string_view> linePieces(std::string_view bytes) {
  std::vector<std::string_view> pieces;
  for (std::size_t pos = 0; pos < bytes.size();) {
    std::size_t cut = std::min(bytes.size(), pos + kBytesPerLine);
    // A character is not cut in two, or its halves would show as odd bytes.
    for (int back = 0;
         back < 3 && cut < bytes.size() && cut > pos + 1 && isContinuation(bytes[cut]); ++back) {
      --cut;
    }
    pieces.push_back(bytes.substr(pos, cut - pos));
    pos = cut;
  }
  return pieces;
}

std::string bytesLine(const LogEntry& entry, std::string_view piece, bool first) {
  const bool sent = entry.kind == LogEntryKind::Sent;
  const char* direction =
      first ? (sent ? " TX " : " RX ") : (sent ? " TX (continued) " : " RX (continued) ");
  return stampedLine(entry.at, entry.text + direction + renderBytes(piece));
}

}  // namespace qd40
