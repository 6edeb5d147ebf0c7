// The Win32 implementations of the platform services, against the real system (under Wine).
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/win32/ui_win32.h"
#include "tests/platform/box_driver.h"

namespace {

using platform::RootKey;

TEST(Win32RegistryTest, OpensCreatesReadsAndWritesUnderLocalMachine) {
  platform::Registry& reg = platform::CurrentRegistry();
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TavoTest");
  EXPECT_FALSE(reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\TavoTest\\A", false));
  auto key = reg.OpenKey(RootKey::LocalMachine, "\\SOFTWARE\\TavoTest\\A\\", true);
  ASSERT_TRUE(key);
  key->WriteString("S", "C:\\X");
  key->WriteInteger("I", -2);
  key->WriteBinary("B", "\x01\x02\x03", 3);
  key->WriteValue("E", REG_EXPAND_SZ, "%WINDIR%\\Y", 11);
  key.reset();

  HKEY raw;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TavoTest\\A", 0, KEY_READ, &raw),
            ERROR_SUCCESS);
  DWORD type = 0, value = 0, size = sizeof value;
  EXPECT_EQ(RegQueryValueExA(raw, "I", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 0xFFFFFFFEu);
  RegCloseKey(raw);

  auto again = reg.OpenKey(RootKey::LocalMachine, "software\\tavotest\\a", false);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->ReadString("s"), "C:\\X");
  EXPECT_EQ(again->ReadString("E"), "%WINDIR%\\Y");
  EXPECT_EQ(again->ReadString("I"), std::nullopt);
  EXPECT_EQ(again->ReadString("Missing"), "");
  EXPECT_EQ(again->ReadValue("B"), (platform::RegistryValue{REG_BINARY, "\x01\x02\x03"}));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TavoTest");
}

TEST(Win32ProfileTest, BareNamesLiveInTheWindowsDirectory) {
  platform::Profile& profile = platform::CurrentProfile();
  const std::string windows = platform::CurrentShell().WindowsDirectory();
  const std::string file = windows + "\\TAVOTEST.INI";
  DeleteFileA(file.c_str());
  ASSERT_TRUE(profile.WriteString("TAVOTEST.INI", "Sec", "Key", "  12 "));
  EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(profile.ReadInteger("tavotest.ini", "SEC", "key", 0), 12);
  const std::string long_value(1000, 'v');
  ASSERT_TRUE(profile.WriteString(file, "Sec", "Long", long_value));
  EXPECT_EQ(profile.ReadString("TAVOTEST.INI", "Sec", "Long", ""), long_value);
  EXPECT_EQ(profile.ReadString("TAVOTEST.INI", "Sec", "None", "def"), "def");
  EXPECT_FALSE(profile.WriteString("C:\\no\\such\\dir\\X.INI", "S", "K", "V"));
  DeleteFileA(file.c_str());
}

TEST(Win32ShellTest, KnowsWindowsAndTheProgram) {
  platform::Shell& shell = platform::CurrentShell();
  char windows[MAX_PATH], system[MAX_PATH], program[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  EXPECT_EQ(shell.WindowsDirectory(), windows);
  EXPECT_EQ(shell.SystemDirectory(), system);
  EXPECT_EQ(shell.ProgramPath(), program);
  EXPECT_FALSE(shell.ShowWindowOfClass("TavoNoSuchClass", platform::ShowRestore));
}

// Every button set the engines use, with its platform captions and the box type's icon.
TEST(Win32UiTest, MessageBoxesShowTheRequestedButtonsAndReturnThePressedOne) {
  platform::Win32Ui ui;
  struct Case {
    platform::MsgType type;
    unsigned buttons;
    std::vector<int> ids;
    int press;
    int result;
    const char* caption;
    LPCSTR icon;
  };
  using namespace platform;
  const Case cases[] = {
      {MsgType::Error, mbAbort | mbRetry, {IDABORT, IDRETRY}, IDRETRY, mrRetry, "Error", IDI_HAND},
      {MsgType::Error,
       mbAbort | mbRetry | mbIgnore,
       {IDABORT, IDRETRY, IDIGNORE},
       IDIGNORE,
       mrIgnore,
       "Error",
       IDI_HAND},
      {MsgType::Warning,
       mbOK | mbCancel,
       {IDOK, IDCANCEL},
       IDCANCEL,
       mrCancel,
       "Warning",
       IDI_EXCLAMATION},
      {MsgType::Confirmation, mbYes | mbNo, {IDYES, IDNO}, IDYES, mrYes, "Confirm", IDI_QUESTION},
      {MsgType::Information, mbOK, {IDOK}, IDOK, mrOk, "Information", IDI_ASTERISK},
      {MsgType::Information, mbCancel, {IDCANCEL}, IDCANCEL, mrCancel, "Information", IDI_ASTERISK},
      {MsgType::Error, mbAbort, {IDABORT}, IDABORT, mrAbort, "Error", IDI_HAND},
      {MsgType::Warning, 0, {IDOK}, IDOK, mrOk, "Warning", IDI_EXCLAMATION},
  };
  for (const Case& c : cases) {
    boxes::BoxDriver driver({c.press});
    const int answer = ui.ShowMessage("Texto \xE7", c.type, c.buttons);
    const boxes::SeenBox& seen = driver.Seen()[0];
    ASSERT_TRUE(seen.Found) << c.caption;
    EXPECT_EQ(answer, c.result);
    EXPECT_EQ(seen.Caption, c.caption);
    EXPECT_EQ(seen.Text, "Texto \xE7");
    EXPECT_EQ(seen.Buttons, c.ids) << c.caption;
    EXPECT_EQ(seen.Icon, boxes::SystemIcon(c.icon)) << c.caption;
  }
}

// One call through the handle sets what SetFileTime and SetFileAttributes set by name.
TEST(Win32FileTest, TimeAndAttributesGoThroughTheHandle) {
  constexpr std::int32_t kTime = 0x5D88BBF3;  // 8 December 2026, 23:31:38
  char dir[MAX_PATH], path[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof dir, dir), 0u);
  ASSERT_NE(GetTempFileNameA(dir, "TAV", 0, path), 0u);
  platform::File file;
  ASSERT_TRUE(file.Open(path, platform::OpenMode::Create));
  ASSERT_EQ(file.Write("abc", 3), 3);
  EXPECT_TRUE(file.SetDosTimeAttr(kTime, platform::faReadOnly | platform::faHidden));
  EXPECT_EQ(file.Write("d", 1), 1);  // the bit does not stop the handle that set it
  EXPECT_TRUE(file.SetDosTimeAttr(kTime, platform::faReadOnly | platform::faHidden));
  ASSERT_TRUE(file.Close());
  const DWORD set = GetFileAttributesA(path);
  EXPECT_EQ(set & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(platform::FileAge(path), kTime);

  // No attribute at all clears them; an impossible date leaves the time alone.
  ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(file.Open(path, platform::OpenMode::ReadWrite));
  ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(file.SetDosTimeAttr(0x7FFF0000, 0));  // month 15
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(GetFileAttributesA(path) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_EQ(platform::FileAge(path), kTime);
  EXPECT_TRUE(DeleteFileA(path));
}

// The command line arrives as UTF-8 (from UTF-16): a path is taken in the ANSI code page with
// no character changed, or refused, never turned into a look-alike or '?'.
TEST(Win32FileTest, CommandLinePathsAreExactOrRefused) {
  std::string path;
  EXPECT_TRUE(
      platform::CommandLinePath("C:\\sa\xC3\xAD"
                                "da\\a\xC3\xA7\xC3\xA3o",
                                path));
  EXPECT_EQ(path,
            "C:\\sa\xED"
            "da\\a\xE7\xE3o");
  EXPECT_FALSE(platform::CommandLinePath("\xE5\x87\xBA\xE5\x8A\x9B", path));  // 出力
  EXPECT_FALSE(platform::CommandLinePath("\xC4\x81", path));  // ā, whose best fit is a
  EXPECT_FALSE(platform::CommandLinePath("caf\xE9", path));   // not UTF-8
}

// Last-write times a DOS time cannot hold are clamped to its ends, and said to be; one from
// 2044 on, with the top bit set, is a time like any other.
TEST(Win32FileTest, FindFilesClampsTimesADosTimeCannotHold) {
  char dir[MAX_PATH], path[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof dir, dir), 0u);
  ASSERT_NE(GetTempFileNameA(dir, "TAV", 0, path), 0u);
  const struct {
    WORD year;
    int clamped;
    std::uint32_t dos;
  } cases[] = {{1975, -1, 0x00210000}, {2044, 0, 0x80210000}, {2200, 1, 0xFF9FBF7D}};
  for (const auto& c : cases) {
    SYSTEMTIME local = {};
    local.wYear = c.year, local.wMonth = 1, local.wDay = 1;
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &utc));
    CloseHandle(h);
    const auto found = platform::FindFiles(path, platform::faFiles);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Clamped, c.clamped) << c.year;
    EXPECT_EQ(static_cast<std::uint32_t>(found[0].Time), c.dos) << c.year;
    EXPECT_TRUE(found[0].Exact);
  }
  EXPECT_TRUE(DeleteFileA(path));
}

// A file reused for one piece after another, cut after each: only a shorter piece changes its
// length, and a position beyond the end still lengthens it, as SetEndOfFile does.
TEST(Win32FileTest, TruncateEndsTheFileAtThePosition) {
  char dir[MAX_PATH], path[MAX_PATH];
  ASSERT_NE(GetTempPathA(sizeof dir, dir), 0u);
  ASSERT_NE(GetTempFileNameA(dir, "TAV", 0, path), 0u);
  platform::File file;
  ASSERT_TRUE(file.Open(path, platform::OpenMode::ReadWrite));
  const auto put = [&](const char* text, std::int64_t size) {
    EXPECT_TRUE(file.Seek(0));
    EXPECT_EQ(file.Write(text, static_cast<std::size_t>(size)), size);
    EXPECT_TRUE(file.Truncate());
    EXPECT_EQ(file.Size(), size);
  };
  put("longer", 6);
  put("ab", 2);
  put("cd", 2);
  put("efgh", 4);
  ASSERT_TRUE(file.Seek(0));
  char back[8] = {};
  EXPECT_EQ(file.Read(back, sizeof back), 4);
  EXPECT_STREQ(back, "efgh");
  ASSERT_TRUE(file.Seek(7));
  EXPECT_TRUE(file.Truncate());
  EXPECT_EQ(file.Size(), 7);
  ASSERT_TRUE(file.Close());
  EXPECT_FALSE(file.Truncate());  // nothing open
  EXPECT_TRUE(DeleteFileA(path));
}

int timers = 0;
// Timer procedures are stdcall on 32-bit Windows: a named function, not a lambda.
void CALLBACK CountTimer(HWND, UINT, UINT_PTR, DWORD) { ++timers; }

TEST(Win32UiTest, ProcessMessagesDispatchesWhatIsPending) {
  platform::Win32Ui ui;
  UINT_PTR id = SetTimer(nullptr, 0, 1, &CountTimer);
  Sleep(50);
  ui.ProcessMessages();
  KillTimer(nullptr, id);
  EXPECT_GE(timers, 1);
}

// The codecs' yield point: it lets a just-processed queue be, and processes it once the pace has
// passed. Whether the pace has passed is read from the same clock, so a slow machine cannot turn
// the first half into a false failure.
TEST(Win32UiTest, KeepResponsiveProcessesMessagesOncePerPace) {
  platform::Win32Ui ui;
  MSG msg;
  ui.ProcessMessages();
  const ULONGLONG processed = GetTickCount64();
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  ui.KeepResponsive();
  if (GetTickCount64() - processed < platform::Win32Ui::kResponsivePace) {
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
  }
  Sleep(3 * platform::Win32Ui::kResponsivePace);
  ui.KeepResponsive();
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
}

}  // namespace
