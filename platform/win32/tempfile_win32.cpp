#include <windows.h>

#include "platform/tempfile.h"

namespace platform {

std::string TempDirectory() {
  char buffer[256];
  DWORD n = GetTempPathA(sizeof buffer - 1, buffer);
  if (n == 0 || n >= sizeof buffer - 1) return ".\\";
  std::string dir(buffer, n);
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

std::string CreateTempFile(const std::string& dir, const std::string& prefix) {
  char buffer[MAX_PATH];
  // An empty folder is the current one, as elsewhere; GetTempFileNameA refuses "".
  if (GetTempFileNameA(dir.empty() ? "." : dir.c_str(), prefix.c_str(), 0, buffer) == 0)
    return std::string();
  return buffer;
}

}  // namespace platform
