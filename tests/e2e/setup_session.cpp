#include "tests/e2e/setup_session.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/control_ids.h"

namespace e2e {

using namespace uidriver;

std::string FolderFromEnv(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return "";
  std::string path = value;
  if (path[0] == '/') {
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
  }
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

namespace {
std::string Required(const char* name) {
  std::string dir = FolderFromEnv(name);
  if (dir.empty())
    throw DriverError(std::string("the environment variable ") + name + " is not set");
  return dir;
}
}  // namespace

std::string DistDir() { return Required("TAVO_E2E_DIST"); }
std::string ContentDir() { return Required("TAVO_E2E_CONTENT"); }
std::string DemoBinDir() { return Required("TAVO_E2E_DEMOBIN"); }

void Snap(const std::string& name) {
  const std::string dir = FolderFromEnv("TAVO_E2E_SHOTS");
  if (dir.empty()) return;
  CreateDirectoryA(dir.c_str(), nullptr);
  SaveScreenshot(dir + "\\" + name + ".bmp");
}

std::vector<ArchiveSource> ArchiveSources() {
  const std::string content = ContentDir(), bin = DemoBinDir();
  // The programs the build makes are staged beside the static content of their archive.
  return {
      {"WEB.PCK", {content + "\\web", bin + "\\web"}, ""},
      {"ISA.PCK", {bin + "\\cgi-bin"}, "\\cgi-bin"},
      {"DB.PCK", {content + "\\db"}, "\\db"},
      {"IMG.PCK", {content + "\\images"}, "\\images"},
      {"IDAPI32.PCK", {content + "\\idapi", bin + "\\idapi"}, "<idapi>"},
      {"LD32.PCK", {content + "\\langdrv"}, "<idapi>"},
  };
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

IniRows ReadIni(const std::string& path) {
  IniRows rows;
  auto text = ReadWholeFile(path);
  if (!text) return rows;
  // The profile API reads back sections in file order; its buffers hold NUL-separated strings.
  std::vector<char> names(32768);
  const DWORD n =
      GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
  for (const char* s = names.data(); s < names.data() + n && *s; s += lstrlenA(s) + 1) {
    std::vector<char> body(32768);
    const DWORD m =
        GetPrivateProfileSectionA(s, body.data(), static_cast<DWORD>(body.size()), path.c_str());
    std::vector<std::string> keys;
    for (const char* k = body.data(); k < body.data() + m && *k; k += lstrlenA(k) + 1)
      keys.push_back(k);
    rows.emplace_back(s, keys);
  }
  return rows;
}

std::optional<std::string> MachineString(const std::string& key, const std::string& name) {
  HKEY h;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
    return std::nullopt;
  char value[1024];
  DWORD size = sizeof value, type = 0;
  const LONG rc =
      RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  std::string s(value, size);
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::string ProgramsFolder() {
  char path[MAX_PATH];
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path)))
    throw DriverError("no Programs folder");
  return path;
}

std::optional<std::string> ShortcutTarget(const std::string& lnkPath) {
  if (GetFileAttributesA(lnkPath.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  CoInitialize(nullptr);
  std::optional<std::string> target;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, lnkPath.c_str(), -1, wide, MAX_PATH);
      char path[MAX_PATH];
      if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
          SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
        target = path;
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return target;
}

// ---- SetupRun ----

SetupRun::SetupRun(const std::string& dist)
    : app_(App::Launch("\"" + dist + "\\SETUP.EXE\"", dist + "\\")) {}

HWND SetupRun::Wizard() {
  if (!wizard_ || !IsWindow(wizard_)) wizard_ = app_.Wait(ids::kClassFrmData);
  return wizard_;
}

void SetupRun::Press(int button, int markerOfNextPage) {
  Click(Control(button));
  HWND marker = Control(markerOfNextPage);
  if (!WaitUntil([&] { return IsVisible(marker); }, 5000))
    throw DriverError("the wizard did not change its page");
}

HWND SetupRun::Install() {
  Click(Control(ids::btnNext));
  return app_.Wait(ids::kClassFrmStatus);
}

BoxInfo SetupRun::WaitBox(HWND* box, int timeoutMs) {
  HWND b = app_.WaitBox(timeoutMs);
  if (box) *box = b;
  return ReadBox(b);
}

}  // namespace e2e
