// pck: compressed files and .PCK archives from the command line.
//
//   pck COMMAND [OPTIONS] ARGUMENTS...
//   pck --help | pck COMMAND --help
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file.h"
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
  std::string path = platform::WindowsPath(hostPath);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool SameFile(const std::string& hostPathA, const std::string& hostPathB) {
  std::error_code ec;
  return std::filesystem::equivalent(hostPathA, hostPathB, ec);
}

}  // namespace pck

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
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
  return command->run(*command, args);
}
