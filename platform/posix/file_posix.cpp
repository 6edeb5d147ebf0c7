#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

#include "platform/file.h"
#include "platform/text.h"

namespace platform {

std::string NativeText(const std::string& text) { return Utf8FromAnsi(text); }
std::string WindowsText(const std::string& nativeText) { return AnsiFromUtf8(nativeText); }

std::string NativePath(const std::string& path) {
  std::string slashed = path;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  return NativeText(slashed);
}

std::string WindowsPath(const std::string& nativePath) {
  std::string path = WindowsText(nativePath);
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool File::Open(const std::string& path, OpenMode mode) {
  Close();
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::Read: flags |= O_RDONLY; break;
    case OpenMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case OpenMode::ReadWrite: flags |= O_RDWR; break;
    case OpenMode::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  // A new file is the user's alone until it is renamed into place with the mode it is to have.
  fd_ = ::open(NativePath(path).c_str(), flags, mode == OpenMode::CreateNew ? 0600 : 0666);
  if (fd_ < 0) return false;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int code = S_ISDIR(st.st_mode) ? EISDIR : errno;
    Close();
    errno = code;  // the caller's message names the cause, not a later call's
    return false;
  }
  return true;
}

bool File::IsOpen() const { return fd_ >= 0; }

bool File::Close() {
  if (fd_ < 0) return true;
  int rc = ::close(std::exchange(fd_, -1));
  return rc == 0;
}

std::int64_t File::Read(void* buffer, std::size_t size) {
  if (fd_ < 0) return -1;
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t File::Write(const void* buffer, std::size_t size) {
  if (fd_ < 0) return -1;
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<std::int64_t>(done) : -1;
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

bool File::Seek(std::int64_t position) {
  return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) == position;
}

bool File::Truncate() {
  if (fd_ < 0) return false;
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  return at >= 0 && ::ftruncate(fd_, at) == 0;
}

std::int64_t File::Size() {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsSpecialFile(const std::string& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
         !S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) {
  const std::string native = NativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EPERM;
    return false;
  }
  return ::unlink(native.c_str()) == 0;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  const std::string source = NativePath(from), target = NativePath(to);
  struct stat st;
  mode_t mode;
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    // The permissions, never a set-ID or sticky bit: those belonged to the program replaced.
    mode = st.st_mode & 0777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  return ::chmod(source.c_str(), mode) == 0 && ::rename(source.c_str(), target.c_str()) == 0;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(NativePath(path), ec);
  return DirectoryExists(path);
}

}  // namespace platform
