// Implements line splitting at CR with LF ignored and overlong lines truncated.
#include "LineSplitter.h"

namespace qd40sim {

LineSplitter::LineSplitter(std::size_t maxLineBytes) : m_maxLineBytes(maxLineBytes) {}

std::vector<std::string> LineSplitter::feed(std::string_view bytes) {
  std::vector<std::string> lines;
  for (const char c : bytes) {
    if (c == '\r') {
      lines.push_back(std::move(m_pending));
      m_pending.clear();
    } else if (c == '\n') {
      continue;
    } else if (m_pending.size() < m_maxLineBytes) {
      m_pending.push_back(c);
    } else {
      ++m_droppedBytes;
    }
  }
  return lines;
}

}  // namespace qd40sim
