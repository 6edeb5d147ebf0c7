#include <windows.h>

#include <atomic>
#include <cstdio>

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

// The names GetTempFileNameA makes, which only names the file: opening it after would cost a
// second open. The numbers go on from one file to the next, so files made in a row do not try
// each other's names.
std::string OpenTempFile(const std::string& dir, const std::string& prefix, File& file) {
  // An empty folder is the current one, as elsewhere.
  std::string base = dir.empty() ? "." : dir;
  if (base.back() != '\\' && base.back() != '/') base += '\\';
  base += prefix.substr(0, 3);
  static std::atomic<unsigned> next{GetTickCount()};
  for (unsigned i = 0; i < 0x10000; ++i) {
    const unsigned n = next.fetch_add(1) & 0xFFFF;
    if (n == 0) continue;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", n);
    std::string path = base + digits + ".TMP";
    if (file.Open(path, OpenMode::CreateNew)) return path;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_SHARING_VIOLATION) break;
  }
  return std::string();
}

std::string CreateTempFile(const std::string& dir, const std::string& prefix) {
  File file;
  return OpenTempFile(dir, prefix, file);
}

}  // namespace platform
