// Profile files on a host without the Windows profile API: real INI files, read and rewritten
// whole, with the Windows rules: a bare file name means the file in the current shell's Windows
// directory, section and key names match without regard to case, the first match counts, blanks
// around names and values are ignored, and a value in matching quotes is read without them.
// A write keeps every other line as it was and replaces the file only once the new one is
// complete, so a failed write leaves the old file intact.
#pragma once

#include "platform/profile.h"

namespace platform {

class IniFileProfile final : public Profile {
 public:
  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& def) override;
  bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override;

  // The file a name refers to: bare names are taken from the Windows directory.
  static std::string Resolve(const std::string& file);
};

}  // namespace platform
