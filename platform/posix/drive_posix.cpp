#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>

#include "platform/drive.h"
#include "platform/file.h"

namespace platform {
DriveType SystemDriveType(const std::string&) { return DriveType::Fixed; }

std::string ExpandFileName(const std::string& path) {
  // A drive letter or a network name is already complete in the Windows sense.
  if ((path.size() >= 2 && path[1] == ':') || path.rfind("\\\\", 0) == 0) return path;
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(NativePath(path), ec);
  if (ec) return path;
  return WindowsPath(p.lexically_normal().string());
}

std::int64_t DiskFreeSpace(const std::string& path) {
  std::string native = NativePath(path);
  std::filesystem::path p(native.empty() ? "." : native);
  std::error_code ec;
  if (!std::filesystem::is_directory(p, ec)) p = p.parent_path();
  struct statvfs s;
  if (::statvfs(p.empty() ? "." : p.c_str(), &s) != 0) return -1;
  return static_cast<std::int64_t>(s.f_bavail) * static_cast<std::int64_t>(s.f_frsize);
}

// A Linux file system has no critical-error box to keep away.
FailCriticalErrors::FailCriticalErrors() : previous_(0) {}
FailCriticalErrors::~FailCriticalErrors() = default;

}  // namespace platform
