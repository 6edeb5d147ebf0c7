// What the archive commands share (archive_cli.cpp): the one way each sets up its engine, progress
// and failures on the terminal, and disk sets in DISKn folders.
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
#include "platform/drive.h"
#include "platform/ui.h"
#include "tools/pck/commands.h"
#include "tools/pck/options.h"
#include "tools/pck/progress.h"
#include "tools/pck/safe_output.h"

namespace pck {

// Presents DIR\DISK1, DIR\DISK2, ... as the disks of a removable drive: the engine's prompt
// for disk n is answered by pointing the archive at DIR\DISKn\NAME. A disk asked for twice is
// missing or unusable, and the run is cancelled.
class MediaSet final : public platform::UserInterface {
 public:
  MediaSet(TCustomPack& pack, const std::string& dir, const std::string& name);

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
  // Every drive is removable and this set answers the prompts, until the set goes.
  platform::ServiceGuard<platform::DriveTypeQuery> removable_;
  platform::ServiceGuard<platform::UserInterface*> prompts_;
};

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

// The progress line of a run (progress.h), and the failures of its entries as
// "pck COMMAND: NAME: problem".
class Terminal {
 public:
  Terminal() = default;
  ~Terminal() { Clear(); }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Each step of a run also ends it when standard output has gone (EndIfOutputLost).
  void Show(const std::string& name, int percent) {
    EndIfOutputLost();
    progress::Show(name, percent);
  }
  void Clear() { progress::Clear(); }
  // Names an entry that failed, with what pck says of it or what it says of the engine's or
  // the compressor's failure (failures.h); Failed() tells whether any did.
  void Failed(const std::string& name, const std::string& problem);
  void Failed(const std::string& name, const std::exception& failure);
  // Names an entry stored, but not as the user may expect: "pck COMMAND: warning: NAME: ...".
  void Warned(const std::string& name, const std::string& problem);
  bool Failed() const { return failed_; }
  // Names each mask (as typed) that selected nothing: "pck COMMAND: MASK: not found in the
  // archive", or with where in place of "in the archive". True when there was one.
  bool NotFound(const std::vector<std::string>& masks, const std::string& where = {});
  // Progress and entry failures of pack's runs go here.
  void Watch(TCustomPack& pack);
  // The exit code of a failed run: its reason printed unless an entry was named already.
  int RunFailure(const TCustomPack& pack);

 private:
  bool failed_ = false;
};

// The number of workers the options ask for.
int Jobs(const Options& o);

}  // namespace pck
