// What pck writes for the user lands whole or not at all.
//
// An output the user names is written under a temporary name in its own folder and renamed into
// place once it is complete and closed, so a failed or interrupted run leaves the file that was
// there before untouched and nothing new behind. A device or a pipe is written as it is: there
// is nothing to rename, and it is never deleted.
//
// Every temporary file pck makes is also listed for the end by a signal (SIGINT, SIGTERM,
// SIGHUP, SIGPIPE; Ctrl+C on Windows): the handler deletes the listed files and ends the process by
// the same signal, so the shell still sees why it ended (on Windows with STATUS_CONTROL_C_EXIT).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/folder.h"

namespace pck {

// An archive is read from a file only: a pipe or a device cannot be read from its end, where
// its checksums are, nor skipped over. The message refusing such a one (archive: a Windows
// path), or empty for a file.
std::string RefusedArchive(const char* command, const std::string& archive);

// Installs the handlers; once, at start-up.
void InstallSignalCleanup();

// The status of a run ended by a closed pipe on standard output: 128 + SIGPIPE, as a shell
// reports a process that signal ended.
constexpr int kExitBrokenPipe = 141;

// Windows has no SIGPIPE: a write to a closed pipe (pck list | head -1) only fails. Once a
// write to standard output has failed, this ends the run as the signal does elsewhere: the
// temporary files deleted, the progress line wiped, status kExitBrokenPipe. Elsewhere the
// signal has done so already, and this does nothing.
void EndIfOutputLost();

// Holds the signals off while it lives (or until Release): between making a temporary file and
// listing it, a signal would leave it behind.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld() { Release(); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
  void Release();

 private:
  bool held_ = false;
};

// Keeps one path (a Windows path, as the engines take it) on the list of files the signal
// handlers delete, for as long as it lives or until Set moves it to another path.
class TrackedPath {
 public:
  TrackedPath() = default;
  explicit TrackedPath(const std::string& path) { Set(path); }
  ~TrackedPath() { Set(std::string()); }
  TrackedPath(const TrackedPath&) = delete;
  TrackedPath& operator=(const TrackedPath&) = delete;
  // An empty path takes this one off the list.
  void Set(const std::string& path);

 private:
  int slot_ = -1;
};

class SafeOutput {
 public:
  // target: the output the user named, a Windows path.
  explicit SafeOutput(const std::string& target);
  // Deletes the temporary file unless Commit moved it into place.
  ~SafeOutput();
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;

  // Where to write: the temporary file, or target itself when it is a device or a pipe, or when
  // its folder takes no new file (then writing target fails the same way and reports it).
  const std::string& Path() const { return path_; }
  const std::string& Target() const { return target_; }
  // Whether target is a device or a pipe: it is written as it is and keeps its own time and mode.
  bool Special() const { return special_; }
  // Whether Path() is a temporary file that Commit moves into place.
  bool Temporary() const { return temporary_; }
  // Moves the finished and closed file into place; false (and the temporary file kept for the
  // destructor) when the system refuses.
  bool Commit();

 private:
  std::string target_, path_;
  bool special_ = false, temporary_ = false;
  TrackedPath tracked_;
};

// An extracted file: made under a temporary name ("~pck....TMP") in its folder, reached as
// platform::Folder reaches it, so nothing leads it out of the folder the user named; listed for
// the signal handlers until Commit moves it to its name. Its mode is the entry's, never that of
// a file it replaces.
class PlacedOutput {
 public:
  PlacedOutput(std::shared_ptr<const platform::Folder> folder, const std::string& name);
  // Deletes the temporary file unless Commit moved it into place.
  ~PlacedOutput();
  PlacedOutput(const PlacedOutput&) = delete;
  PlacedOutput& operator=(const PlacedOutput&) = delete;

  // The temporary file, open for writing; not open when it could not be made (errno /
  // GetLastError tell why).
  platform::File& File() { return file_; }
  // Closes the file and moves it into place with the attributes attr (platform/fileinfo.h);
  // false when the system refuses, and then the name holds what it held. Without replace,
  // anything standing at the name refuses it.
  bool Commit(std::uint16_t attr, bool replace = true);

 private:
  std::shared_ptr<const platform::Folder> folder_;
  std::string name_, temp_;
  platform::File file_;
  TrackedPath tracked_;
};

}  // namespace pck
