// Program Manager groups and items over real DDE (under Wine, its shell answers as Program
// Manager and keeps groups as Start Menu folders with one shortcut per item).
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "install/install.h"
#include "install/install_item.h"

namespace {

std::filesystem::path Folder(int csidl) {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, csidl, nullptr, 0, path) != S_OK) return {};
  return path;
}

// Waits for a file the shell creates on its own time: the transaction is not waited for.
bool AppearsWithin(const std::filesystem::path& a, const std::filesystem::path& b,
                   std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(a) || std::filesystem::exists(b)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// Closes the folder windows the shell opens for new groups, so none is left on the display.
void CloseFolderWindows(const char* title) {
  for (int i = 0; i < 20; ++i) {
    HWND window = FindWindowA(nullptr, title);
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

TEST(Win32ProgmanTest, CreateGroupThenAddGroupItemMakeTheGroupAndItsItem) {
  const std::filesystem::path program =
      std::filesystem::temp_directory_path() / ("RUDOdez_" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(program);
  std::ofstream(program / "TAVO.EXE") << "MZ";
  const std::string directory = program.string();

  const std::filesystem::path user = Folder(CSIDL_PROGRAMS) / "URDA";
  const std::filesystem::path common = Folder(CSIDL_COMMON_PROGRAMS) / "URDA";
  std::filesystem::remove_all(user);
  std::filesystem::remove_all(common);

  TInstall list;
  TInstallItem task;
  list.AddTask(&task);
  std::vector<std::int32_t> actions;
  task.AfterExecute = [&](TObject*, std::int32_t action, const std::string&) {
    actions.push_back(action);
  };
  ASSERT_TRUE(task.CreateGroup("URDA"));
  EXPECT_TRUE(AppearsWithin(user, common, std::chrono::seconds(20)));
  ASSERT_TRUE(task.AddGroupItem("RUDODez", directory, "TAVO.EXE", ""));
  EXPECT_TRUE(
      AppearsWithin(user / "RUDODez.lnk", common / "RUDODez.lnk", std::chrono::seconds(20)));
  EXPECT_EQ(actions, (std::vector<std::int32_t>{0, 0}));

  CloseFolderWindows("URDA");
  std::filesystem::remove_all(user);
  std::filesystem::remove_all(common);
  std::filesystem::remove_all(program);
}

}  // namespace
