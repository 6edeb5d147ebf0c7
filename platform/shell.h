// What the host says about itself: where Windows lives, which program is running, and its
// top-level windows by class.
//
// One Shell is current for the process: the host's until SetShell installs another.
#pragma once

#include <string>

#include "platform/service.h"

namespace platform {

// The Windows show command that gives a minimized or hidden window back, by its Windows value.
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

// The current shell; the host's until SetShell installs another.
Shell& CurrentShell();
// Makes shell current (nullptr: the host's) until the guard goes. The caller keeps ownership.
ServiceGuard<Shell*> SetShell(Shell* shell);

}  // namespace platform
