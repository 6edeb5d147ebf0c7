// The install engine on the real system (under Wine): the registry, profile files, the
// gradient on a real device context, and the attempt loop with real message boxes driven from a
// second thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "install/install.h"
#include "install/install_item.h"
#include "platform/win32/canvas_win32.h"
#include "platform/win32/ui_win32.h"
#include "tests/install/recorded_task.h"
#include "tests/platform/box_driver.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::RootKey;

const char kEngine[] = "SOFTWARE\\Borland\\Database Engine";
const char kSettings[] = "SOFTWARE\\Borland\\Database Engine\\Settings";
const char kBlw32[] = "SOFTWARE\\Borland\\BLW32";

// Every value of a key as (name, REG_SZ text); non-string values are marked.
std::map<std::string, std::string> Values(const std::string& path) {
  std::map<std::string, std::string> values;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[1024];
    DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
      break;
    values[name] = type == REG_SZ ? std::string(reinterpret_cast<char*>(data), dataSize)
                                  : "<type " + std::to_string(type) + ">";
  }
  RegCloseKey(key);
  return values;
}

void SetString(const char* path, const char* name, const std::string& value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

std::string Sz(const std::string& text) { return text + '\0'; }

class Win32InstallTest : public ::testing::Test, public RecordedTask {
 protected:
  Win32InstallTest() : RecordedTask("Teste") {}

  platform::Win32Ui ui;
  platform::ServiceGuard<platform::UserInterface*> current = platform::SetUi(&ui);
};

TEST_F(Win32InstallTest, EngineSettingsLeaveExactlyTheElevenValues) {
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettings);
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kBlw32);
  auto engineBefore = Values(kEngine);
  engineBefore.erase("DLLPATH");
  engineBefore.erase("RESOURCE");

  EXPECT_TRUE(task.SetEnginePaths("C:\\IDAPI", "C:\\IDAPI"));
  EXPECT_TRUE(task.SetParadoxDriver(true, "ANSI850"));

  auto engine = Values(kEngine);
  for (const auto& [name, value] : engineBefore) engine.erase(name);
  EXPECT_EQ(engine, (std::map<std::string, std::string>{{"DLLPATH", Sz("C:\\IDAPI")},
                                                        {"RESOURCE", Sz("0009")}}));
  EXPECT_EQ(Values(kBlw32), (std::map<std::string, std::string>{{"BLAPIPATH", Sz("C:\\IDAPI")}}));
  EXPECT_EQ(Values(std::string(kSettings) + "\\DRIVERS\\PARADOX\\INIT"),
            (std::map<std::string, std::string>{
                {"VERSION", Sz("4.0")}, {"TYPE", Sz("FILE")}, {"LANGDRIVER", Sz("ANSI850")}}));
  EXPECT_EQ(Values(std::string(kSettings) + "\\DRIVERS\\PARADOX\\TABLE CREATE"),
            (std::map<std::string, std::string>{{"LEVEL", Sz("7")},
                                                {"BLOCK SIZE", Sz("2048")},
                                                {"FILL FACTOR", Sz("95")},
                                                {"STRICTINTEGRTY", Sz("TRUE")}}));
  EXPECT_EQ(Values(std::string(kSettings) + "\\SYSTEM\\INIT"),
            (std::map<std::string, std::string>{{"LOCAL SHARE", Sz("TRUE")}}));
  EXPECT_EQ(afters, (std::vector<std::pair<std::int32_t, std::string>>(11, {0, ""})));
}

TEST_F(Win32InstallTest, DiscoveryReadsTheKeysWrittenBeforeIt) {
  SetString(kEngine, "DLLPath", "D:\\Engine\\DLL");
  SetString(kEngine, "CONFIGFILE01", "D:\\Engine\\IDAPI.CFG");
  SetString(kBlw32, "BLAPIPATH", "D:\\Engine\\BLAPI");
  TInstall install;
  EXPECT_EQ(install.EngineDir, "D:\\Engine\\DLL");
  EXPECT_EQ(install.EngineConfigFile, "D:\\Engine\\IDAPI.CFG");
  EXPECT_EQ(install.BlapiDir, "D:\\Engine\\BLAPI");

  char windows[MAX_PATH], system[MAX_PATH], program[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  EXPECT_EQ(install.WindowsDir, windows);
  EXPECT_EQ(install.SystemDir, system);
  const std::string exe = program;
  EXPECT_EQ(install.SourceDir, exe.substr(0, exe.rfind('\\') + 1));
  EXPECT_FALSE(install.CommonFilesDir.empty());
  EXPECT_FALSE(install.SharedToolsDir.empty());

  // A value of another type is passed over: the computed default stays.
  HKEY key;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEngine, 0, KEY_ALL_ACCESS, &key);
  const DWORD number = 5;
  RegSetValueExA(key, "DLLPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  RegCloseKey(key);
  TInstall again;
  EXPECT_EQ(again.EngineDir, JoinPath(again.CommonFilesDir, "Borland Shared\\BDE"));
  EXPECT_EQ(again.EngineConfigFile, "D:\\Engine\\IDAPI.CFG");
}

TEST_F(Win32InstallTest, IniWithABareDirectoryGoesToTheWindowsFolder) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string file = std::string(windows) + "\\TAVO.INI";
  DeleteFileA(file.c_str());
  EXPECT_TRUE(task.WriteIniString("", "TAVO.INI", "INSTALL", "Path", "C:\\RUDOdez"));
  EXPECT_TRUE(task.WriteIniString("", "TAVO.INI", "INSTALL", "Port", "2"));
  char value[64] = {};
  GetPrivateProfileStringA("install", "path", "", value, sizeof value, file.c_str());
  EXPECT_STREQ(value, "C:\\RUDOdez");
  EXPECT_EQ(items[0], "Atualizando arquivo TAVO.INI");
  DeleteFileA(file.c_str());
}

// The colour of row y: the last band painted over it wins.
COLORREF ExpectedRow(int y, int height, int n) {
  int band = 0;
  for (int i = 0; i <= n; ++i) {
    const double f = static_cast<double>(i) / n;
    const int top = static_cast<int>(std::nearbyint(f * height)) - 1;
    if (top <= y && y < top + BandHeight + 2) band = i;
  }
  const int blue = static_cast<int>(std::nearbyint(255.0 * (1.0 - static_cast<double>(band) / n)));
  return RGB(0, 0, blue);
}

TEST_F(Win32InstallTest, GradientOnAMemoryBitmapHasTheBandColoursAtTheRightRows) {
  const int width = 64, height = 125;  // n = 12
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_TRUE(window);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  {
    platform::WindowCanvas canvas(window, memory);
    EXPECT_EQ(canvas.Width(), width);
    EXPECT_EQ(canvas.ClientHeight(), height);
    list.PaintGradient(canvas, 0x00FF0000, 0);
  }
  EXPECT_EQ(GetPixel(memory, 10, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(memory, 10, height - 1), RGB(0, 0, 0));
  for (int y = 0; y < height; ++y)
    EXPECT_EQ(GetPixel(memory, 5, y), ExpectedRow(y, height, 12)) << y;
  // Rows 9 and 10 differ: band 1 starts at round(125/12) - 1 = 9.
  EXPECT_EQ(GetPixel(memory, 5, 8), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(memory, 5, 9), RGB(0, 0, 234));

  // A window lower than one band is painted in the top colour, edge to edge.
  SetWindowPos(window, nullptr, 0, 0, width, 6, SWP_NOZORDER | SWP_NOMOVE);
  {
    platform::WindowCanvas canvas(window, memory);
    list.PaintGradient(canvas, 0x00123456, 0);
  }
  EXPECT_EQ(GetPixel(memory, 0, 0), static_cast<COLORREF>(0x00123456));
  EXPECT_EQ(GetPixel(memory, width - 1, 5), static_cast<COLORREF>(0x00123456));
  EXPECT_EQ(GetPixel(memory, 5, 6), ExpectedRow(6, height, 12));  // below: untouched

  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  DestroyWindow(window);
}

TEST_F(Win32InstallTest, ACriticalTaskRetriesThroughTheRealErrorBox) {
  testsupport::TempDir temp;
  const std::string missing = temp.Path() + "\\missing";
  task.Critical = true;
  // The box is on screen while the cause is removed; then Retry succeeds.
  boxes::BoxDriver driver({IDRETRY},
                          [&](std::size_t) { CreateDirectoryA(missing.c_str(), nullptr); });
  EXPECT_TRUE(task.WriteIniString(missing, "A.INI", "S", "K", "V"));
  const auto& seen = driver.Seen();
  ASSERT_TRUE(seen[0].Found);
  EXPECT_EQ(seen[0].Text, "Erro na atualiza\xE7\xE3o do arquivo " + missing + "\\A.INI");
  EXPECT_EQ(seen[0].Caption, "Error");
  EXPECT_EQ(seen[0].Icon, boxes::SystemIcon(IDI_HAND));
  EXPECT_EQ(seen[0].Buttons, (std::vector<int>{IDABORT, IDRETRY}));
  EXPECT_EQ(items, std::vector<std::string>{"Atualizando arquivo " + missing + "\\A.INI"});
  EXPECT_EQ(afters, (std::vector<std::pair<std::int32_t, std::string>>{{0, ""}}));
  char value[8] = {};
  GetPrivateProfileStringA("S", "K", "", value, sizeof value, (missing + "\\A.INI").c_str());
  EXPECT_STREQ(value, "V");
}

TEST_F(Win32InstallTest, IgnoreAndAbortOnTheRealErrorBox) {
  testsupport::TempDir temp;
  const std::string missing = temp.Path() + "\\never";
  const std::string error = "Erro na atualiza\xE7\xE3o do arquivo " + missing + "\\A.INI";
  {
    boxes::BoxDriver driver({IDRETRY, IDIGNORE});
    EXPECT_TRUE(task.WriteIniString(missing, "A.INI", "S", "K", "V"));
    for (const auto& seen : driver.Seen())
      EXPECT_EQ(seen.Buttons, (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
  }
  {
    boxes::BoxDriver driver({IDABORT});
    EXPECT_FALSE(task.WriteIniString(missing, "A.INI", "S", "K", "V"));
    EXPECT_TRUE(driver.Seen()[0].Found);
  }
  EXPECT_EQ(afters, (std::vector<std::pair<std::int32_t, std::string>>{{5, error}, {3, error}}));
}

TEST_F(Win32InstallTest, TheDiskPromptAndTheCompletionMessagesAreRealBoxes) {
  testsupport::TempDir temp;
  list.SourceDir = temp.Path() + "\\DISK1\\";
  {
    boxes::BoxDriver driver({IDCANCEL, IDNO, IDCANCEL, IDYES});
    EXPECT_FALSE(list.ChangeDisk(2, "X.PCK"));
    const auto& seen = driver.Seen();
    EXPECT_EQ(seen[0].Text, "Por favor, insira o Disco 2");
    EXPECT_EQ(seen[0].Caption, "Warning");
    EXPECT_EQ(seen[0].Icon, boxes::SystemIcon(IDI_EXCLAMATION));
    EXPECT_EQ(seen[0].Buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_EQ(seen[1].Text, "Voc\xEA tem certeza que deseja sair da instala\xE7\xE3o ?");
    EXPECT_EQ(seen[1].Caption, "Confirm");
    EXPECT_EQ(seen[1].Icon, boxes::SystemIcon(IDI_QUESTION));
    EXPECT_EQ(seen[1].Buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_TRUE(seen[3].Found);
  }
  TInstall empty;
  {
    boxes::BoxDriver driver({IDOK});
    EXPECT_TRUE(empty.Execute());
    EXPECT_EQ(driver.Seen()[0].Text, "Instala\xE7\xE3o completa com sucesso");
    EXPECT_EQ(driver.Seen()[0].Icon, boxes::SystemIcon(IDI_ASTERISK));
    EXPECT_EQ(driver.Seen()[0].Buttons, (std::vector<int>{IDOK}));
  }
  TInstallItem failing;
  failing.OnExecute = [](TObject*, bool&) {};
  empty.AddTask(&failing);
  {
    boxes::BoxDriver driver({IDOK});
    EXPECT_FALSE(empty.Execute());
    EXPECT_EQ(driver.Seen()[0].Text, "Instala\xE7\xE3o incompleta");
    EXPECT_EQ(driver.Seen()[0].Caption, "Error");
  }
}

}  // namespace
