// pck extract / test: the entries of a .PCK archive into files, or into nothing but a check,
// expanded on every core while the archive is read in order.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
#include "platform/text.h"
#include "tools/pck/archive_cli.h"
#include "tools/pck/commands.h"
#include "tools/pck/failures.h"
#include "tools/pck/i18n.h"
#include "tools/pck/lz_pipeline.h"
#include "tools/pck/masks.h"
#include "tools/pck/safe_output.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace pck {
namespace {

// Whether something stands at path (a Windows path), links not followed.
bool Taken(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(platform::NativePath(path), ec));
}

// TPackLz whose entries are expanded behind the engine's reading, Jobs at a time: the engine
// copies each entry's stored bytes into a temporary file of the pipeline and reads on; what
// becomes of the expansion (Expansion) is finished in archive order, after each entry and all
// of it before the checksum block. An entry whose expansion fails ends the run with its
// failure, as its copy failing would; the entries handed in before it are finished, those after
// it dropped.
class BehindPack : public TPackLz {
 public:
  int Jobs = 1;
  // A set of disks in folders: the last volume's file, read first for its checksums.
  const MediaSet* Media = nullptr;
  // The entries to take, by pck's mask rule (masks.h); the engine's Items and Excludes are not
  // used. Null: all of them.
  Selection* Select = nullptr;
  // With --keep-going: past an entry that failed on its own (damaged, or its file not made).
  bool KeepGoing = false;
  // The entries the masks selected, whether or not they came through.
  std::size_t Selected = 0;

 protected:
  // What expanding the current entry (Entry) for Target is; DataName names its bytes.
  virtual ExpandBehind::Job Expansion(const std::string& Target) = 0;

  bool MatchEntry() override {
    if (Select && !Select->Selects(Entry.FileName)) return false;
    ++Selected;
    return true;
  }
  bool GoesOnAfterDamage() const override { return KeepGoing; }

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
  void AfterEntry(const std::string&) override { Collect(false); }
  void BeforeTrailer() override { Collect(true); }
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
  void Collect(bool wait) {
    if (behind_ && !behind_->Collect(wait)) std::rethrow_exception(behind_->Failure());
  }

  std::unique_ptr<ExpandBehind> behind_;
};

// Each file is expanded under a temporary name beside its target and renamed into place once
// complete: an interrupted extraction leaves every file whole or absent. The target is reached
// through real folders only (platform/folder.h): a link on the way fails the entry, a link at
// its name is replaced, and a device, pipe or socket there is left alone and fails it.
class ExtractPack final : public BehindPack {
 public:
  // -k: an entry whose name is taken (by anything, a link to nothing too) is passed over.
  bool KeepOld = false;
  // -O: each entry is expanded into a temporary file and copied to Out once it has come
  // through whole, so a damaged entry gives none of its bytes; no file is made under Directory.
  std::FILE* Out = nullptr;
  std::function<void(const std::string& target)> OnExtracted;
  std::function<void(const std::string& target, const std::exception& failure)> OnFailed;
  std::function<void(const std::string& target)> OnKept;

 protected:
  bool MatchEntry() override {
    if (!BehindPack::MatchEntry()) return false;
    if (!KeepOld || Out) return true;
    const std::string target = ConcatPath(Directory, Entry.FileName);
    if (!Taken(target)) return true;
    if (OnKept) OnKept(target);
    return false;
  }

  ExpandBehind::Job Expansion(const std::string& Target) override {
    if (Out) return Written(Target);
    const std::string relative = !Entry.FileName.empty() && Entry.FileName.front() == '\\'
                                     ? Entry.FileName.substr(1)
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
      if (!output->Commit(attr, !KeepOld)) {
        // With -k a name taken since the entry was selected is kept all the same.
        if (KeepOld && Taken(Target)) {
          if (OnKept) OnKept(Target);
          return;
        }
        platform::RaiseLastOSError(platform::IoAction::Write, Target);
      }
      if (OnExtracted) OnExtracted(Target);
    };
    job.failed = [this, Target](const std::exception& e) {
      if (OnFailed) OnFailed(Target, e);
      return KeepGoing;
    };
    return job;
  }

  // The entry expanded into a temporary file of its own, then copied to Out in archive order.
  ExpandBehind::Job Written(const std::string& Target) {
    auto expanded = std::make_shared<TempSlots>(1, std::string());
    expanded->Path(0);  // raises when no temporary file could be made
    ExpandBehind::Job job;
    job.expand = [Target, expanded](Tlzrw1& codec, platform::File& data) {
      codec.InputFile = Target;
      codec.OutputFile = Target;
      FileOutput sink(expanded->File(0));
      codec.Decompress(data, sink);
    };
    job.done = [this, Target, expanded] {
      platform::File& file = expanded->File(0);
      std::vector<char> buffer(1 << 16);
      bool ok = file.Seek(0);
      for (std::int64_t got; ok && (got = file.Read(buffer.data(), buffer.size())) != 0;)
        ok = got > 0 && std::fwrite(buffer.data(), 1, static_cast<std::size_t>(got), Out) ==
                            static_cast<std::size_t>(got);
      if (!ok || std::fflush(Out) != 0) {
        const int code = errno;
        outBroken_ = true;  // nothing after this entry can get through either
        throw Exception(std::string(_("cannot write to standard output: ")) +
                        (code ? std::strerror(code) : _("unknown error")));
      }
      if (OnExtracted) OnExtracted(Target);
    };
    job.failed = [this, Target](const std::exception& e) {
      if (OnFailed) OnFailed(Target, e);
      return KeepGoing && !outBroken_;
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
  bool outBroken_ = false;
};

// Expands every entry into a counter instead of a file: the data is read, copied, decompressed
// and size-checked as in an extraction, and no file but the temporary ones is written. A
// damaged entry is named and the run goes on with the next.
class TestPack final : public BehindPack {
 public:
  std::function<void(const std::string& name, const std::exception& failure)> OnDamage;
  std::int64_t Expanded = 0;

 protected:
  // A test names every damaged entry: --keep-going is what it does anyway.
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

// Sets up the engine of extract and test from the options (its workers, its disk set); the
// refusal of an archive that is no file, or nothing.
template <class Pack>
std::string SetUp(const Command& command, const Options& o, ArchiveEngine<Pack>& engine) {
  engine.pack.Jobs = Jobs(o);
  engine.pack.Media = engine.Media();
  return RefusedArchive(command.name, engine.pack.PackFileName);
}

// The standard output as the bytes of files go there: on Windows without the text mode, which
// would add a carriage return before every line feed.
std::FILE* BinaryStdout() {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  return stdout;
}

int Extract(const Command& command, const Options& o) {
  ArchiveEngine<ExtractPack> engine(o);
  if (std::string refused = SetUp(command, o, engine); !refused.empty()) return Failure(refused);
  ExtractPack& pack = engine.pack;
  pack.Directory = EnginePath(o.directory);
  Selection selection(o.masks, o.excludes);
  pack.Select = &selection;
  pack.KeepGoing = o.keepGoing;
  pack.KeepOld = o.keepOld;
  if (o.toStdout) pack.Out = BinaryStdout();
  // With -O the standard output carries the entries' bytes and nothing else.
  std::FILE* names = o.toStdout ? stderr : stdout;

  Terminal terminal;
  terminal.Watch(pack);
  std::set<std::string> failed;
  std::size_t kept = 0;
  pack.OnError = [&](TObject*, const Exception& e, const std::string& name) {
    terminal.Failed(name, e);
    failed.insert(name);
  };
  pack.OnFailed = [&](const std::string& target, const std::exception& failure) {
    terminal.Failed(target, failure);
    failed.insert(target);
  };
  pack.OnKept = [&](const std::string& target) {
    terminal.Failed(target, _("exists, not replaced (--keep-old-files)"));
    ++kept;
  };
  pack.OnExtracted = [&](const std::string& target) {
    if (o.verbose) {
      terminal.Clear();
      Print(names, platform::NativePath(target) + "\n");
    }
  };
  if (!pack.Extract()) return terminal.RunFailure(pack);
  terminal.Clear();
  const bool missing = terminal.NotFound(selection.NotFound());
  // Only a run that went on past its failures gets here with some. The archive itself is
  // named when its header or its checksum block is damaged; it is no entry.
  const bool head = failed.erase(pack.PackFileName) > 0;
  if (!failed.empty()) {
    const std::size_t total = std::max(pack.EntriesInArchive(), pack.List.size());
    Report(std::string(),
           Format(_("%zu of %zu entries not extracted; the others were"), failed.size(), total));
  }
  return missing || kept > 0 || head || !failed.empty() ? kExitFailure : kExitOk;
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
  if (std::string refused = SetUp(command, o, engine); !refused.empty()) return Failure(refused);
  TestPack& pack = engine.pack;
  Selection selection(o.masks, {});
  pack.Select = &selection;
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
  bool ok = pack.Extract();
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
    return Failure(
        archive,
        head ? Format(_("%s, and the archive's header or checksums"), counts.c_str()) : counts);
  if (terminal.NotFound(selection.NotFound())) return kExitFailure;
  // With masks, the entries they selected.
  const std::size_t tested = o.masks.empty() ? total : pack.Selected;
  if (!o.quiet)
    Print(stdout, platform::NativePath(archive) + ": " +
                      Format(tested == 1 ? _("%zu entry, %lld bytes expanded, no errors")
                                         : _("%zu entries, %lld bytes expanded, no errors"),
                             tested, static_cast<long long>(pack.Expanded)) +
                      "\n");
  return kExitOk;
}

const std::vector<Command> kCommands = {
    {"extract",
     "ARCHIVE [MASK...]",
     1,
     kAnyNumber,
     N_("Extract the entries matching MASK (default all) into DIR."),
     N_("Extracts the entries of ARCHIVE that a MASK selects (default: all) into DIR (default:\n"
        "the current directory), creating subdirectories and replacing existing files, with the\n"
        "stored last-write times and attributes. A MASK that selects no entry is named (exit\n"
        "status 1) and the others are extracted. Entry names that would leave DIR are refused.\n"
        "Each file is expanded under a temporary name beside it and renamed when complete and\n"
        "checked, so an interrupted run leaves no partial file and a damaged entry replaces\n"
        "nothing. Without --keep-going the run stops at the first entry that fails.\n"),
     {{Opt::Directory},
      {Opt::Password},
      {Opt::PasswordFile},
      {Opt::Media},
      {Opt::Exclude},
      {Opt::KeepOld},
      {Opt::ToStdout},
      {Opt::KeepGoing},
      {Opt::Jobs},
      {Opt::Verbose, "name every file extracted (with -O, on standard error)"},
      {Opt::Quiet}},
     "",
     Extract},
    {"test",
     "ARCHIVE [MASK...]",
     1,
     kAnyNumber,
     N_("Expand the entries matching MASK (default all) without writing anything; report "
        "damage."),
     N_("Reads ARCHIVE as an extraction would, expands every entry a MASK selects (default: all)\n"
        "to nowhere and checks its size and, for archives made by \"pck create\", its checksum.\n"
        "Every damaged entry is named and the test goes on with the next; a MASK that selects\n"
        "no entry is named. Exit status 1 for either.\n"),
     {{Opt::Password},
      {Opt::PasswordFile},
      {Opt::Media},
      {Opt::KeepGoing, N_("go on past a damaged entry (a test always does)")},
      {Opt::Jobs},
      {Opt::Verbose, N_("name every entry tested")},
      {Opt::Quiet}},
     "",
     Test},
};

}  // namespace

const std::vector<Command>& ExtractCommands() { return kCommands; }

}  // namespace pck
