// The temporary directory and unique temporary files in it.
#pragma once

#include <string>

namespace platform {

// The user's temporary directory as a Windows path ending with a backslash (Windows
// GetTempPathA; elsewhere $TMPDIR or /tmp).
std::string TempDirectory();

// Creates a new empty file in dir named prefix + hexadecimal digits + ".TMP" (Windows
// GetTempFileNameA with unique number 0) and returns its full path; empty when no name could be
// made. dir must exist.
std::string CreateTempFile(const std::string& dir, const std::string& prefix);

}  // namespace platform
