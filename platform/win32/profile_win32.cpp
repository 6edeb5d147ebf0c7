// Profile files through the Windows profile API, which also resolves bare names to the Windows
// directory.
#include <windows.h>

#include <vector>

#include "platform/profile.h"

namespace platform {
namespace {

class Win32Profile final : public Profile {
 public:
  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& def) override {
    // The API cuts a value that does not fit and then returns the buffer size less one.
    for (DWORD size = 256;; size *= 2) {
      std::vector<char> buffer(size);
      DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                         size, file.c_str());
      if (n < size - 1 || size >= (1u << 20)) return std::string(buffer.data(), n);
    }
  }

  bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           0;
  }
};

Win32Profile host;
ServiceSlot<Profile> slot(host);

}  // namespace

Profile& CurrentProfile() { return slot.Current(); }
ServiceGuard<Profile*> SetProfile(Profile* profile) { return slot.Set(profile); }

}  // namespace platform
