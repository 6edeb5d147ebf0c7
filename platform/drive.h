// Drives: their type, their free space, and the process error mode that keeps the system from
// asking about a drive without a disk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/service.h"

namespace platform {

// The values of Windows GetDriveType.
enum class DriveType {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6
};

// Type of the drive with the given root ("A:\", "\\SERVER\SHARE\"; an empty root is the
// current drive). Without a query installed this asks the system; the portable implementation
// answers Fixed, as a Linux file system has no swappable disks of its own.
DriveType DriveTypeOf(const std::string& root);

// Replaces the answer of DriveTypeOf: tests present a folder as a floppy drive, and the pck
// tool presents a folder of DISKn directories as a set of removable disks, each until the guard
// goes. An empty function stands for the system's answer.
using DriveTypeQuery = std::function<DriveType(const std::string& root)>;
ServiceGuard<DriveTypeQuery> SetDriveTypeQuery(DriveTypeQuery query);
// The system's own answer, whatever query is installed.
DriveType SystemDriveType(const std::string& root);

// path made absolute against the current directory, as a Windows path.
std::string ExpandFileName(const std::string& path);

// Bytes free for the caller on the drive holding path (a file or directory), or -1 when unknown.
std::int64_t DiskFreeSpace(const std::string& path);

// While alive, a drive without a disk or not ready makes file operations fail instead of
// showing the system's critical-error box (Windows SEM_FAILCRITICALERRORS). The previous mode
// comes back when it goes out of scope.
class FailCriticalErrors {
 public:
  FailCriticalErrors();
  ~FailCriticalErrors();
  FailCriticalErrors(const FailCriticalErrors&) = delete;
  FailCriticalErrors& operator=(const FailCriticalErrors&) = delete;

 private:
  [[maybe_unused]] unsigned previous_;  // only Windows has a mode to restore
};

}  // namespace platform
