// The tests' view of a session log's queue.
#include "SessionLogProbe.h"

#include <mutex>

namespace qd40 {

bool SessionLogProbe::waitUntilWritten(SessionLog& log, std::chrono::milliseconds timeout) {
  std::unique_lock lock(log.m_mutex);
  ++log.m_waiting;
  log.m_wake.notify_one();
  const bool written = log.m_drained.wait_for(
      lock, timeout, [&log] { return log.m_queue.empty() && !log.m_writing; });
  --log.m_waiting;
  return written;
}

std::size_t SessionLogProbe::queuedBytes(SessionLog& log) {
  std::lock_guard lock(log.m_mutex);
  return log.m_queuedBytes;
}

}  // namespace qd40
