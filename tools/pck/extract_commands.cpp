// pck extract / test: the entries of a .PCK archive into files, or into nothing but a check,
// expanded on every core while the archive is read in order.
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
#include "tools/pck/archive_cli.h"
#include "tools/pck/commands.h"
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

  void CreateTarget(const std::string&) override {
    if (!behind_) behind_ = std::make_unique<ExpandBehind>(Jobs, GetTempName());
    DataFile = behind_->Acquire();
    DataName = behind_->AcquiredPath();
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
// complete: an interrupted extraction leaves every file whole or absent. A device or a pipe is
// written as it is and keeps its own time and mode.
class ExtractPack final : public BehindPack {
 public:
  std::function<void(const std::string& target)> OnExtracted;
  std::function<void(const std::string& target, const std::string& problem)> OnFailed;

 protected:
  ExpandBehind::Job Expansion(const std::string& Target) override {
    std::string dir = ExtractFilePath(Target);
    if (!dir.empty() && !MadeDirectories.count(dir) && platform::ForceDirectories(dir))
      MadeDirectories.insert(dir);
    // Written in place only when it is a device or a pipe, or no temporary name could be made
    // beside it; only a device or a pipe is asked no time and no mode of. The file is opened
    // here, not by the worker: only this thread makes files (see lz_pipeline.h).
    auto output = std::make_shared<SafeOutput>(Target, SafeOutput::Opening::Here);
    const std::string source = DataName, path = output->Path();
    if (!output->File().IsOpen())
      throw ELzrw1Exception("Lzrw1 : Outputfile " + path + " can not be opened !");
    const std::int32_t time = Entry.Time;
    const std::uint16_t attr = Entry.Attr;
    ExpandBehind::Job job;
    job.expand = [source, path, time, output](Tlzrw1& codec, platform::File& data) {
      codec.InputFile = source;
      codec.OutputFile = path;
      platform::File& file = output->File();
      try {
        FileOutput sink(file);
        codec.Decompress(data, sink);
        // A device or a pipe keeps its own time. Otherwise it goes with the handle that wrote
        // the file, which a temporary file keeps open for the move into place.
        if (!output->Special()) file.SetDosTime(time);
        if (!output->Temporary() && !file.Close())
          throw ELzrw1Exception("Lzrw1 : ERROR WRITING TO " + path + " !");
      } catch (...) {
        file.Close();
        throw;
      }
    };
    job.done = [this, output, Target, attr] {
      // The attributes are the entry's, not those of the file replaced; a device or a pipe
      // keeps its own mode (Commit leaves it alone). Windows replaces no read-only file: its bit
      // is cleared only when the move meets one.
      if (!output->Commit(attr) && (!ClearReadOnly(Target) || !output->Commit(attr)))
        platform::RaiseLastOSError(platform::IoAction::Rename, output->Path());
      if (OnExtracted) OnExtracted(Target);
    };
    job.failed = [this, Target](const std::exception& e) {
      if (OnFailed) OnFailed(Target, e.what());
      return false;
    };
    return job;
  }
};

// Expands every entry into a counter instead of a file: the data is read, copied, decompressed
// and size-checked as in an extraction, and no file but the temporary ones is written. A
// damaged entry is named and the run goes on with the next.
class TestPack final : public BehindPack {
 public:
  std::function<void(const std::string& name, const std::string& problem)> OnDamage;
  std::int64_t Expanded = 0;

 protected:
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
    std::string source = DataName;
    ExpandBehind::Job job;
    job.expand = [source, counter](Tlzrw1& codec, platform::File& data) {
      codec.InputFile = source;
      codec.OutputFile = "(verifica\xE7\xE3o)";
      codec.Decompress(data, *counter);
    };
    job.done = [this, counter] { Expanded += counter->bytes; };
    job.failed = [this, Target](const std::exception& e) {
      if (OnDamage) OnDamage(Target, e.what());
      return true;
    };
    return job;
  }
};

int Extract(const Command& command, const Options& o) {
  ArchiveEngine<ExtractPack> engine(o);
  ExtractPack& pack = engine.pack;
  pack.Directory = EnginePath(o.directory);
  pack.Jobs = Jobs(o);
  for (const auto& m : o.masks) pack.Items.push_back(EnginePath(m));
  for (const auto& m : o.excludes) pack.Excludes.push_back(EnginePath(m));

  Terminal terminal(command);
  terminal.Watch(pack);
  int extracted = 0;
  pack.OnExtracted = [&](const std::string& target) {
    ++extracted;
    if (o.verbose) {
      terminal.Clear();
      std::printf("%s\n", platform::NativePath(target).c_str());
    }
  };
  pack.OnFailed = [&](const std::string& target, const std::string& problem) {
    terminal.Failed(target, problem);
  };
  if (!pack.ExtractAll()) return terminal.RunFailure(pack);
  terminal.Clear();
  if (extracted == 0 && !o.masks.empty()) return Failure("pck extract: no entry matches");
  return kExitOk;
}

int Test(const Command& command, const Options& o) {
  ArchiveEngine<TestPack> engine(o);
  TestPack& pack = engine.pack;
  pack.Jobs = Jobs(o);
  std::string archive = pack.PackFileName;

  Terminal terminal(command);
  terminal.Watch(pack);
  std::set<std::string> damaged;
  auto report = [&](const std::string& name, const std::string& problem) {
    terminal.Failed(name, problem);
    damaged.insert(name);
  };
  pack.OnDamage = report;
  pack.OnError = [&](TObject*, const Exception& e, const std::string& name) {
    report(name, e.Message());
  };
  if (o.verbose) {
    pack.OnClose = [&](TObject*, std::string& name) {
      terminal.Clear();
      std::printf("testing %s\n", platform::NativePath(name).c_str());
    };
  }
  bool ok = pack.ExtractAll();
  terminal.Clear();
  if (!ok && damaged.empty()) return terminal.RunFailure(pack);
  if (!damaged.empty())
    return Failure("pck test: " + std::to_string(damaged.size()) + " of " +
                   std::to_string(pack.List.size()) + " entries damaged in " + archive);
  if (!o.quiet)
    std::printf("%s: %d entries, %lld bytes expanded, no errors\n",
                platform::NativePath(archive).c_str(), pack.GetFileCount(),
                static_cast<long long>(pack.Expanded));
  return kExitOk;
}

const std::vector<Command> kCommands = {
    {"extract", "ARCHIVE [MASK...]", 1, kAnyNumber,
     "Extract the entries matching MASK (default all) into DIR.",
     "Extracts the entries of ARCHIVE whose names match a MASK (default: all) into DIR (default:\n"
     "the current directory), creating subdirectories and replacing existing files, with the\n"
     "stored last-write times and attributes. Masks are matched against the whole stored name,\n"
     "and a star also spans directories: \"*.TXT\" selects SUB\\A.TXT as well.\n"
     "Entry names that would leave DIR are refused. Each file is expanded under a temporary\n"
     "name beside it and renamed when complete, so an interrupted run leaves no partial file.\n",
     {{Opt::Directory}, {Opt::Password}, {Opt::PasswordFile}, {Opt::Media}, {Opt::Exclude},
      {Opt::Jobs}, {Opt::Verbose}, {Opt::Quiet}},
     "",
     Extract},
    {"test", "ARCHIVE", 1, 1,
     "Expand every entry without writing anything and report damaged ones.",
     "Reads ARCHIVE as an extraction would, expands every entry to nowhere and checks its size\n"
     "and, for archives made by \"pck create\", its checksum. Every damaged entry is named.\n",
     {{Opt::Password}, {Opt::PasswordFile}, {Opt::Media}, {Opt::Jobs},
      {Opt::Verbose, "name every entry tested"}, {Opt::Quiet}},
     "",
     Test},
};

}  // namespace

const std::vector<Command>& ExtractCommands() { return kCommands; }

}  // namespace pck
