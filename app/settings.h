// The product's fixed data and the install settings made from the wizard's answers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace app {

inline constexpr char kProductTitle[] = "Pesquisa TAVO/TAVO-Fiscal";
// The product INI file; a bare name, so the profile functions look for it in the Windows folder.
inline constexpr char kIniFile[] = "TAVO.INI";
inline constexpr char kDefaultTarget[] = "C:\\RUDOdez";

// The wizard's default-database list and the code each item stands for, index for index.
inline constexpr std::array<const char*, 4> TypeItems = {"TAVO 1.0", "TAVO-Fiscal 1.1", "TAVO",
                                                         "TAVO-Fiscal 1.0"};
inline constexpr std::array<const char*, 4> TypeCodes = {"C110", "F110", "C100", "F100"};
// The web server ports the wizard offers; index 0 is the standard port.
inline constexpr std::array<const char*, 5> PortItems = {"80", "8080", "8088", "8880", "8888"};

// index when it names an item of a list of count items, else 0: the lists offer no empty choice.
std::int32_t ValidIndex(std::int32_t index, std::size_t count);

// The wizard's defaults as an earlier run left them in section "INSTALL" of the product INI file.
struct TInstallDefaults {
  std::string Path = kDefaultTarget;
  std::int32_t Type = 0;
  std::int32_t Port = 0;
};

// Reads keys "PATH", "TYPE" and "PORT" of section "INSTALL" of iniFile (a bare name means the
// Windows folder). A missing file, section or key gives the default; so does a value that is not
// a decimal integer or, for the two indexes, one outside its list, so the wizard always shows a
// choice.
TInstallDefaults ReadInstallDefaults(const std::string& iniFile);

// The main window's settings, fixed once when the wizard closes with OK.
struct TSettings {
  std::int32_t TypeIndex = 0;
  std::int32_t PortIndex = 0;
  std::string TargetDir;
  std::string CgiBinDir;
  std::string ImagesDir;
  std::string DbDir;
  std::string TypeCode;
  std::string PortText;
};

// Settings from the wizard's target text and list choices. The subdirectories are plain
// concatenations: the target is used exactly as typed. An index outside its list counts as 0.
TSettings MakeSettings(const std::string& targetDir, std::int32_t typeIndex,
                       std::int32_t portIndex);

}  // namespace app
