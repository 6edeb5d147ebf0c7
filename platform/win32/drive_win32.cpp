#include <windows.h>

#include "platform/drive.h"

namespace platform {
DriveType SystemDriveType(const std::string& root) {
  UINT type = ::GetDriveTypeA(root.empty() ? nullptr : root.c_str());
  return type <= DRIVE_RAMDISK ? static_cast<DriveType>(type) : DriveType::Unknown;
}

std::string ExpandFileName(const std::string& path) {
  char buffer[MAX_PATH * 4];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  if (n == 0 || n >= sizeof buffer) return path;
  return std::string(buffer, n);
}

std::int64_t DiskFreeSpace(const std::string& path) {
  // The directory holding path, or path itself when it is one.
  std::string dir = path;
  DWORD attr = GetFileAttributesA(dir.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
    std::size_t cut = dir.find_last_of("\\:");
    dir = cut == std::string::npos ? std::string(".") : dir.substr(0, cut + 1);
  }
  ULARGE_INTEGER avail;
  if (!GetDiskFreeSpaceExA(dir.c_str(), &avail, nullptr, nullptr)) return -1;
  return static_cast<std::int64_t>(avail.QuadPart);
}

FailCriticalErrors::FailCriticalErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
FailCriticalErrors::~FailCriticalErrors() { SetErrorMode(previous_); }

}  // namespace platform
