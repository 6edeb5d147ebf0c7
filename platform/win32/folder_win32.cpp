#include <windows.h>

#include "platform/folder.h"
#include "platform/tempfile.h"

namespace platform {

Folder::~Folder() = default;

// Windows has no handle-relative names here: each folder on the way is looked at by its path
// before the next one is, which keeps out links and junctions that stand there beforehand.
Folder::Status Folder::Open(const std::string& base, const std::string& relative,
                            std::string& stop) {
  path_ = base;
  if (!path_.empty() && path_.back() != '\\' && path_.back() != '/') path_ += '\\';
  stop = path_;
  if (!base.empty()) {
    DWORD attr = GetFileAttributesA(base.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES && ForceDirectories(base))
      attr = GetFileAttributesA(base.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return Status::Failed;
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return Status::NotAFolder;
  }
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    const std::string part = relative.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    stop = path_ + part;
    path_ += part + '\\';
    DWORD attr = GetFileAttributesA(stop.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) {
      if (!CreateDirectoryA(stop.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Status::Failed;
      attr = GetFileAttributesA(stop.c_str());
      if (attr == INVALID_FILE_ATTRIBUTES) return Status::Failed;
    }
    if (attr & FILE_ATTRIBUTE_REPARSE_POINT) return Status::Link;
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return Status::NotAFolder;
  }
  stop.clear();
  return Status::Ok;
}

Folder::Kind Folder::KindOf(const std::string& name) const {
  const std::string path = path_ + name;
  const DWORD attr = GetFileAttributesA(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return IsSpecialFile(path) ? Kind::Special : Kind::Missing;
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) return Kind::Link;
  if (attr & FILE_ATTRIBUTE_DIRECTORY) return Kind::Folder;
  return IsSpecialFile(path) ? Kind::Special : Kind::File;
}

std::string Folder::OpenTemp(const std::string& prefix, File& file) const {
  const std::string path = OpenTempFile(path_, prefix, file);
  return path.empty() ? path : path.substr(path.find_last_of("\\/") + 1);
}

// Windows replaces no read-only file: its bit is cleared only when the move meets one, which
// spares asking every target for its attributes. A link keeps its own.
bool Folder::MoveIntoPlace(File& file, const std::string& temp, const std::string& name,
                           std::uint16_t attr, bool replace) const {
  const std::string target = path_ + name;
  if (file.MoveIntoPlace(path_ + temp, target, attr, replace)) return true;
  if (!replace) return false;
  const DWORD error = GetLastError();
  const DWORD old = GetFileAttributesA(target.c_str());
  if (old == INVALID_FILE_ATTRIBUTES || !(old & FILE_ATTRIBUTE_READONLY) ||
      (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
      !SetFileAttributesA(target.c_str(), old & ~FILE_ATTRIBUTE_READONLY)) {
    SetLastError(error);
    return false;
  }
  return file.MoveIntoPlace(path_ + temp, target, attr);
}

bool Folder::Remove(const std::string& name) const { return RemoveFile(path_ + name); }

}  // namespace platform
