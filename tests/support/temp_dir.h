// A directory of the test's own: made fresh under the system's temporary directory with a name
// no other run has taken, and removed with everything in it at the end. Tests write only here,
// so a run never touches a path it did not create.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "platform/file.h"

namespace testsupport {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "tavo-test-") {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    do {
      dir_ = base / (prefix + std::to_string(rd()));
    } while (!std::filesystem::create_directory(dir_));
  }
  ~TempDir() {
    // Read-only files and folders a test left must not keep their folder alive.
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    for (auto it = std::filesystem::recursive_directory_iterator(dir_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Root() const { return dir_; }
  std::filesystem::path Host(const std::string& name) const { return dir_ / name; }
  // The same place as the engines name it: a Windows path.
  std::string Path(const std::string& name = std::string()) const {
    return platform::WindowsPath((name.empty() ? dir_ : dir_ / name).string());
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace testsupport
