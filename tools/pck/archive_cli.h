// What the archive commands share: their options, the text between the terminal and the engine,
// and disk sets in DISKn folders (archive_commands.cpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pack/pack_lz.h"
#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/ui.h"
#include "tools/pck/commands.h"

// The password options and what a password is worth, in the help of every archive command.
#define PCK_PASSWORD_OPTIONS                                                                 \
  "  -p, --password P      the archive's password\n"                                        \
  "  --password-file FILE  the password from the first line of FILE (\"-\": standard\n"      \
  "                        input), kept off the command line other users can list\n"
#define PCK_PASSWORD_NOTE                                                                    \
  "A password only gates the reader: it is stored in the archive itself (each byte\n"         \
  "inverted) and encrypts nothing. It keeps out casual users, not attackers.\n"

namespace pck {

// Command-line text (UTF-8 on Linux) as Windows-1252, with no path separators changed.
std::string AnsiText(const std::string& host);
// A path or mask from the command line as the engine takes it.
std::string Engine(const std::string& host);
// Windows-1252 text for the terminal, backslashes kept.
std::string HostText(const std::string& ansi);
// An entry name or a path for the terminal, in the host's form.
std::string HostPath(const std::string& ansi);

// Presents DIR\DISK1, DIR\DISK2, ... as the disks of a removable drive: the engine's prompt
// for disk n is answered by pointing the archive at DIR\DISKn\NAME. A disk asked for twice is
// missing or unusable, and the run is cancelled.
class MediaSet final : public platform::UserInterface {
 public:
  MediaSet(TCustomPack& pack, const std::string& dir, const std::string& name)
      : pack_(pack), dir_(dir), name_(name) {
    pack_.PackFileName = Volume(1);
    platform::SetDriveTypeQuery([](const std::string&) { return platform::DriveType::Removable; });
    platform::SetUi(this);
  }
  ~MediaSet() override {
    platform::SetUi(nullptr);
    platform::SetDriveTypeQuery({});
  }

  std::string Volume(int n) const {
    return ConcatPath(ConcatPath(dir_, "DISK" + std::to_string(n)), name_);
  }
  int ShowMessage(const std::string&, platform::MsgType, unsigned) override {
    int wanted = pack_.GetVolume();
    if (!asked_.insert(wanted).second) {
      std::fprintf(stderr, "\npck: disk %d is missing or belongs to another archive: %s\n",
                   wanted, HostPath(Volume(wanted)).c_str());
      return platform::mrCancel;
    }
    pack_.PackFileName = Volume(wanted);
    return platform::mrOk;
  }
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
};

// The options a command takes, by name; the rest are positional words.
struct Accepts {
  bool directory = false, media = false, password = false, mode = false, header = false,
       exclude = false, volumeSize = false, masks = false, verbose = false, json = false;
};

// Reads the command line into o; false with exitCode set when it is wrong (the reason printed).
bool Parse(const Command& command, const Accepts& accepts, const std::vector<std::string>& args,
           Options& o, int& exitCode);
// The engine's archive path and password from the options.
void Locate(TCustomPack& pack, const Options& o);
// With --media, the disk prompts of the engine are answered from the DISKn folders for as long as
// the returned object lives; without it there is nothing to answer and the result is empty.
std::unique_ptr<MediaSet> AnswerDiskPrompts(TCustomPack& pack, const Options& o);
// Why a run failed, when no entry said so already.
int RunFailure(const Command& command, const TCustomPack& pack, bool entryReported);

}  // namespace pck
