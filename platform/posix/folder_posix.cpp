#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include "platform/fileinfo.h"
#include "platform/folder.h"
#include "platform/posix/no_replace.h"
#include "platform/text.h"

namespace platform {
namespace {

// The umask, read once: asking changes it for a moment, and only pck's main thread makes files.
mode_t Umask() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

Folder::Kind KindAt(int dir, const std::string& name) {
  struct stat st;
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Folder::Kind::Missing;
  if (S_ISLNK(st.st_mode)) return Folder::Kind::Link;
  if (S_ISDIR(st.st_mode)) return Folder::Kind::Folder;
  if (S_ISREG(st.st_mode)) return Folder::Kind::File;
  return Folder::Kind::Special;
}

}  // namespace

Folder::~Folder() {
  if (fd_ >= 0) ::close(fd_);
}

Folder::Status Folder::Open(const std::string& base, const std::string& relative,
                            std::string& stop) {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  path_ = base;
  if (!path_.empty() && path_.back() != '\\') path_ += '\\';
  stop = path_;
  // The base is opened as the user named it, links and all.
  const std::string native = base.empty() ? std::string(".") : NativePath(base);
  fd_ = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0 && errno == ENOENT && ForceDirectories(base))
    fd_ = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return errno == ENOTDIR ? Status::NotAFolder : Status::Failed;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    const std::string part = relative.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    path_ += part + '\\';
    stop = path_.substr(0, path_.size() - 1);
    const std::string native = NativeText(part);
    int next = ::openat(fd_, native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && errno == ENOENT) {
      if (::mkdirat(fd_, native.c_str(), 0777) != 0 && errno != EEXIST) return Status::Failed;
      next = ::openat(fd_, native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (next < 0) {
      const int code = errno;
      switch (KindAt(fd_, native)) {
        case Kind::Link: return Status::Link;
        case Kind::File:
        case Kind::Special: return Status::NotAFolder;
        case Kind::Missing:
        case Kind::Folder: break;
      }
      errno = code;
      return Status::Failed;
    }
    ::close(fd_);
    fd_ = next;
  }
  stop.clear();
  return Status::Ok;
}

Folder::Kind Folder::KindOf(const std::string& name) const { return KindAt(fd_, NativeText(name)); }

std::string Folder::OpenTemp(const std::string& prefix, File& file) const {
  file.Close();
  std::random_device rd;
  const unsigned start = rd() & 0xFFFF;
  for (unsigned i = 0; i < 0x10000; ++i) {
    const unsigned n = (start + i) & 0xFFFF;
    if (n == 0) continue;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", n);
    const std::string name = prefix + digits + ".TMP";
    file.fd_ = ::openat(fd_, NativeText(name).c_str(),
                        O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file.fd_ >= 0) return name;
    if (errno != EEXIST) break;
  }
  return std::string();
}

bool Folder::MoveIntoPlace(File& file, const std::string& temp, const std::string& name,
                           std::uint16_t attr, bool replace) const {
  if (file.fd_ < 0) return false;
  const mode_t mode = ((attr & faReadOnly) ? 0444 : 0666) & ~Umask();
  const bool moded = ::fchmod(file.fd_, mode) == 0;
  const int code = errno;
  if (!file.Close()) return false;
  if (!moded) {
    errno = code;
    return false;
  }
  const std::string from = NativeText(temp), to = NativeText(name);
  if (replace) return ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0;
  return RenameNoReplace(fd_, from.c_str(), to.c_str());
}

bool Folder::Remove(const std::string& name) const {
  const std::string native = NativeText(name);
  return KindAt(fd_, native) == Kind::File && ::unlinkat(fd_, native.c_str(), 0) == 0;
}

}  // namespace platform
