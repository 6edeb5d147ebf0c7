// What the host says about itself: where Windows lives, which program is running, and its
// top-level windows by class.
//
// One Shell is current for the process: the host's until SetShell installs another.
#pragma once

#include <string>

namespace platform {

// Windows show commands used here, by their Windows values.
inline constexpr int ShowNormal = 1;
inline constexpr int ShowMinNoActive = 7;
inline constexpr int ShowRestore = 9;

class Shell {
 public:
  virtual ~Shell() = default;
  // The Windows directory and the system directory, without a trailing backslash (unless a
  // root). Where the host has no Windows, the directory named by the environment variable
  // WINDIR, else the user's home directory, and its "SYSTEM" subdirectory.
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;
  // The full path of the running program file.
  virtual std::string ProgramPath() = 0;
  // Applies showCommand to the top-level window of the given window class; false when there is
  // no such window.
  virtual bool ShowWindowOfClass(const std::string& className, int showCommand) = 0;
};

// The current shell; the host's until SetShell is called.
Shell& CurrentShell();
// Makes shell current (nullptr restores the host's). The caller keeps ownership.
void SetShell(Shell* shell);

}  // namespace platform
