#include <windows.h>

#include "platform/errors.h"

namespace platform {

void RaiseLastOSError(const std::string& action, const std::string& path) {
  DWORD code = GetLastError();
  char text[512] = "";
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) --n;
  std::string reason = n ? std::string(text, n) : "error " + std::to_string(code);
  throw EInOutError(action + " " + path + ": " + reason, static_cast<int>(code));
}

void RaiseIOError(const std::string& action, const std::string& path, const std::string& reason) {
  throw EInOutError(action + " " + path + ": " + reason, 0);
}

}  // namespace platform
