// What the archive commands share (archive_cli.cpp): their options, the one way each sets up
// its engine, progress and failures on the terminal, and disk sets in DISKn folders.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "codecs/lzrw1.h"
#include "pack/pack.h"
#include "pack/paths.h"
#include "platform/ui.h"
#include "tools/pck/commands.h"
#include "tools/pck/safe_output.h"

// The password options and what a password is worth, in the help of every archive command.
#define PCK_PASSWORD_OPTIONS                                                                 \
  "  -p, --password P      the archive's password\n"                                        \
  "  --password-file FILE  the password from the first line of FILE (\"-\": standard\n"      \
  "                        input), kept off the command line other users can list\n"
#define PCK_PASSWORD_NOTE                                                                    \
  "A password only gates the reader: it is stored in the archive itself (each byte\n"         \
  "inverted) and encrypts nothing. It keeps out casual users, not attackers.\n"
#define PCK_MEDIA_OPTION                                                                     \
  "  --media DIR           read the set of disks DIR/DISK1/ARCHIVE, DIR/DISK2/ARCHIVE, ...\n" \
  "                        (ARCHIVE is then a file name alone, without a folder)\n"
#define PCK_JOBS_OPTION                                                                      \
  "  -j, --jobs N          expand on N workers (default: one per core, at most 64)\n"

namespace pck {

constexpr int kMaxJobs = 64;

// Presents DIR\DISK1, DIR\DISK2, ... as the disks of a removable drive: the engine's prompt
// for disk n is answered by pointing the archive at DIR\DISKn\NAME. A disk asked for twice is
// missing or unusable, and the run is cancelled.
class MediaSet final : public platform::UserInterface {
 public:
  MediaSet(TCustomPack& pack, const std::string& dir, const std::string& name);
  ~MediaSet() override;

  std::string Volume(int n) const;
  // Whether path, a file found in a tree, is a volume of this set on any of its disks.
  bool Holds(const std::string& path) const;
  // The file that keeps two writers of this set apart while they run: DIR\ARCHIVE.lock.
  std::string LockPath() const { return ConcatPath(dir_, name_ + ".lock"); }
  int ShowMessage(const std::string&, platform::MsgType, unsigned) override;
  void ProcessMessages() override {}

 private:
  TCustomPack& pack_;
  std::string dir_, name_;
  std::set<int> asked_;
};

struct Options {
  std::string archive;
  std::string directory;  // -C
  std::string media;      // --media
  std::string password;   // from --password or the first line of --password-file
  bool hasPassword = false;
  TCompressMode mode = TCompressMode::Good;
  std::int64_t volumeSize = 0;
  std::vector<std::string> headers, excludes, masks;
  bool verbose = false;
  bool json = false;  // --json
  int jobs = 0;       // -j; 0: one per core
};

// The options a command takes, by name; the rest are positional words.
struct Accepts {
  bool directory = false, media = false, password = false, mode = false, header = false,
       exclude = false, volumeSize = false, masks = false, verbose = false, json = false,
       jobs = false;
};

// Reads the command line into o; false with exitCode set when it is wrong (the reason printed).
bool Parse(const Command& command, const Accepts& accepts, const std::vector<std::string>& args,
           Options& o, int& exitCode);

// The one way an archive command starts: its command line read with what it accepts; a wrong one
// ends it (kExitUsage, the reason printed), else Body runs with the options.
template <int (*Body)(const Command& command, const Options& o), Accepts kAccepts>
int ArchiveCommand(const Command& command, const std::vector<std::string>& args) {
  Options o;
  int exitCode = kExitOk;
  if (!Parse(command, kAccepts, args, o, exitCode)) return exitCode;
  return Body(command, o);
}

// The engine's archive path and password from the options.
void LocateArchive(TCustomPack& pack, const Options& o);

// An archive command's engine, made the one way every command makes it: its temporary file on
// the list the signal handlers delete from the moment it exists, the archive and its password
// located from the options, and with --media the engine's disk prompts answered from the DISKn
// folders for as long as this lives.
template <class Pack>
class ArchiveEngine {
  SignalsHeld hold_;  // first: the engine's temporary file is made while signals wait
  TrackedPath temp_;

 public:
  Pack pack;

  explicit ArchiveEngine(const Options& o) {
    temp_.Set(pack.GetTempName());
    hold_.Release();
    LocateArchive(pack, o);
    if (!o.media.empty())
      media_ = std::make_unique<MediaSet>(pack, EnginePath(o.media), EnginePath(o.archive));
  }
  // The disk set, or nothing without --media.
  const MediaSet* Media() const { return media_.get(); }

 private:
  std::unique_ptr<MediaSet> media_;
};

// A bar with the percent and the current name, redrawn in place on stderr, and the failures of
// entries as "pck COMMAND: NAME: problem"; no bar when stderr is not a terminal, so logs and
// pipes stay clean.
class Terminal {
 public:
  explicit Terminal(const Command& command);
  ~Terminal() { Clear(); }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  void Show(const std::string& name, int percent);
  void Clear();
  // Names an entry that failed; Failed() tells whether any did.
  void Failed(const std::string& name, const std::string& problem);
  // Names an entry stored, but not as the user may expect: "pck COMMAND: warning: NAME: ...".
  void Warned(const std::string& name, const std::string& problem);
  bool Failed() const { return failed_; }
  // Progress and entry failures of pack's runs go here.
  void Watch(TCustomPack& pack);
  // The exit code of a failed run: its reason printed unless an entry was named already.
  int RunFailure(const TCustomPack& pack);

 private:
  const Command& command_;
  bool enabled_;
  bool drawn_ = false, failed_ = false;
  int percent_ = -1;
  std::string name_, shown_;
};

// The number of workers the options ask for.
int Jobs(const Options& o);

}  // namespace pck
