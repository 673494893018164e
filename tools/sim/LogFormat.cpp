// Implements timestamp formatting for the log.
#include "LogFormat.h"

#include <cstdio>
#include <ctime>

namespace qd40sim {

std::string formatTimestamp(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count() % 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(millis < 0 ? millis + 1000 : millis));
  return text;
}

}  // namespace qd40sim
