// What the commands share: their messages and how a path typed on the command line reaches the
// engines.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/file.h"
#include "tools/pck/commands.h"

namespace pck {

int UsageError(const Command& command, const std::string& problem) {
  std::fprintf(stderr, "pck %s: %s\nTry 'pck --help' or 'pck %s --help'.\n", command.name,
               problem.c_str(), command.name);
  return kExitUsage;
}

int Failure(const std::string& message) {
  // The messages name files in the Windows form the engines use; shown in the host's.
  std::fprintf(stderr, "%s\n", platform::NativePath(message).c_str());
  return kExitFailure;
}

std::string EnginePath(const std::string& hostPath) {
  std::string path = platform::WindowsPath(hostPath);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool SameFile(const std::string& hostPathA, const std::string& hostPathB) {
  std::error_code ec;
  return std::filesystem::equivalent(hostPathA, hostPathB, ec);
}

}  // namespace pck
