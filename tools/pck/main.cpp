// pck: compressed files and .PCK archives from the command line.
//
//   pck COMMAND [OPTIONS] ARGUMENTS...
//   pck --help | pck COMMAND --help
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "platform/file.h"
#include "platform/text.h"
#include "tools/pck/commands.h"
#include "tools/pck/safe_output.h"

namespace pck {
namespace {

// Every group of commands, in the order --help lists them.
using Group = const std::vector<Command>& (*)();
constexpr Group kGroups[] = {
    CodecCommands,
    CreateCommands,
    ExtractCommands,
    ListCommands,
};

const Command* Find(const std::string& name) {
  for (Group group : kGroups)
    for (const Command& command : group())
      if (name == command.name) return &command;
  return nullptr;
}

void PrintOverview(std::FILE* to) {
  std::fprintf(to,
               "Usage: pck COMMAND [OPTIONS] ARGUMENTS...\n"
               "\n"
               "Compressed files and .PCK archives.\n"
               "\n"
               "Commands:\n");
  for (Group group : kGroups)
    for (const Command& command : group())
      std::fprintf(to, "  pck %s\n      %s\n", command.usage, command.summary);
  std::fprintf(to,
               "\n"
               "Run \"pck COMMAND --help\" for the details of one command.\n"
               "Exit status: 0 success, 1 failure (the reason on stderr), 2 wrong command line.\n"
               "Environment: SOURCE_DATE_EPOCH makes \"pck create\" reproducible; TMPDIR holds\n"
               "the compressor's temporary file.\n"
               "An archive's password is stored in the archive and encrypts nothing.\n");
}

void PrintHelp(const Command& command) {
  std::printf("Usage: pck %s\n\n%s", command.usage, command.help);
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace

int UsageError(const Command& command, const std::string& problem) {
  std::fprintf(stderr, "pck %s: %s\nUsage: pck %s\n", command.name, problem.c_str(),
               command.usage);
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

namespace {

#ifdef _WIN32
// The command line as the system holds it, in UTF-16, as UTF-8: the ANSI one given to main has
// a look-alike or '?' for every character the code page lacks, and those name other files.
bool Arguments(std::vector<std::string>& words) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return false;
  bool ok = true;
  for (int i = 1; i < count && ok; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide[i], -1, nullptr, 0,
                                      nullptr, nullptr);
    std::string word(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
    ok = n > 0 && WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide[i], -1, word.data(), n,
                                      nullptr, nullptr) == n;
    word.pop_back();
    words.push_back(std::move(word));
  }
  LocalFree(wide);
  return ok;
}
#else
bool Arguments(int argc, char** argv, std::vector<std::string>& words) {
  words.assign(argv + 1, argv + argc);
  return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words;
#ifdef _WIN32
  (void)argc, (void)argv;
  const bool read = Arguments(words);
#else
  const bool read = Arguments(argc, argv, words);
#endif
  if (!read) {
    std::fprintf(stderr, "pck: the command line is not valid UTF-16 text\n");
    return pck::kExitUsage;
  }
  if (words.empty()) {
    pck::PrintOverview(stderr);
    return pck::kExitUsage;
  }
  if (pck::IsHelp(words[0]) || words[0] == "help") {
    const pck::Command* command = words.size() > 1 ? pck::Find(words[1]) : nullptr;
    if (command)
      pck::PrintHelp(*command);
    else
      pck::PrintOverview(stdout);
    return pck::kExitOk;
  }
  const pck::Command* command = pck::Find(words[0]);
  if (!command) {
    std::fprintf(stderr, "pck: unknown command \"%s\"\n\n", words[0].c_str());
    pck::PrintOverview(stderr);
    return pck::kExitUsage;
  }
  const std::vector<std::string> args(words.begin() + 1, words.end());
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (pck::IsHelp(arg)) {
      pck::PrintHelp(*command);
      return pck::kExitOk;
    }
  }
  pck::InstallSignalCleanup();
  try {
    return command->run(*command, args);
  } catch (const pck::Unusable& e) {
    std::fprintf(stderr, "pck %s: %s\n", command->name, e.what());
    return pck::kExitUsage;
  }
}
