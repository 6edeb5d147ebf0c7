// The temporary directory and unique temporary files in it.
#pragma once

#include <string>

#include "platform/file.h"

namespace platform {

// The user's temporary directory as a Windows path ending with a backslash (Windows
// GetTempPathA; elsewhere $TMPDIR or /tmp).
std::string TempDirectory();

// Creates a new empty file in dir named prefix + hexadecimal digits + ".TMP" (Windows
// GetTempFileNameA with unique number 0) and returns its full path; empty when no name could be
// made. dir must exist.
std::string CreateTempFile(const std::string& dir, const std::string& prefix);

// As CreateTempFile, and leaves the new file open on file as by OpenMode::CreateNew: one open
// instead of the two that making the name and then opening it take.
std::string OpenTempFile(const std::string& dir, const std::string& prefix, File& file);

}  // namespace platform
