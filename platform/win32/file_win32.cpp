#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/file.h"
#include "platform/win32/code_page_win32.h"

namespace platform {

std::string NativeText(const std::string& text) { return text; }
std::string WindowsText(const std::string& nativeText) { return nativeText; }
std::string NativePath(const std::string& path) { return path; }
std::string WindowsPath(const std::string& nativePath) { return nativePath; }
bool IsExactPath(const std::string&) { return true; }

bool AnsiCodePageOf(const std::string& utf8, std::string& ansi) {
  ansi.clear();
  if (utf8.empty()) return true;
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  const int n =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), size);
  if (n <= 0) return false;
  // No best fit: a character the code page lacks must fail, not turn into a look-alike.
  BOOL lossy = FALSE;
  ansi.resize(static_cast<std::size_t>(n) * 2);
  const int m = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, ansi.data(),
                                    static_cast<int>(ansi.size()), nullptr, &lossy);
  if (m <= 0 || lossy) return false;
  ansi.resize(static_cast<std::size_t>(m));
  return true;
}

bool CommandLinePath(const std::string& typed, std::string& path) {
  return AnsiCodePageOf(typed, path);
}

LockFile::~LockFile() {
  if (handle_) CloseHandle(handle_);  // one made here goes with its last handle
}

LockFile::Result LockFile::Acquire(const std::string& path) {
  // A file that goes between the two opens was let go just then: try once more.
  for (int attempt = 0; attempt < 3; ++attempt) {
    // Not shared with anyone: the handle itself is the lock.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    made_ = error == ERROR_SUCCESS;
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
      // One left by a process that was killed is locked as it is, but not deleted.
      h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
      error = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
      if (error == ERROR_FILE_NOT_FOUND) continue;
    }
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) return Result::Busy;
    if (error != ERROR_SUCCESS) return Result::Failed;
    handle_ = h;
    path_ = path;
    return Result::Held;
  }
  return Result::Busy;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

bool File::Open(const std::string& path, OpenMode mode) {
  Close();
  // FILE_SHARE_DELETE: a file may be deleted while it is open here, as on Linux. pck's console
  // control handler deletes its temporary files from a thread of its own while the main thread
  // still writes them; without it the deletion fails and the files stay behind.
  DWORD access = GENERIC_READ, share = FILE_SHARE_DELETE, disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::Read: share |= FILE_SHARE_READ; break;
    case OpenMode::Create:
      access |= GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::ReadWrite: access |= GENERIC_WRITE; break;
    case OpenMode::CreateNew:
      access |= GENERIC_WRITE | DELETE;
      disposition = CREATE_NEW;
      break;
  }
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

bool File::IsOpen() const { return handle_ != nullptr; }

bool File::Close() {
  if (!handle_) return true;
  return CloseHandle(std::exchange(handle_, nullptr)) != 0;
}

std::int64_t File::Read(void* buffer, std::size_t size) {
  if (!handle_) return -1;
  std::size_t done = 0;
  while (done < size) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(handle_, static_cast<char*>(buffer) + done, chunk, &got, nullptr)) return -1;
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t File::Write(const void* buffer, std::size_t size) {
  if (!handle_) return -1;
  std::size_t done = 0;
  while (done < size) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(handle_, static_cast<const char*>(buffer) + done, chunk, &put, nullptr))
      return done ? static_cast<std::int64_t>(done) : -1;
    if (put == 0) break;
    done += put;
  }
  return static_cast<std::int64_t>(done);
}

bool File::Seek(std::int64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = position;
  return handle_ && SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN);
}

// A file reused for one piece of data after another is cut after each, and whenever a piece is
// at least as long as the one before there is nothing beyond to drop. Under Wine the position
// and the length are answered from the process's own descriptor while SetEndOfFile is a round
// trip to the server, so it is asked for only when the file really changes length.
bool File::Truncate() {
  if (!handle_) return false;
  LARGE_INTEGER zero{}, position, size;
  if (SetFilePointerEx(handle_, zero, &position, FILE_CURRENT) && GetFileSizeEx(handle_, &size) &&
      position.QuadPart == size.QuadPart)
    return true;
  return SetEndOfFile(handle_);
}

std::int64_t File::Size() {
  LARGE_INTEGER size;
  if (!handle_ || !GetFileSizeEx(handle_, &size)) return -1;
  return size.QuadPart;
}

bool FileExists(const std::string& path) {
  DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// A directory does not open without FILE_FLAG_BACKUP_SEMANTICS, so one open answers for
// missing paths and directories alike: every extracted file asks this once or twice.
bool IsSpecialFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(h);
  CloseHandle(h);
  return type != FILE_TYPE_DISK;
}

bool RemoveFile(const std::string& path) {
  return !IsSpecialFile(path) && DeleteFileA(path.c_str()) != 0;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool ForceDirectories(const std::string& path) {
  std::string dir = path;
  while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  if (dir.empty()) return false;
  if (DirectoryExists(dir) || (dir.size() == 2 && dir[1] == ':')) return true;
  std::size_t cut = dir.find_last_of("\\/");
  if (cut != std::string::npos && cut > 0) ForceDirectories(dir.substr(0, cut));
  CreateDirectoryA(dir.c_str(), nullptr);
  return DirectoryExists(dir);
}

}  // namespace platform
