#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/errors.h"

namespace platform {

int LastErrorCode() { return static_cast<int>(GetLastError()); }

std::string SystemMessage(int code) {
  char text[512] = "";
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) --n;
  if (n == 0) std::snprintf(text, sizeof text, "error %d", code);
  return std::string(text, n ? n : std::strlen(text));
}

bool IsSizeLimit(int code) { return code == ERROR_FILE_TOO_LARGE; }

bool IsDiskFull(int code) { return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL; }

}  // namespace platform
