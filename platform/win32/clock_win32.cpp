#include <windows.h>

#include <cstdint>

#include "platform/clock.h"

namespace platform {

DateTime LocalNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

bool LocalTimeOf(std::int64_t unixSeconds, DateTime& out) {
  // FILETIME counts 100 ns steps from 1601-01-01 UTC, 11644473600 s before 1970.
  constexpr std::int64_t kTo1601 = 11644473600;
  constexpr std::int64_t kLimit = (INT64_MAX / 10000000) - kTo1601;
  if (unixSeconds < -kTo1601 || unixSeconds > kLimit) return false;
  std::uint64_t ticks = static_cast<std::uint64_t>(unixSeconds + kTo1601) * 10000000u;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return false;
  out = DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, 0};
  return true;
}

}  // namespace platform
