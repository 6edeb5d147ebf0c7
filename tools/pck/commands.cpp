// What the commands share: their messages and how a path typed on the command line reaches the
// engines.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/file.h"
#include "platform/text.h"
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
  std::string path;
  if (!platform::CommandLinePath(hostPath, path))
    throw Unusable("\"" + hostPath +
                   "\": the path has a character the Windows ANSI code page cannot hold, and pck "
                   "reaches files through the ANSI functions, as the setup program does");
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string EngineText(const std::string& typed, const std::string& what) {
  std::string text;
  std::size_t at = 0;
  if (platform::AnsiFromUtf8Exact(typed, text, at)) return text;
  char32_t cp = 0;
  char detail[96];
  if (platform::DecodeUtf8(typed, at, cp) == 0)
    std::snprintf(detail, sizeof detail, " is not UTF-8 text (the byte 0x%02X at byte %lu)",
                  static_cast<unsigned char>(typed[at]), static_cast<unsigned long>(at + 1));
  else
    std::snprintf(detail, sizeof detail,
                  " has the character U+%04X, which Windows-1252 cannot hold", unsigned(cp));
  throw Unusable(what + detail + ": an archive stores its texts in that code page");
}

bool SameFile(const std::string& hostPathA, const std::string& hostPathB) {
  std::error_code ec;
  return std::filesystem::equivalent(hostPathA, hostPathB, ec);
}

}  // namespace pck
