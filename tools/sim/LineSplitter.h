// Cuts the received byte stream into command lines at each CR, however the bytes happen to be
// spread over reads. It does not interpret the lines; answering them is the model's job.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qd40sim {

// No command comes close to this length, so a longer line is noise; keeping only its start
// bounds the memory a peer that never sends CR can make us hold.
inline constexpr std::size_t kMaxLineBytes = 1024;

class LineSplitter {
 public:
  explicit LineSplitter(std::size_t maxLineBytes = kMaxLineBytes);

  // Returns every line completed by these bytes, without the CR. LF is dropped wherever it
  // appears because the panel's protocol has no use for it and some terminals add it.
  std::vector<std::string> feed(std::string_view bytes);

  const std::string& pending() const { return m_pending; }
  std::size_t droppedBytes() const { return m_droppedBytes; }

 private:
  std::size_t m_maxLineBytes;
  std::string m_pending;
  std::size_t m_droppedBytes = 0;
};

}  // namespace qd40sim
