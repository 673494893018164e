// Writes an instant in the forms people read it in.
#include "protocol/TimeText.h"

#include <cstdio>
#include <ctime>

namespace qd40 {

std::string formatTime(std::chrono::system_clock::time_point time, TimeForm form) {
  using namespace std::chrono;
  const std::time_t seconds = system_clock::to_time_t(time);
  std::tm parts{};
  if (form == TimeForm::UtcSeconds) {
    gmtime_r(&seconds, &parts);
  } else {
    localtime_r(&seconds, &parts);
  }
  auto millis =
      static_cast<int>(duration_cast<milliseconds>(time.time_since_epoch()).count() % 1000);
  if (millis < 0) millis += 1000;
  const int offset = static_cast<int>(parts.tm_gmtoff / 60);
  const int offsetMinutes = offset < 0 ? -offset : offset;
  char text[96];
  switch (form) {
    case TimeForm::LocalWithOffset:
      std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                    parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                    parts.tm_min, parts.tm_sec, millis, offset < 0 ? '-' : '+', offsetMinutes / 60,
                    offsetMinutes % 60);
      break;
    case TimeForm::LocalClock:
      std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", parts.tm_hour, parts.tm_min,
                    parts.tm_sec, millis);
      break;
    case TimeForm::UtcSeconds:
      std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900,
                    parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
      break;
  }
  return text;
}

}  // namespace qd40
