#include <windows.h>

#include "platform/clock.h"

namespace platform {

DateTime LocalNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return DateTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
                  st.wMilliseconds};
}

}  // namespace platform
