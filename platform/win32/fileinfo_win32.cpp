#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/fileinfo.h"

namespace platform {
namespace {

// clamped: -1 for a time before 1980, 1 for one after 2107, else 0.
std::int32_t DosTimeOf(const FILETIME& utc, int* clamped = nullptr) {
  FILETIME local;
  WORD date = 0, time = 0;
  int side = 0;
  SYSTEMTIME when;
  // The years are checked here: not every FileTimeToDosDateTime refuses those past 2107 (some
  // wrap them round into range).
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &when) ||
      when.wYear < 1980) {
    side = -1;
  } else if (when.wYear > 2107) {
    side = 1;
  } else if (!FileTimeToDosDateTime(&local, &date, &time)) {
    side = -1;
  }
  if (clamped) *clamped = side;
  if (side < 0) return 0x00210000;                              // 1 January 1980, 00:00
  if (side > 0) return static_cast<std::int32_t>(0xFF9FBF7DU);  // 31 December 2107, 23:59:58
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(date) << 16 | time);
}

std::wstring WideOf(const std::string& ansi) {
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? static_cast<std::size_t>(n) : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), n);
  wide.resize(wide.size() - 1);
  return wide;
}

// False for a value that is no valid date and time.
bool UtcOfDosTime(std::int32_t dosTime, FILETIME& utc) {
  std::uint32_t v = static_cast<std::uint32_t>(dosTime);
  FILETIME local;
  return DosDateTimeToFileTime(static_cast<WORD>(v >> 16), static_cast<WORD>(v), &local) &&
         LocalFileTimeToFileTime(&local, &utc);
}

}  // namespace

std::int32_t FileGetAttr(const std::string& path) {
  DWORD attr = GetFileAttributesA(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return -1;
  return static_cast<std::int32_t>(attr & 0xFFFF);
}

bool FileSetAttr(const std::string& path, std::uint16_t attr) {
  return SetFileAttributesA(path.c_str(), attr) != 0;
}

std::int32_t FileAge(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return DosTimeOf(data.ftLastWriteTime);
}

bool File::SetDosTime(std::int32_t dosTime) {
  FILETIME utc;
  return handle_ && UtcOfDosTime(dosTime, utc) && SetFileTime(handle_, nullptr, nullptr, &utc) != 0;
}

bool File::SetDosTimeAttr(std::int32_t dosTime, std::uint16_t attr) {
  if (!handle_) return false;
  FILETIME utc;
  const bool timed = UtcOfDosTime(dosTime, utc);
  FILE_BASIC_INFO info{};  // zero times are left as they are
  if (timed) {
    info.LastWriteTime.LowPart = utc.dwLowDateTime;
    info.LastWriteTime.HighPart = static_cast<LONG>(utc.dwHighDateTime);
  }
  // Zero attributes would mean "unchanged" here; NORMAL is how no attribute is set.
  info.FileAttributes = attr ? attr : FILE_ATTRIBUTE_NORMAL;
  if (SetFileInformationByHandle(handle_, FileBasicInfo, &info, sizeof info)) return true;
  // Attributes the system refuses must not cost the file its time.
  if (timed) SetFileTime(handle_, nullptr, nullptr, &utc);
  return false;
}

bool File::MoveIntoPlace(const std::string&, const std::string& target, std::uint16_t attr,
                         bool replace) {
  if (!handle_) return false;
  wchar_t wide[MAX_PATH], full[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wide, MAX_PATH)) return false;
  const DWORD length = GetFullPathNameW(wide, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  // The name follows the structure; whole 8-byte words keep it aligned.
  std::vector<std::uint64_t> buffer(
      (sizeof(FILE_RENAME_INFO) + (length + 1) * sizeof(wchar_t)) / sizeof(std::uint64_t) + 1);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = length * sizeof(wchar_t);
  std::memcpy(rename->FileName, full, (length + 1) * sizeof(wchar_t));
  if (!SetFileInformationByHandle(handle_, FileRenameInfo, rename,
                                  static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t))))
    return false;
  // Set after the move, so that a failed one leaves no read-only file to be deleted. Attributes
  // the system refuses leave the file its own, as setting them by name would.
  FILE_BASIC_INFO info{};  // zero times are left as they are
  info.FileAttributes = attr ? attr : FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(handle_, FileBasicInfo, &info, sizeof info);
  return Close();
}

std::vector<FoundFile> FindFiles(const std::string& pattern, std::uint16_t attrMask) {
  std::vector<FoundFile> found;
  // The wide call, so a name the code page cannot hold is known as such (the ANSI one hands
  // over a look-alike or '?' without a word).
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(WideOf(pattern).c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return found;
  std::uint16_t exclude = ~attrMask & (faHidden | faSysFile | faVolumeID | faDirectory);
  do {
    char name[MAX_PATH * 2];
    BOOL lossy = FALSE;
    if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, data.cFileName, -1, name, sizeof name,
                             nullptr, &lossy))
      continue;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    std::uint16_t attr = static_cast<std::uint16_t>(data.dwFileAttributes & 0xFFFF);
    if (attr & exclude) continue;
    FoundFile f;
    f.Name = name;
    f.Exact = !lossy;
    f.Attr = attr;
    f.Time = DosTimeOf(data.ftLastWriteTime, &f.Clamped);
    f.Size = static_cast<std::int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    found.push_back(std::move(f));
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return found;
}

}  // namespace platform
