#include "app/settings.h"

#include "platform/profile.h"

namespace app {
std::int32_t ValidIndex(std::int32_t index, std::size_t count) {
  return index >= 0 && static_cast<std::size_t>(index) < count ? index : 0;
}

TInstallDefaults ReadInstallDefaults(const std::string& iniFile) {
  platform::Profile& profile = platform::CurrentProfile();
  TInstallDefaults defaults;
  defaults.Path = profile.ReadString(iniFile, "INSTALL", "PATH", kDefaultTarget);
  defaults.Type = ValidIndex(profile.ReadInteger(iniFile, "INSTALL", "TYPE", 0), TypeItems.size());
  defaults.Port = ValidIndex(profile.ReadInteger(iniFile, "INSTALL", "PORT", 0), PortItems.size());
  return defaults;
}

TSettings MakeSettings(const std::string& targetDir, std::int32_t typeIndex,
                       std::int32_t portIndex) {
  TSettings settings;
  settings.TypeIndex = ValidIndex(typeIndex, TypeCodes.size());
  settings.PortIndex = ValidIndex(portIndex, PortItems.size());
  settings.TargetDir = targetDir;
  settings.CgiBinDir = targetDir + "\\cgi-bin";
  settings.ImagesDir = targetDir + "\\images";
  settings.DbDir = targetDir + "\\db";
  settings.TypeCode = TypeCodes[static_cast<std::size_t>(settings.TypeIndex)];
  settings.PortText = PortItems[static_cast<std::size_t>(settings.PortIndex)];
  return settings;
}

}  // namespace app
