#pragma once
// What the tests see of a session log's queue beyond its file: they wait
// until what was queued is written, and read how much waits for the disk.
#include <chrono>
#include <cstddef>

#include "log/SessionLog.h"

namespace qd40 {

class SessionLogProbe final {
 public:
  // Hurries the writer and waits until every line queued so far is written
  // or dropped; false when that takes longer than `timeout`.
  static bool waitUntilWritten(SessionLog& log,
                               std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // The bytes waiting for the disk now.
  static std::size_t queuedBytes(SessionLog& log);
};

}  // namespace qd40
