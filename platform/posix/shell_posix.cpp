// The shell of a host without Windows: the "Windows directory" is where WINDIR points (else the
// user's home), and there are no top-level windows to find.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/shell.h"

namespace platform {
namespace {

class PosixShell final : public Shell {
 public:
  std::string WindowsDirectory() override {
    const char* dir = std::getenv("WINDIR");
    if (!dir || !*dir) dir = std::getenv("HOME");
    if (!dir || !*dir) dir = "/";
    std::string path = WindowsPath(dir);
    while (path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
  }

  std::string SystemDirectory() override {
    std::string dir = WindowsDirectory();
    return dir + (dir.back() == '\\' ? "" : "\\") + "SYSTEM";
  }

  std::string ProgramPath() override {
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return "";
    return WindowsPath(std::string(buffer.data(), static_cast<std::size_t>(n)));
  }

  bool ShowWindowOfClass(const std::string&, int) override { return false; }
};

PosixShell host;
ServiceSlot<Shell> slot(host);

}  // namespace

Shell& CurrentShell() { return slot.Current(); }
ServiceGuard<Shell*> SetShell(Shell* shell) { return slot.Set(shell); }

}  // namespace platform
