// The local date and time.
#pragma once

#include <cstdint>

namespace platform {

struct DateTime {
  int Year, Month, Day;  // Month 1-12, Day 1-31
  int Hour, Minute, Second, Millisecond;
};

DateTime LocalNow();
// The local date and time of a moment given in seconds since 1970-01-01 UTC, converted as the
// system converts file times; false when the system cannot represent it.
bool LocalTimeOf(std::int64_t unixSeconds, DateTime& out);

}  // namespace platform
