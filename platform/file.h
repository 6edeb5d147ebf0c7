// Files, as the codecs and the archive engine see them.
//
// Every path given here is a Windows path in the ANSI code page (Windows-1252): backslashes,
// possibly a drive letter. On Windows it goes to the ANSI file API unchanged. Elsewhere it is
// converted at this boundary: backslashes become slashes and the name is recoded to UTF-8, so an
// entry named "AÇÃO.TXT" becomes a file a Linux user can read by that name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class OpenMode {
  Read,       // existing file, read only; other readers are allowed
  Create,     // create or truncate, read and write, not shared
  ReadWrite,  // existing file, read and write, not shared
  // A file that must not exist yet, read and write, not shared, to be moved into place while
  // open by File::MoveIntoPlace.
  CreateNew,
};

// An open file handle that closes itself. Move-only.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens path; false when the file cannot be opened (the handle stays closed).
  bool Open(const std::string& path, OpenMode mode);
  bool IsOpen() const;
  // Closes the handle; false when the system reports a failure. Closing a closed file is a no-op.
  bool Close();

  // Reads up to size bytes; returns the count read (0 at the end) or -1 on a read error.
  std::int64_t Read(void* buffer, std::size_t size);
  // Writes size bytes; returns the count written or -1 on a write error.
  std::int64_t Write(const void* buffer, std::size_t size);
  bool Seek(std::int64_t position);
  // Ends the file at the current position, dropping what lies beyond. The file must be open for
  // writing.
  bool Truncate();
  // Length of the file in bytes, or -1 when it cannot be obtained.
  std::int64_t Size();
  // Sets the last-write time from an MS-DOS date/time in local time (platform/fileinfo.h),
  // leaving creation and access times alone; false for an invalid date or when the system
  // refuses. The file must be open for writing.
  bool SetDosTime(std::int32_t dosTime);
  // Sets the last-write time as SetDosTime does (an invalid date is skipped) and the attributes
  // (platform/fileinfo.h) in one step, through this handle: it spares opening the file again by
  // name. Returns whether the attributes were set; when they were not, the time still was. A
  // read-only bit set so does not stop this handle's writes, but a later write moves the time:
  // call it last before closing. The file must be open for writing.
  bool SetDosTimeAttr(std::int32_t dosTime, std::uint16_t attr);
  // Moves this file, opened with CreateNew at path, into the place of target as the
  // MoveIntoPlace below does, gives it the attributes attr (platform/fileinfo.h) and closes it.
  // On Windows the move and the attributes go through the handle, which spares opening the file
  // twice more by name: under an emulated file system those opens cost more than writing a
  // small file. False when the file cannot be closed or moved, or is not open; then target is as
  // it was. On Windows a file whose move failed stays open for another attempt; elsewhere it is
  // closed first. Without replace a target that exists fails the move.
  bool MoveIntoPlace(const std::string& path, const std::string& target, std::uint16_t attr,
                     bool replace = true);

 private:
  friend class Folder;  // makes and moves files relative to a folder's handle
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// Windows-1252 text as the host shows and types it, and back, no character but the encoding
// changed (identity on Windows).
std::string NativeText(const std::string& text);
std::string WindowsText(const std::string& nativeText);
// The path as the host file system spells it (identity on Windows).
std::string NativePath(const std::string& path);
// The inverse: a host path as a Windows-1252 path with backslashes (identity on Windows).
// Elsewhere than on Windows every host path has one, and NativePath gives back its very bytes:
// a byte Windows-1252 cannot carry as a character (not UTF-8, a character the code page lacks,
// a backslash inside a name) travels escaped in a form no Windows name can take.
std::string WindowsPath(const std::string& nativePath);
// Whether path, from WindowsPath, holds nothing but Windows-1252 characters: only such a name
// can be stored in an archive and come out the same.
bool IsExactPath(const std::string& path);
// A path typed on the command line as the file functions take it, with no byte changed: the
// host's own bytes elsewhere; on Windows UTF-8 text (the command line as the system hands it
// over, in UTF-16, converted), false when the ANSI code page cannot hold one of its characters.
bool CommandLinePath(const std::string& typed, std::string& path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Whether path exists and is neither a regular file nor a directory: a device, a pipe, a socket.
// Such a path is written as it is, never replaced or deleted.
bool IsSpecialFile(const std::string& path);
// Deletes a regular file; false when it does not exist, cannot be deleted, or is special
// (deleting the null device would break every program on the machine).
bool RemoveFile(const std::string& path);
// Moves the file from into the place of to in one step, replacing to when it exists; both on
// the same volume. Elsewhere than on Windows, from takes the permission bits of the file it
// replaces (less set-user-ID, set-group-ID and sticky), or those of a newly created file when
// to was no regular file. False on failure, and then
// both files are as they were.
bool MoveIntoPlace(const std::string& from, const std::string& to);
// An exclusive lock between processes on a file made for it, held while this lives; a process
// that ends, however it ends, lets it go. The file is deleted again when it was made here.
class LockFile {
 public:
  enum class Result { Held, Busy, Failed };  // Busy: another process holds it
  LockFile() = default;
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;
  Result Acquire(const std::string& path);
  // Whether the file was made by Acquire, to be deleted again.
  bool Made() const { return made_; }

 private:
  std::string path_;
  bool made_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  Result TryLock(const std::string& path);
  int fd_ = -1;
  bool vanished_ = false;  // the last try found the file let go and deleted meanwhile
#endif
};

// Creates a directory with all missing parents. An existing directory or a drive root is left
// alone. Returns whether the directory exists afterwards.
bool ForceDirectories(const std::string& path);

}  // namespace platform
