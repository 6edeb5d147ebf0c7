// The commands of the pck tool. main.cpp dispatches over the groups of commands, reads each
// command line with the command's options (options.h) and answers --help from the same table.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/pck/options.h"

namespace pck {

// How many operands a command takes at most, when there is no limit.
constexpr int kAnyNumber = -1;

struct Command {
  const char* name;
  const char* operands;  // for the usage line: "INPUT OUTPUT", "ARCHIVE [MASK...]"
  int minOperands, maxOperands;
  const char* summary;  // what it does, for the overview
  const char* help;     // what "pck NAME --help" says before the options
  std::vector<OptionUse> options;
  const char* notes;  // what it says after them; may be empty
  // Runs with the command line read; the command itself is handed in for its name in messages.
  // Returns the process's exit code.
  int (*run)(const Command& command, const Options& o);
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

// Reports a wrong command line: "pck NAME: problem" and where to read more, on stderr.
int UsageError(const Command& command, const std::string& problem);

// Every message of the run begins "pck NAME:" from here on ("pck:" before).
void SetCommandName(const char* name);
// "pck NAME: FILE: text" on stderr; FILE (a Windows path, shown in the host's form) is left out
// when empty. text is in the user's language.
void Report(const std::string& file, const std::string& text);
// Report, and the exit code of a failed run.
int Failure(const std::string& file, const std::string& text);
// An engine's or a codec's failure, worded from its kind (failures.h); file names the file
// when the failure itself names none (the archive of the run).
int Failure(const std::exception& failure, const std::string& file);
// Prints a whole message, already worded, on stderr.
int Failure(const std::string& message);
// Writes text on stream as the terminal shows it (platform::WriteText).
void Print(std::FILE* stream, const std::string& text);
// printf into a string: with _(), a translated format checked against the English one.
#if defined(_WIN32)
__attribute__((format(gnu_printf, 1, 2)))  // MinGW's C++ runtime formats as the C99 stdio does
#elif defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char* format, ...);
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
