// pck: compressed files and .PCK archives from the command line.
//
//   pck COMMAND [OPTIONS] ARGUMENTS...
//   pck --help | pck help [COMMAND] | pck COMMAND --help | pck --version
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "tools/pck/commands.h"
#include "tools/pck/progress.h"
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

void PrintOverview() {
  std::printf("Usage: pck COMMAND [OPTIONS] ARGUMENTS...\n"
              "\n"
              "Compressed files and .PCK archives.\n"
              "\n"
              "Commands:\n");
  for (Group group : kGroups)
    for (const Command& command : group())
      std::printf("  %s\n      %s\n", Synopsis(command, 2).c_str(), command.summary);
  std::printf("\n"
              "Run \"pck COMMAND --help\" (or \"pck help COMMAND\") for the details of one command.\n"
              "Options may come before, between or after the other arguments: \"-j4\", \"-j 4\",\n"
              "\"--jobs=4\" and \"--jobs 4\" are one; \"--\" ends the options.\n"
              "Exit status: 0 success, 1 failure (the reason on stderr), 2 wrong command line.\n"
              "Environment: SOURCE_DATE_EPOCH makes \"pck create\" reproducible; TMPDIR holds\n"
              "the compressor's temporary file.\n"
              "An archive's password is stored in the archive and encrypts nothing.\n");
}

// A wrong command line before any command was found: one line, and where to read more.
int Wrong(const std::string& problem) {
  std::fprintf(stderr, "pck: %s\nTry 'pck --help'.\n", problem.c_str());
  return kExitUsage;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

}  // namespace
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
  using namespace pck;
  std::vector<std::string> words;
#ifdef _WIN32
  (void)argc, (void)argv;
  const bool read = Arguments(words);
#else
  const bool read = Arguments(argc, argv, words);
#endif
  if (!read) {
    std::fprintf(stderr, "pck: the command line is not valid UTF-16 text\n");
    return kExitUsage;
  }
  if (words.empty()) return Wrong("no command given");
  if (IsHelp(words[0]) || words[0] == "help") {
    if (words.size() == 1) {
      PrintOverview();
      return kExitOk;
    }
    const Command* command = Find(words[1]);
    if (!command) return Wrong("no command \"" + words[1] + "\" to help with");
    std::fputs(HelpText(*command).c_str(), stdout);
    return kExitOk;
  }
  if (words[0] == "--version") {
    std::printf("pck %s\n", PCK_VERSION);
    return kExitOk;
  }
  const Command* command = Find(words[0]);
  if (!command)
    return Wrong((words[0][0] == '-' ? "unknown option \"" : "unknown command \"") + words[0] +
                 "\"");
  const std::vector<std::string> args(words.begin() + 1, words.end());
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (IsHelp(arg)) {
      std::fputs(HelpText(*command).c_str(), stdout);
      return kExitOk;
    }
  }
  Options o;
  if (const int exitCode = ParseOptions(*command, args, o); exitCode != kExitOk) return exitCode;
  progress::Start(command->name, !o.quiet);
  InstallSignalCleanup();
  int status = kExitUsage;
  try {
    status = command->run(*command, o);
  } catch (const Unusable& e) {
    std::fprintf(stderr, "pck %s: %s\n", command->name, e.what());
  }
  // What is still buffered goes now, while a closed pipe can still end the run as it should.
  std::fflush(stdout);
  EndIfOutputLost();
  return status;
}
