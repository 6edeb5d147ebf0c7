// pck's command line: one table of options drives both the parsing and the help of every
// command. An option is one row of that table; a command lists the options it takes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/lzrw1.h"

namespace pck {

constexpr int kMaxJobs = 64;
// The largest --volume-size: far beyond any disk a set is cut for, and the engine adds it to a
// volume's start position without risk of overflow.
constexpr std::int64_t kMaxVolumeSize = std::int64_t{1024} << 30;

// What one command line says. Every command reads the members of the options it takes.
struct Options {
  std::vector<std::string> operands;  // the words that are not options, in order
  // The archive commands' view of the operands: ARCHIVE and the MASKs after it.
  std::string archive;
  std::vector<std::string> masks;
  std::string directory;  // -C
  std::string media;      // --media
  std::string password;   // from --password or the first line of --password-file
  std::string passwordFile;
  bool hasPassword = false;
  TCompressMode mode = TCompressMode::Good;
  std::int64_t volumeSize = 0;
  std::vector<std::string> headers, excludes;
  std::vector<std::string> filesFrom;  // -T: files of names or masks, "-" standard input
  bool keepOld = false;                // -k: an existing file is not replaced
  bool toStdout = false;               // -O: the entries' bytes to standard output, no files
  bool keepGoing = false;              // --keep-going: past a damaged entry to the next
  bool verbose = false;
  bool quiet = false;  // -q: no progress and no summary; failures are still reported
  bool json = false;   // --json
  int jobs = 0;        // -j; 0: one per core
};

// Every option pck knows, one row each in options.cpp.
enum class Opt {
  Directory,
  Mode,
  Password,
  PasswordFile,
  Header,
  Exclude,
  Media,
  VolumeSize,
  Jobs,
  Json,
  Verbose,
  Quiet,
  FilesFrom,
  KeepOld,
  ToStdout,
  KeepGoing,
};

// An option as a command offers it: help is this command's own line for it, or null for the
// table's.
struct OptionUse {
  Opt option;
  const char* help = nullptr;
};

struct Command;

// Reads args (the words after the command's name) into o. On a wrong command line prints its
// one-line reason and returns kExitUsage; a password file that cannot be read is kExitFailure.
int ParseOptions(const Command& command, const std::vector<std::string>& args, Options& o);

// "Usage: pck NAME ..." with the command's options and operands, wrapped to the terminal's
// usual 80 columns; indent is the width of the text before it on its first line.
std::string Synopsis(const Command& command, std::size_t indent);
// The full text of "pck NAME --help".
std::string HelpText(const Command& command);

// A number of bytes with an optional unit K, M or G (1024, 1048576, 1073741824 bytes); false
// when it is not one or is not within 1 and max.
bool ParseSize(std::string_view text, std::int64_t max, std::int64_t& size);
// A whole number from min to max.
bool ParseCount(std::string_view text, int min, int max, int& n);

}  // namespace pck
