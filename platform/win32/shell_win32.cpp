#include <windows.h>

#include <vector>

#include "platform/shell.h"

namespace platform {
namespace {

class Win32Shell final : public Shell {
 public:
  std::string WindowsDirectory() override {
    char buffer[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
    return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
  }

  std::string SystemDirectory() override {
    char buffer[MAX_PATH + 1];
    UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
    return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
  }

  std::string ProgramPath() override {
    for (DWORD size = MAX_PATH + 1; size <= 32768; size *= 2) {
      std::vector<char> buffer(size);
      DWORD n = GetModuleFileNameA(nullptr, buffer.data(), size);
      if (n == 0) return "";
      if (n < size) return std::string(buffer.data(), n);
    }
    return "";
  }

  bool ShowWindowOfClass(const std::string& className, int showCommand) override {
    HWND window = FindWindowA(className.c_str(), nullptr);
    if (!window) return false;
    ShowWindow(window, showCommand);
    return true;
  }
};

Win32Shell host;
ServiceSlot<Shell> slot(host);

}  // namespace

Shell& CurrentShell() { return slot.Current(); }
ServiceGuard<Shell*> SetShell(Shell* shell) { return slot.Set(shell); }

}  // namespace platform
