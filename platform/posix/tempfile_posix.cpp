#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/file.h"
#include "platform/tempfile.h"

namespace platform {

std::string TempDirectory() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = WindowsPath(env && *env ? env : "/tmp");
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

std::string OpenTempFile(const std::string& dir, const std::string& prefix, File& file) {
  std::string base = dir;
  if (!base.empty() && base.back() != '\\') base += '\\';
  // Like GetTempFileNameA: up to four hexadecimal digits, tried from a random start until a
  // name is free.
  std::random_device rd;
  unsigned start = rd() & 0xFFFF;
  for (unsigned i = 0; i < 0x10000; ++i) {
    unsigned n = (start + i) & 0xFFFF;
    if (n == 0) continue;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", n);
    std::string path = base + prefix + digits + ".TMP";
    if (file.Open(path, OpenMode::CreateNew)) return path;
    if (errno != EEXIST) break;
  }
  return std::string();
}

// The file is created empty so that the name stays taken.
std::string CreateTempFile(const std::string& dir, const std::string& prefix) {
  File file;
  return OpenTempFile(dir, prefix, file);
}

}  // namespace platform
