// The commands of the pck tool. Each returns the process exit code; args are the words after the
// command name. main.cpp dispatches over the groups of commands and answers --help.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace pck {

struct Command {
  const char* name;
  const char* usage;    // one line: "compress [--mode good|fast|auto] INPUT OUTPUT"
  const char* summary;  // what it does, for the overview
  const char* help;     // the rest of the text of "pck COMMAND --help", after the usage line
  // The command itself is handed in, for its name and usage in messages.
  int (*run)(const Command& command, const std::vector<std::string>& args);
};

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the operation failed; the message went to stderr
constexpr int kExitUsage = 2;    // the command line was wrong

// Each group of commands lives in its own file.
const std::vector<Command>& CodecCommands();
const std::vector<Command>& CreateCommands();
const std::vector<Command>& ExtractCommands();
const std::vector<Command>& ListCommands();

// Helpers the commands share (main.cpp).

// Reports a wrong command line: "pck NAME: problem" and the usage line on stderr.
int UsageError(const Command& command, const std::string& problem);
// Prints a failure message of the system (Windows-1252, paths in Windows form) on stderr.
int Failure(const std::string& message);
// A word of the command line that cannot be used as typed: main reports it (kExitUsage).
class Unusable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A path or mask typed on the command line, in the Windows form the engines take: Windows-1252,
// backslashes (Windows itself accepts "/", but the engines' masks and joins look for "\\").
// Every byte is kept (platform::CommandLinePath); on Windows one the ANSI code page cannot hold
// throws Unusable.
std::string EnginePath(const std::string& hostPath);
// Text typed on the command line (UTF-8) as the Windows-1252 text an archive stores, with no
// character changed; what names the text in the message ("the password"). Throws Unusable.
std::string EngineText(const std::string& typed, const std::string& what);
// Whether two paths typed on the command line name the same existing file.
bool SameFile(const std::string& hostPathA, const std::string& hostPathB);

}  // namespace pck
