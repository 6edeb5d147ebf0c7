// Moving a file to a name only while nothing stands there, checked by the move itself.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {

// Renames from to to, both relative to the folder dir (AT_FDCWD: the current one), and fails
// with EEXIST when to exists, a link that leads nowhere included.
inline bool RenameNoReplace(int dir, const char* from, const char* to) {
  if (::renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a second link fails as well when the name is taken.
  if (::linkat(dir, from, dir, to, 0) != 0) return false;
  ::unlinkat(dir, from, 0);
  return true;
}

}  // namespace platform
