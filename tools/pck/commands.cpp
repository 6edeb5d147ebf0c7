// What the commands share: their messages and how a path typed on the command line reaches the
// engines.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "platform/console.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tools/pck/commands.h"
#include "tools/pck/failures.h"
#include "tools/pck/i18n.h"

namespace pck {

namespace {

std::string g_prefix = "pck";

}  // namespace

int UsageError(const Command& command, const std::string& problem) {
  Print(stderr, "pck " + std::string(command.name) + ": " + problem + "\n" +
                    Format(_("Try 'pck --help' or 'pck %s --help'."), command.name) + "\n");
  return kExitUsage;
}

void SetCommandName(const char* name) { g_prefix = std::string("pck ") + name; }

void Report(const std::string& file, const std::string& text) {
  // Files are named in the Windows form the engines use; shown in the host's.
  Print(stderr,
        g_prefix + ": " + (file.empty() ? "" : platform::NativePath(file) + ": ") + text + "\n");
}

int Failure(const std::string& file, const std::string& text) {
  Report(file, text);
  return kExitFailure;
}

int Failure(const std::exception& failure, const std::string& file) {
  const Problem problem = Describe(failure);
  return Failure(problem.file.empty() && problem.aboutAFile ? file : problem.file, problem.text);
}

int Failure(const std::string& message) {
  Print(stderr, message + "\n");
  return kExitFailure;
}

void Print(std::FILE* stream, const std::string& text) { platform::WriteText(stream, text); }

std::string Format(const char* format, ...) {
  std::va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, format, again);
  va_end(again);
  return out;
}

std::string EnginePath(const std::string& hostPath) {
  std::string path;
  if (!platform::CommandLinePath(hostPath, path))
    throw Unusable(Format(_("\"%s\": the path has a character the Windows ANSI code page cannot "
                            "hold, and pck reaches files through the ANSI functions, as the setup "
                            "program does"),
                          hostPath.c_str()));
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string EngineText(const std::string& typed, const std::string& what) {
  std::string text;
  std::size_t at = 0;
  if (platform::AnsiFromUtf8Exact(typed, text, at)) return text;
  char32_t cp = 0;
  if (platform::DecodeUtf8(typed, at, cp) == 0)
    throw Unusable(Format(_("%s is not UTF-8 text (the byte 0x%02X at byte %lu): an archive "
                            "stores its texts in Windows-1252"),
                          what.c_str(), static_cast<unsigned char>(typed[at]),
                          static_cast<unsigned long>(at + 1)));
  throw Unusable(Format(_("%s has the character U+%04X, which Windows-1252 cannot hold: an "
                          "archive stores its texts in that code page"),
                        what.c_str(), unsigned(cp)));
}

bool SameFile(const std::string& hostPathA, const std::string& hostPathB) {
  std::error_code ec;
  return std::filesystem::equivalent(hostPathA, hostPathB, ec);
}

}  // namespace pck
