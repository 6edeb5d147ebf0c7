// What the end-to-end scenarios share: where the distribution, the demo's sources and the
// screenshot folder are, a SETUP.EXE run driven through the wizard like a user, and readers for
// what an install leaves on the machine (files, INI sections, registry values, shortcuts).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/uidriver/driver.h"

namespace e2e {

// The folder named by an environment variable holding a Linux path, as a Windows path ("Z:\...").
// Empty when the variable is not set.
std::string FolderFromEnv(const char* name);

// A distribution folder (SETUP.EXE, the archives, LEIAME.TXT): TAVO_E2E_DIST.
std::string DistDir();
// The demo product's content folder (demo/content) and its built programs (<build>/demo).
std::string ContentDir();
std::string DemoBinDir();

// Saves the screen as NAME.bmp in TAVO_E2E_SHOTS (the harness turns it into NAME.png); does
// nothing when that variable is not set.
void Snap(const std::string& name);

// Where each archive's files come from and where the install puts them.
struct ArchiveSource {
  std::string archive;               // "WEB.PCK"
  std::vector<std::string> sources;  // source folders; every file in them is in the archive
  std::string targetSuffix;          // appended to the target directory; empty: IDAPI directory
};
std::vector<ArchiveSource> ArchiveSources();

// Files (not folders) in dir, sorted by name.
std::vector<std::string> FilesIn(const std::string& dir);
std::optional<std::string> ReadWholeFile(const std::string& path);

// The sections of an INI file in file order, each with its "key=value" rows in order.
using IniRows = std::vector<std::pair<std::string, std::vector<std::string>>>;
IniRows ReadIni(const std::string& path);

// A REG_SZ value under HKEY_LOCAL_MACHINE; nullopt when the key or value is missing or the value
// is of another type.
std::optional<std::string> MachineString(const std::string& key, const std::string& name);

// The Start Menu's Programs folder of the current user, and the program a shortcut starts.
std::string ProgramsFolder();
std::optional<std::string> ShortcutTarget(const std::string& lnkPath);

// A SETUP.EXE run from the distribution folder dist.
class SetupRun {
 public:
  explicit SetupRun(const std::string& dist);
  uidriver::App& App() { return app_; }
  // The wizard, waited for.
  HWND Wizard();
  HWND Control(int id) { return uidriver::Item(Wizard(), id); }
  std::string TextOf(int id) { return uidriver::Text(Control(id)); }
  // Presses a wizard button and waits until the page whose marker control is given shows.
  void Press(int button, int markerOfNextPage);
  // Presses "&Instala" and returns the status window.
  HWND Install();
  // Waits for a message box and returns what it shows.
  uidriver::BoxInfo WaitBox(HWND* box = nullptr, int timeoutMs = uidriver::kDefaultTimeout);

 private:
  uidriver::App app_;
  HWND wizard_ = nullptr;
};

}  // namespace e2e
