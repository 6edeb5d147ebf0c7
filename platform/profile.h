// Profile (INI) files: one key of one section of a named file read or written at a time.
//
// A bare file name (without any backslash) means the file in the Windows directory, and section
// and key names match without regard to case, as with the Windows profile functions. Writing
// creates the file and the section when they do not exist and replaces an existing value.
//
// One Profile is current for the process: the host's (the Windows profile API on Windows, an INI
// file implementation elsewhere) until SetProfile installs another.
#pragma once

#include <cstdint>
#include <string>

#include "platform/service.h"

namespace platform {

class Profile {
 public:
  virtual ~Profile() = default;
  // The value of key in section of file, or def when the file, the section or the key is missing.
  virtual std::string ReadString(const std::string& file, const std::string& section,
                                 const std::string& key, const std::string& def) = 0;
  // Writes value under key in section of file; false when the write was refused.
  virtual bool WriteString(const std::string& file, const std::string& section,
                           const std::string& key, const std::string& value) = 0;

  // A decimal integer value (optionally signed, surrounding blanks allowed); def when the key is
  // missing or its value is not a whole 32-bit integer.
  std::int32_t ReadInteger(const std::string& file, const std::string& section,
                           const std::string& key, std::int32_t def);
};

// The current profile; the host's until SetProfile installs another.
Profile& CurrentProfile();
// Makes profile current (nullptr: the host's) until the guard goes. The caller keeps ownership.
ServiceGuard<Profile*> SetProfile(Profile* profile);

}  // namespace platform
