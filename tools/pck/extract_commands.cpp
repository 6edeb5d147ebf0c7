// pck extract / test: the entries of a .PCK archive into files, or into nothing but a check,
// expanded on every core while the archive is read in order.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pack/pack_lz.h"
#include "pack/paths.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/folder.h"
#include "tools/pck/archive_cli.h"
#include "tools/pck/commands.h"
#include "tools/pck/failures.h"
#include "tools/pck/i18n.h"
#include "tools/pck/lz_pipeline.h"
#include "tools/pck/safe_output.h"

namespace pck {
namespace {


// TPackLz whose entries are expanded behind the engine's reading, Jobs at a time: the engine
// copies each entry's stored bytes into a temporary file of the pipeline and reads on; what
// becomes of the expansion (Expansion) is finished in archive order. An entry whose expansion
// fails ends the run as its copy failing would; the entries handed in before it are finished,
// those after it dropped.
class BehindPack : public TPackLz {
 public:
  int Jobs = 1;
  // A set of disks in folders: the last volume's file, read first for its checksums.
  const MediaSet* Media = nullptr;

  // Extract, with the pipeline's results taken in between the entries and all of them before
  // the run counts as a success.
  bool ExtractAll() {
    TOnProgress shown = OnProgress;
    OnProgress = [this, shown](TObject* sender, const std::string& name, std::int32_t percent,
                               bool& cancel) {
      if (behind_ && !behind_->Collect(false)) cancel = true;
      if (shown) shown(sender, name, percent, cancel);
    };
    OnPrepared = [this](TObject*) {
      if (behind_ && !behind_->Collect(true)) throw EAbort();
    };
    bool ok = Extract();
    OnProgress = shown;
    OnPrepared = nullptr;
    return ok;
  }

 protected:
  // What expanding the current entry (Entry) for Target is; DataName names its bytes.
  virtual ExpandBehind::Job Expansion(const std::string& Target) = 0;

  void CreateTarget(const std::string& Target) override {
    if (!behind_) behind_ = std::make_unique<ExpandBehind>(Jobs, GetTempName());
    DataFile = behind_->Acquire();
    DataName = Target;  // messages name the entry, not the temporary file its bytes go to
  }
  void CloseTarget(const std::string& Target, bool Complete) override {
    // Data that did not arrive whole is not expanded: the target would be a shortened file
    // that looks complete.
    if (!Complete) {
      behind_->GiveBack(std::move(DataFile));
      return;
    }
    behind_->Submit(std::move(DataFile), Expansion(Target));
  }
  std::string LastVolumeName() override {
    if (!Media) return std::string();
    int n = 1;
    while (platform::FileExists(Media->Volume(n + 1))) ++n;
    return Media->Volume(n);
  }
  void FinishRun() override {
    DataFile.Close();
    if (behind_) behind_->Collect(true);
    behind_.reset();
    TPackLz::FinishRun();
  }

 private:
  std::unique_ptr<ExpandBehind> behind_;
};

// Each file is expanded under a temporary name beside its target and renamed into place once
// complete: an interrupted extraction leaves every file whole or absent. The target is reached
// through real folders only (platform/folder.h): a link on the way fails the entry, a link at
// its name is replaced, and a device, pipe or socket there is left alone and fails it.
class ExtractPack final : public BehindPack {
 public:
  std::function<void(const std::string& target)> OnExtracted;
  std::function<void(const std::string& target, const std::exception& failure)> OnFailed;

 protected:
  ExpandBehind::Job Expansion(const std::string& Target) override {
    const std::string relative =
        !Entry.FileName.empty() && Entry.FileName.front() == '\\' ? Entry.FileName.substr(1)
                                                                    : Entry.FileName;
    const std::string name = ExtractFileName(relative);
    std::shared_ptr<const platform::Folder> folder = FolderOf(ExtractFilePath(relative));
    switch (folder->KindOf(name)) {
      // Why an entry was not extracted; the terminal puts its name before them.
      case platform::Folder::Kind::Folder: throw Exception(_("a folder stands at its name"));
      case platform::Folder::Kind::Special:
        throw Exception(_("a device, pipe or socket stands at its name and is left alone"));
      default: break;
    }
    // The file is made here, not by the worker: only this thread makes files (lz_pipeline.h).
    auto output = std::make_shared<PlacedOutput>(folder, name);
    if (!output->File().IsOpen()) platform::RaiseLastOSError(platform::IoAction::Create, Target);
    const std::int32_t time = Entry.Time;
    const std::uint16_t attr = Entry.Attr;
    ExpandBehind::Job job;
    // The codec's messages name the entry, never a temporary file.
    job.expand = [Target, time, output](Tlzrw1& codec, platform::File& data) {
      codec.InputFile = Target;
      codec.OutputFile = Target;
      platform::File& file = output->File();
      FileOutput sink(file);
      codec.Decompress(data, sink);
      file.SetDosTime(time);  // with the handle that wrote the file, kept open for the move
    };
    // Only a file that expanded whole and to its recorded size gets here: nothing is put in
    // place before every check of the entry has passed.
    job.done = [this, output, Target, attr] {
      if (!output->Commit(attr)) platform::RaiseLastOSError(platform::IoAction::Write, Target);
      if (OnExtracted) OnExtracted(Target);
    };
    job.failed = [this, Target](const std::exception& e) {
      if (OnFailed) OnFailed(Target, e);
      return false;
    };
    return job;
  }

  void FinishRun() override {
    BehindPack::FinishRun();
    folder_.reset();
  }

 private:
  // The folder of an entry (relative: its folders under Directory, ending with a backslash).
  // Entries come folder by folder, so the last one is kept.
  std::shared_ptr<const platform::Folder> FolderOf(const std::string& relative) {
    if (folder_ && relative == folderName_) return folder_;
    auto folder = std::make_shared<platform::Folder>();
    std::string stop;
    switch (folder->Open(Directory, relative, stop)) {
      case platform::Folder::Status::Ok: break;
      case platform::Folder::Status::Link:
        throw Exception(Format(_("not followed: a symbolic link stands for a folder of it: %s"),
                               platform::NativePath(stop).c_str()));
      case platform::Folder::Status::NotAFolder:
        throw Exception(Format(_("no folder can be made for it, a file stands there: %s"),
                               platform::NativePath(stop).c_str()));
      case platform::Folder::Status::Failed:
        platform::RaiseLastOSError(platform::IoAction::Create, stop);
    }
    folder_ = std::move(folder);
    folderName_ = relative;
    return folder_;
  }

  std::shared_ptr<const platform::Folder> folder_;
  std::string folderName_;
};

// Expands every entry into a counter instead of a file: the data is read, copied, decompressed
// and size-checked as in an extraction, and no file but the temporary ones is written. A
// damaged entry is named and the run goes on with the next.
class TestPack final : public BehindPack {
 public:
  std::function<void(const std::string& name, const std::exception& failure)> OnDamage;
  std::int64_t Expanded = 0;

 protected:
  bool GoesOnAfterDamage() const override { return true; }

  class CountingOutput final : public TLzrw1Output {
   public:
    bool Write(const void*, std::size_t size) override {
      bytes += static_cast<std::int64_t>(size);
      return true;
    }
    std::int64_t bytes = 0;
  };

  ExpandBehind::Job Expansion(const std::string& Target) override {
    auto counter = std::make_shared<CountingOutput>();
    ExpandBehind::Job job;
    job.expand = [Target, counter](Tlzrw1& codec, platform::File& data) {
      codec.InputFile = Target;
      codec.OutputFile = "(verifica\xE7\xE3o)";
      codec.Decompress(data, *counter);
    };
    job.done = [this, counter] { Expanded += counter->bytes; };
    job.failed = [this, Target](const std::exception& e) {
      if (OnDamage) OnDamage(Target, e);
      return true;
    };
    return job;
  }
};

int Extract(const Command& command, const Options& o) {
  ArchiveEngine<ExtractPack> engine(o);
  ExtractPack& pack = engine.pack;
  if (std::string refused = RefusedArchive(command.name, pack.PackFileName); !refused.empty())
    return Failure(refused);
  pack.Directory = EnginePath(o.directory);
  pack.Jobs = Jobs(o);
  pack.Media = engine.Media();
  for (const auto& m : o.masks) pack.Items.push_back(EnginePath(m));
  for (const auto& m : o.excludes) pack.Excludes.push_back(EnginePath(m));

  Terminal terminal;
  terminal.Watch(pack);
  int extracted = 0;
  pack.OnExtracted = [&](const std::string& target) {
    ++extracted;
    if (o.verbose) {
      terminal.Clear();
      Print(stdout, platform::NativePath(target) + "\n");
    }
  };
  pack.OnFailed = [&](const std::string& target, const std::exception& failure) {
    terminal.Failed(target, failure);
  };
  if (!pack.ExtractAll()) return terminal.RunFailure(pack);
  terminal.Clear();
  if (extracted == 0 && !o.masks.empty()) return Failure(pack.PackFileName, _("no entry matches"));
  return kExitOk;
}

// Whether the run ended where an entry went on past its volume and no next disk could be had.
bool VolumeEnded(const TCustomPack& pack) {
  try {
    if (pack.ErrorException()) std::rethrow_exception(pack.ErrorException());
  } catch (const EPackVolumeEnds&) {
    return true;
  } catch (...) {
  }
  return false;
}

int Test(const Command& command, const Options& o) {
  ArchiveEngine<TestPack> engine(o);
  TestPack& pack = engine.pack;
  if (std::string refused = RefusedArchive(command.name, pack.PackFileName); !refused.empty())
    return Failure(refused);
  pack.Jobs = Jobs(o);
  pack.Media = engine.Media();
  std::string archive = pack.PackFileName;

  Terminal terminal;
  terminal.Watch(pack);
  std::set<std::string> damaged;
  auto report = [&](const std::string& name, const std::exception& failure) {
    terminal.Failed(name, failure);
    damaged.insert(name);
  };
  pack.OnDamage = report;
  pack.OnError = [&](TObject*, const Exception& e, const std::string& name) { report(name, e); };
  if (o.verbose) {
    pack.OnClose = [&](TObject*, std::string& name) {
      terminal.Clear();
      Print(stdout, Format(_("testing %s"), platform::NativePath(name).c_str()) + "\n");
    };
  }
  bool ok = pack.ExtractAll();
  terminal.Clear();
  // The archive itself is named when its header or its checksum block is damaged.
  const bool head = damaged.erase(archive) > 0;
  const std::size_t total = std::max(pack.EntriesInArchive(), pack.List.size());
  const std::string counts =
      Format(total == 1 ? _("%zu of %zu entry damaged") : _("%zu of %zu entries damaged"),
             damaged.size(), total);
  // A disk of a set read without the others (its entry named the volume and the fix): no
  // count of what was missed. Where that cannot be told from a cut archive, both are said.
  if (VolumeEnded(pack) && InDiskFolder(archive)) return terminal.RunFailure(pack);
  if (pack.Cut())
    return Failure(archive, Format(_("is cut short: %s, %zu not reached"), counts.c_str(),
                                   total - pack.List.size()));
  if (!ok && damaged.empty() && !head) return terminal.RunFailure(pack);
  if (!damaged.empty() || head)
    return Failure(archive, head ? Format(_("%s, and the archive's header or checksums"),
                                          counts.c_str())
                                 : counts);
  if (!o.quiet)
    Print(stdout, platform::NativePath(archive) + ": " +
                      Format(total == 1 ? _("%zu entry, %lld bytes expanded, no errors")
                                        : _("%zu entries, %lld bytes expanded, no errors"),
                             total, static_cast<long long>(pack.Expanded)) +
                      "\n");
  return kExitOk;
}

const std::vector<Command> kCommands = {
    {"extract", "ARCHIVE [MASK...]", 1, kAnyNumber,
     N_("Extract the entries matching MASK (default all) into DIR."),
     N_("Extracts the entries of ARCHIVE whose names match a MASK (default: all) into DIR (default:\n"
        "the current directory), creating subdirectories and replacing existing files, with the\n"
        "stored last-write times and attributes. Masks are matched against the whole stored name,\n"
        "and a star also spans directories: \"*.TXT\" selects SUB\\A.TXT as well.\n"
        "Entry names that would leave DIR are refused. Each file is expanded under a temporary\n"
        "name beside it and renamed when complete, so an interrupted run leaves no partial file.\n"),
     {{Opt::Directory}, {Opt::Password}, {Opt::PasswordFile}, {Opt::Media}, {Opt::Exclude},
      {Opt::Jobs}, {Opt::Verbose}, {Opt::Quiet}},
     "",
     Extract},
    {"test", "ARCHIVE", 1, 1,
     N_("Expand every entry without writing anything and report damaged ones."),
     N_("Reads ARCHIVE as an extraction would, expands every entry to nowhere and checks its size\n"
        "and, for archives made by \"pck create\", its checksum. Every damaged entry is named.\n"),
     {{Opt::Password}, {Opt::PasswordFile}, {Opt::Media}, {Opt::Jobs},
      {Opt::Verbose, N_("name every entry tested")}, {Opt::Quiet}},
     "",
     Test},
};

}  // namespace

const std::vector<Command>& ExtractCommands() { return kCommands; }

}  // namespace pck
