#include <fcntl.h>
#include <sys/file.h>
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

namespace {

// A host byte a Windows-1252 path cannot carry as a character travels as kForeign and its two
// hex digits: a byte of a name that is no UTF-8 or names a character the code page lacks, a
// backslash (a separator in the engines' paths) and kForeign itself. Windows allows no control
// character in a name, so no stored name can mean one, and only these bytes ever decode: never
// a slash or a NUL.
constexpr char kForeign = '\x01';
constexpr char kHex[] = "0123456789ABCDEF";

bool IsForeignByte(unsigned v) { return v == 0x01 || v == '\\' || v >= 0x80; }

int HexValue(char c) {
  for (int i = 0; i < 16; ++i)
    if (kHex[i] == c) return i;
  return -1;
}

}  // namespace

std::string NativePath(const std::string& path) {
  std::string native, run;  // run: Windows-1252 text waiting for its conversion
  auto flush = [&] {
    native += NativeText(run);
    run.clear();
  };
  for (std::size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == kForeign && i + 2 < path.size() && HexValue(path[i + 1]) >= 0 &&
        HexValue(path[i + 2]) >= 0) {
      const unsigned v = static_cast<unsigned>(HexValue(path[i + 1]) * 16 + HexValue(path[i + 2]));
      if (IsForeignByte(v)) {
        flush();
        native += static_cast<char>(v);
        i += 2;
        continue;
      }
    }
    run += c == '\\' ? '/' : c;
  }
  flush();
  return native;
}

std::string WindowsPath(const std::string& nativePath) {
  std::string path;
  for (std::size_t i = 0; i < nativePath.size();) {
    const auto byte = static_cast<unsigned char>(nativePath[i]);
    char32_t cp = 0;
    char ansi = 0;
    std::size_t len = byte >= 0x80 ? DecodeUtf8(nativePath, i, cp) : 1;
    if (byte == '/') {
      path += '\\';
    } else if (!IsForeignByte(byte)) {
      path += static_cast<char>(byte);
    } else if (byte >= 0x80 && len > 0 && ExactAnsiOf(cp, ansi)) {
      path += ansi;
    } else {
      path += kForeign;
      path += kHex[byte >> 4];
      path += kHex[byte & 15];
      len = 1;
    }
    i += len;
  }
  return path;
}

bool IsExactPath(const std::string& path) { return path.find(kForeign) == std::string::npos; }

bool CommandLinePath(const std::string& typed, std::string& path) {
  path = WindowsPath(typed);
  return true;
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
  return ::stat(NativePath(path).c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
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

LockFile::~LockFile() {
  if (fd_ < 0) return;
  // Deleted while still held: whoever opens the name next makes a new file and a new lock.
  if (made_) ::unlink(NativePath(path_).c_str());
  ::close(fd_);
}

LockFile::Result LockFile::Acquire(const std::string& path) {
  // A file that goes between the steps below was let go just then: try once more.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const Result result = TryLock(path);
    if (result != Result::Busy || attempt == 2 || !vanished_) return result;
  }
  return Result::Busy;
}

LockFile::Result LockFile::TryLock(const std::string& path) {
  vanished_ = false;
  const std::string native = NativePath(path);
  // Made and locked under a name of its own, then linked into place: no other process ever
  // finds it there unlocked and takes it from its maker.
  std::string temp = native + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Result::Failed;
  ::flock(fd, LOCK_EX | LOCK_NB);
  int linked = ::link(temp.c_str(), native.c_str()), error = errno;
  ::unlink(temp.c_str());
  if (linked != 0 && error != EEXIST) {
    // A file system without links: made in place, with a moment in which another process could
    // lock it first (then this one finds it busy).
    ::close(fd);
    fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    linked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : -1;
    error = errno;
    if (linked != 0 && fd >= 0) ::close(fd);
  } else if (linked != 0) {
    ::close(fd);
  }
  if (linked == 0) {
    fd_ = fd;
    path_ = path;
    made_ = true;
    return Result::Held;
  }
  if (error != EEXIST) return error == EWOULDBLOCK ? Result::Busy : Result::Failed;
  // There already: held by a running process, or left by one that was killed; such a one is
  // locked as it is, but not deleted: it might not be a lock at all.
  fd = ::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    vanished_ = errno == ENOENT;
    return vanished_ ? Result::Busy : Result::Failed;
  }
  struct stat held, named;
  if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
    ::close(fd);
    return Result::Failed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Result::Busy : Result::Failed;
  }
  // The holder before deletes the file as it lets go: a lock on that file is a lock on nothing.
  if (::stat(native.c_str(), &named) != 0 || named.st_ino != held.st_ino ||
      named.st_dev != held.st_dev) {
    ::close(fd);
    vanished_ = true;
    return Result::Busy;
  }
  fd_ = fd;
  path_ = path;
  return Result::Held;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(NativePath(path), ec);
  return DirectoryExists(path);
}

}  // namespace platform
