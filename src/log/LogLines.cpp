// Renders the session log's entries into lines.
#include "log/LogLines.h"

#include "protocol/LogText.h"
#include "protocol/TimeText.h"

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

std::string stampedLine(std::chrono::system_clock::time_point time, std::string_view text) {
  return formatTime(time, TimeForm::LocalWithOffset) + ' ' + renderText(text) + '\n';
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
