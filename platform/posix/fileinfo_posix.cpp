#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/posix/no_replace.h"
#include "platform/text.h"

namespace platform {
namespace {

std::uint16_t AttrOf(const struct stat& st) {
  std::uint16_t attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if (!(st.st_mode & S_IWUSR)) attr |= faReadOnly;
  return attr;
}

// Only the read-only bit has a place in the permission bits: it takes every write bit away,
// and clearing it gives the owner's back.
mode_t ModeWithAttr(mode_t current, std::uint16_t attr) {
  const mode_t mode = current & 07777;
  return (attr & faReadOnly) ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
}

// clamped: -1 for a time before 1980, 1 for one after 2107, else 0.
std::int32_t DosTimeOf(time_t t, int* clamped = nullptr) {
  struct tm tm;
  int side = 0;
  if (!localtime_r(&t, &tm)) {
    side = t < 0 ? -1 : 1;
  } else if (tm.tm_year < 80) {
    side = -1;
  } else if (tm.tm_year > 207) {  // the 7-bit year ends with 2107
    side = 1;
  }
  if (clamped) *clamped = side;
  if (side < 0) return 0x00210000;  // 1 January 1980, 00:00
  if (side > 0) {
    tm.tm_year = 207, tm.tm_mon = 11, tm.tm_mday = 31;
    tm.tm_hour = 23, tm.tm_min = 59, tm.tm_sec = 58;
  }
  return PackDosTime(
      DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0});
}

// What a name that is neither a file nor a directory (after links) is.
// st is null when stat failed with error.
const char* KindOf(const std::string& path, const struct stat* st, int error) {
  if (!st) {
    struct stat lst;
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode))
      return error == ELOOP ? "a link that leads in a circle" : "a dangling link";
    return "a file that cannot be read";
  }
  if (S_ISFIFO(st->st_mode)) return "a named pipe";
  if (S_ISSOCK(st->st_mode)) return "a socket";
  if (S_ISCHR(st->st_mode)) return "a character device";
  if (S_ISBLK(st->st_mode)) return "a block device";
  return "neither a file nor a directory";
}

// False for a value that is no valid date and time, as Windows DosDateTimeToFileTime refuses it.
bool DosTimeToTime(std::int32_t dosTime, time_t& out) {
  const DateTime t = UnpackDosTime(dosTime);
  struct tm tm = {};
  tm.tm_year = t.Year - 1900;
  tm.tm_mon = t.Month - 1;
  tm.tm_mday = t.Day;
  tm.tm_hour = t.Hour;
  tm.tm_min = t.Minute;
  tm.tm_sec = t.Second;
  tm.tm_isdst = -1;
  static constexpr int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > kDays[tm.tm_mon] ||
      tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59)
    return false;
  int year = tm.tm_year + 1900;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (tm.tm_mon == 1 && tm.tm_mday == 29 && !leap) return false;
  out = mktime(&tm);
  return out != static_cast<time_t>(-1);
}

// '*' any run, '?' one character, letters without regard to case. Iterative with one
// backtrack point, so no pattern can make it slow.
bool Glob(const std::string& p, const std::string& t) {
  std::size_t i = 0, j = 0, star = std::string::npos, mark = 0;
  while (j < t.size()) {
    if (i < p.size() && (p[i] == '?' || UpperName(p[i]) == UpperName(t[j]))) {
      ++i, ++j;
    } else if (i < p.size() && p[i] == '*') {
      star = i++, mark = j;
    } else if (star != std::string::npos) {
      i = star + 1, j = ++mark;
    } else {
      return false;
    }
  }
  while (i < p.size() && p[i] == '*') ++i;
  return i == p.size();
}

// The Windows rules on top of the plain glob: "X.*" also matches names without a dot, and a
// pattern ending in a dot matches names without an extension.
bool WindowsMatch(const std::string& pattern, const std::string& name) {
  if (Glob(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos)
    return Glob(pattern.substr(0, pattern.size() - 2), name);
  if (!pattern.empty() && pattern.back() == '.' && name.find('.') == std::string::npos)
    return Glob(pattern.substr(0, pattern.size() - 1), name);
  return false;
}

}  // namespace

std::int32_t FileGetAttr(const std::string& path) {
  struct stat st;
  if (::stat(NativePath(path).c_str(), &st) != 0) return -1;
  return AttrOf(st);
}

bool FileSetAttr(const std::string& path, std::uint16_t attr) {
  std::string native = NativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return false;
  const mode_t mode = ModeWithAttr(st.st_mode, attr);
  return mode == (st.st_mode & 07777) || ::chmod(native.c_str(), mode) == 0;
}

std::int32_t FileAge(const std::string& path) {
  struct stat st;
  if (::stat(NativePath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return DosTimeOf(st.st_mtime);
}

bool File::SetDosTime(std::int32_t dosTime) {
  time_t t;
  if (fd_ < 0 || !DosTimeToTime(dosTime, t)) return false;
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[0].tv_sec = 0;
  times[1].tv_sec = t;
  times[1].tv_nsec = 0;
  return ::futimens(fd_, times) == 0;
}

bool File::SetDosTimeAttr(std::int32_t dosTime, std::uint16_t attr) {
  if (fd_ < 0) return false;
  SetDosTime(dosTime);
  struct stat st;
  if (::fstat(fd_, &st) != 0) return false;
  const mode_t mode = ModeWithAttr(st.st_mode, attr);
  return mode == (st.st_mode & 07777) || ::fchmod(fd_, mode) == 0;
}

// By name: a descriptor has no name to move, and here the extra calls cost little. Closed
// first, so that a write the system reports only at the close fails the move instead of landing
// in place; a closed file, whose close may have failed, is never moved.
bool File::MoveIntoPlace(const std::string& path, const std::string& target, std::uint16_t attr,
                         bool replace) {
  if (fd_ < 0 || !Close()) return false;
  if (replace ? !platform::MoveIntoPlace(path, target)
              : !RenameNoReplace(AT_FDCWD, NativePath(path).c_str(), NativePath(target).c_str()))
    return false;
  FileSetAttr(target, attr);
  return true;
}

std::vector<FoundFile> FindFiles(const std::string& pattern, std::uint16_t attrMask) {
  std::vector<FoundFile> found;
  std::size_t cut = pattern.find_last_of("\\:");
  std::string dir = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
  std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  std::string nativeDir = dir.empty() ? std::string(".") : NativePath(dir);
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(nativeDir.c_str()), ::closedir);
  if (!d) return found;
  std::uint16_t exclude = ~attrMask & (faHidden | faSysFile | faVolumeID | faDirectory);
  while (struct dirent* e = ::readdir(d.get())) {
    std::string native = e->d_name;
    if (native == "." || native == "..") continue;
    std::string name = WindowsPath(native);
    if (!WindowsMatch(mask, name)) continue;
    std::string full = nativeDir + "/" + native;
    struct stat st, lst;
    const bool known = ::stat(full.c_str(), &st) == 0;
    const int error = known ? 0 : errno;
    FoundFile f;
    f.Name = name;
    f.Exact = IsExactPath(name);
    if (!known || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
      if (!(attrMask & faOther)) continue;
      f.Attr = faOther;
      f.Kind = KindOf(full, known ? &st : nullptr, error);
      found.push_back(std::move(f));
      continue;
    }
    f.Attr = AttrOf(st);
    if (S_ISDIR(st.st_mode) && ::lstat(full.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode))
      f.Attr |= faSymLink;
    if (f.Attr & exclude) continue;
    f.Time = DosTimeOf(st.st_mtime, &f.Clamped);
    f.Size = st.st_size;
    found.push_back(std::move(f));
  }
  return found;
}

}  // namespace platform
