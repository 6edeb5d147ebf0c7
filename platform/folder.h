// A folder inside a folder the user named, reached without ever leaving it, and the files made
// in it. Extraction writes every entry through one: an archive decides the names, not where they
// lead.
//
// Every folder between the base and the file is a real folder, made when missing: a symbolic
// link there (on Windows any reparse point: a link or a junction) stops the walk, whatever it
// points to. The base itself may be a link: the user named it. A file is made under a
// temporary name in its folder and moved into place by name, so a link standing at the name is
// replaced and never written through; a device, pipe or socket there is the caller's to refuse
// (Kind), nothing is ever written into one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"

namespace platform {

class Folder {
 public:
  enum class Status {
    Ok,
    Link,        // a folder on the way is a link or a reparse point
    NotAFolder,  // something else than a folder stands where one is needed
    Failed,      // the system refused (errno / GetLastError tell why)
  };
  // What stands at a name in the folder, links not followed.
  enum class Kind { Missing, File, Link, Folder, Special };

  Folder() = default;
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Opens base (a Windows path; empty: the current folder; made with its parents when missing)
  // and then each backslash-separated folder of relative under it in turn, making the missing
  // ones. On failure stop is the Windows
  // path of the component that ended the walk.
  Status Open(const std::string& base, const std::string& relative, std::string& stop);
  // The folder's Windows path, ending with a backslash (empty for the current folder).
  const std::string& Path() const { return path_; }

  Kind KindOf(const std::string& name) const;
  // A new file prefix + hexadecimal digits + ".TMP" in the folder, left open on file (as by
  // OpenMode::CreateNew: the user's alone); its name, or empty when none could be made.
  std::string OpenTemp(const std::string& prefix, File& file) const;
  // Closes file, made by OpenTemp as temp, and moves it to name in its place. It takes the
  // attributes attr (platform/fileinfo.h); elsewhere than on Windows that is the mode of a new
  // file under the umask, without its write bits when attr is read-only, never one of the file
  // replaced. False when it cannot be closed or moved (errno / GetLastError); then name is as it
  // was, and on Windows file stays open for another attempt. Without replace, anything standing
  // at name (a link that leads nowhere too) fails the move, checked by the move itself.
  bool MoveIntoPlace(File& file, const std::string& temp, const std::string& name,
                     std::uint16_t attr, bool replace = true) const;
  // Deletes the regular file name; false for anything else.
  bool Remove(const std::string& name) const;

 private:
#ifndef _WIN32
  int fd_ = -1;
#endif
  std::string path_;
};

}  // namespace platform
