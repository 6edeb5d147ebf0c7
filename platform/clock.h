// The local date and time.
#pragma once

namespace platform {

struct DateTime {
  int Year, Month, Day;  // Month 1-12, Day 1-31
  int Hour, Minute, Second, Millisecond;
};

DateTime LocalNow();

}  // namespace platform
