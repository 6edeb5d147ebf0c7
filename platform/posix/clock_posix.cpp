#include <chrono>
#include <ctime>

#include "platform/clock.h"

namespace platform {

DateTime LocalNow() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  struct tm tm;
  localtime_r(&t, &tm);
  return DateTime{
      tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
      static_cast<int>(ms.count())};
}

bool LocalTimeOf(std::int64_t unixSeconds, DateTime& out) {
  std::time_t t = static_cast<std::time_t>(unixSeconds);
  struct tm tm;
  if (static_cast<std::int64_t>(t) != unixSeconds || !localtime_r(&t, &tm)) return false;
  out = DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
  return true;
}

}  // namespace platform
