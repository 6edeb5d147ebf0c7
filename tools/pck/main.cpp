// pck: compressed files and .PCK archives from the command line.
//
//   pck COMMAND [OPTIONS] ARGUMENTS...
//   pck --help | pck help [COMMAND] | pck COMMAND --help | pck --version
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "tools/pck/commands.h"
#include "tools/pck/i18n.h"
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
  std::string text =
      _("Usage: pck COMMAND [OPTIONS] ARGUMENTS...\n"
        "\n"
        "Compressed files and .PCK archives.\n"
        "\n"
        "Commands:\n");
  for (Group group : kGroups)
    for (const Command& command : group())
      text += "  " + Synopsis(command, 2) + "\n      " + Tr(command.summary) + "\n";
  text += "\n";
  text +=
      _("Run \"pck COMMAND --help\" (or \"pck help COMMAND\") for the details of one command.\n"
        "Options may come before, between or after the other arguments: \"-j4\", \"-j 4\",\n"
        "\"--jobs=4\" and \"--jobs 4\" are one; \"--\" ends the options.\n"
        "Exit status: 0 success, 1 failure (the reason on stderr), 2 wrong command line.\n"
        "Environment: SOURCE_DATE_EPOCH makes \"pck create\" reproducible; TMPDIR holds\n"
        "the compressor's temporary file; LC_ALL, LC_MESSAGES, LANG and LANGUAGE choose\n"
        "the language of the messages (English, or Portuguese).\n"
        "An archive's password is stored in the archive and encrypts nothing.\n");
  Print(stdout, text);
}

// A wrong command line before any command was found: one line, and where to read more.
int Wrong(const std::string& problem) {
  Print(stderr, "pck: " + problem + "\n" + _("Try 'pck --help'.") + "\n");
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
  StartLanguage();
#ifndef _WIN32
  // A file that would pass the process's size limit then fails to grow with EFBIG, which is
  // reported as that limit, instead of the signal ending pck with nothing said.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  std::vector<std::string> words;
#ifdef _WIN32
  (void)argc, (void)argv;
  const bool read = Arguments(words);
#else
  const bool read = Arguments(argc, argv, words);
#endif
  if (!read) {
    Print(stderr, std::string("pck: ") + _("the command line is not valid UTF-16 text") + "\n");
    return kExitUsage;
  }
  if (words.empty()) return Wrong(_("no command given"));
  if (IsHelp(words[0]) || words[0] == "help") {
    if (words.size() == 1) {
      PrintOverview();
      return kExitOk;
    }
    const Command* command = Find(words[1]);
    if (!command) return Wrong(Format(_("no command \"%s\" to help with"), words[1].c_str()));
    Print(stdout, HelpText(*command));
    return kExitOk;
  }
  if (words[0] == "--version") {
    Print(stdout, std::string("pck ") + PCK_VERSION + "\n");
    return kExitOk;
  }
  const Command* command = Find(words[0]);
  if (!command)
    return Wrong(
        Format(words[0][0] == '-' ? _("unknown option \"%s\"") : _("unknown command \"%s\""),
               words[0].c_str()));
  const std::vector<std::string> args(words.begin() + 1, words.end());
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (IsHelp(arg)) {
      Print(stdout, HelpText(*command));
      return kExitOk;
    }
  }
  SetCommandName(command->name);
  Options o;
  if (const int exitCode = ParseOptions(*command, args, o); exitCode != kExitOk) return exitCode;
  progress::Start(command->name, !o.quiet);
  InstallSignalCleanup();
  int status = kExitUsage;
  try {
    status = command->run(*command, o);
  } catch (const Unusable& e) {
    Report(std::string(), e.what());
  }
  // What is still buffered goes now, while a closed pipe can still end the run as it should.
  std::fflush(stdout);
  EndIfOutputLost();
  return status;
}
