// pck create: a .PCK archive, or a set of disks, from a tree of files, stored the way the setup
// program reads them (every file compressed, TPackLz), the files compressed on every core.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

// TPackLz with a list that takes whole trees: every mask is searched in its directory and all
// the directories below it, names in alphabetical order so the same tree gives the same
// archive. A file found by two masks is stored once, and the archive never stores itself nor
// the engine's temporary file. The files are compressed Jobs at a time, ahead of the engine.
class TreePack final : public TPackLz {
 public:
  int Jobs = 1;

  void BuildList() override {
    List.clear();
    std::set<std::string> seen;
    for (const std::string& line : Items) {
      std::string pattern = ConcatPath(Directory, line);
      Walk(ExtractFilePath(pattern), ExtractFileName(pattern), seen);
    }
    if (List.empty()) throw Exception("no files match");
    DoPrepared();
  }

  // Without CommitVolumes the volumes go, and so do the folders made for them.
  ~TreePack() override {
    volumes_.clear();
    if (committed_) return;
    // Deepest first: a folder is longer than the one it lies in.
    std::sort(madeDirs_.begin(), madeDirs_.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    std::error_code ec;
    for (const std::string& dir : madeDirs_)
      std::filesystem::remove(platform::NativePath(dir), ec);
  }

  // Moves every volume written into its place, in order; the run must have succeeded.
  bool CommitVolumes() {
    for (auto& volume : volumes_) {
      if (!volume->Commit()) {
        failedVolume_ = volume->Target();
        return false;
      }
    }
    committed_ = true;
    return true;
  }
  const std::string& FailedVolume() const { return failedVolume_; }

 protected:
  // Each volume is written under a temporary name beside its final one. The engine deletes the
  // volume it was writing when a run fails; the volumes finished before it go with this object.
  void OpenWrite() override {
    MakeFolder(ExtractFilePath(PackFileName));
    volumes_.push_back(std::make_unique<SafeOutput>(PackFileName));
    PackFileName = volumes_.back()->Path();
    TPackLz::OpenWrite();
  }

  // The engine stores List in order, each file once: the next one is the next of the pipeline.
  void OpenSource(const std::string&) override {
    if (!ahead_) ahead_ = std::make_unique<CompressAhead>(Jobs, CompressMode, List, GetTempName());
    DataName = ahead_->PathOf(stored_);
    DataFile = ahead_->Compressed(stored_);
  }
  void CloseSource() override { ahead_->GiveBack(stored_++, std::move(DataFile)); }
  void FinishRun() override {
    DataFile.Close();
    ahead_.reset();
    stored_ = 0;
    TPackLz::FinishRun();
  }

 private:
  // The temporary volume goes beside the final one, so its folder must exist first; what was
  // made for it is noted for a failed run to take away again.
  void MakeFolder(const std::string& dir) {
    for (std::string d = dir; !d.empty() && !platform::DirectoryExists(d);) {
      madeDirs_.push_back(d);
      while (!d.empty() && d.back() == '\\') d.pop_back();
      d = ExtractFilePath(d);
    }
    if (!dir.empty()) platform::ForceDirectories(dir);
  }

  static std::vector<platform::FoundFile> Sorted(std::vector<platform::FoundFile> found) {
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    return found;
  }
  bool IsOwnFile(const std::string& path, const std::string& name) const {
    for (const std::string& own : {PackFileName, GetTempName()}) {
      if (!own.empty() && MatchMask(ExtractFileName(own), name) &&
          SameFile(platform::NativePath(own), platform::NativePath(path)))
        return true;
    }
    return false;
  }
  // Directories are followed also through links, as a user packing a tree expects its files,
  // but never into a directory the walk is already inside of, which would never end.
  void Walk(const std::string& dir, const std::string& mask, std::set<std::string>& seen,
            std::vector<std::filesystem::path> chain = {}) {
    std::error_code ec;
    std::filesystem::path here =
        std::filesystem::canonical(platform::NativePath(dir.empty() ? "." : dir), ec);
    if (ec) return;
    for (const auto& outer : chain)
      if (here == outer) return;
    chain.push_back(here);
    for (const auto& f : Sorted(platform::FindFiles(dir + mask, 0x27))) {
      std::string path = ConcatPath(dir, f.Name);
      if (!MatchesAnyMask(Directory, Excludes, path) && !IsOwnFile(path, f.Name) &&
          seen.insert(path).second)
        List.push_back(path);
    }
    for (const auto& d : Sorted(platform::FindFiles(dir + "*", 0x37)))
      if (d.Attr & platform::faDirectory) Walk(ConcatPath(dir, d.Name) + "\\", mask, seen, chain);
  }

  std::vector<std::unique_ptr<SafeOutput>> volumes_;
  std::vector<std::string> madeDirs_;
  std::string failedVolume_;
  bool committed_ = false;
  std::unique_ptr<CompressAhead> ahead_;
  std::size_t stored_ = 0;
};

// SOURCE_DATE_EPOCH, the reproducible-builds convention: the moment the archive claims to have
// been made. Its local date and time become the Stamp, as the clock's would, and no file is
// stored as newer than it, so the same tree gives the same bytes again. False for a value that
// is not a number of seconds the archive's dates can hold.
bool ApplySourceDate(TCustomPack& pack, const char* value) {
  std::int64_t seconds = 0;
  const char* end = value + std::strlen(value);
  auto [stop, error] = std::from_chars(value, end, seconds);
  platform::DateTime local;
  if (*value < '0' || *value > '9' || error != std::errc() || stop != end ||
      !platform::LocalTimeOf(seconds, local) || local.Year > 2107)
    return false;
  pack.FixedStamp = pck_format::OleDateOf(local);
  // A moment before the first MS-DOS date clamps every file to that first date.
  pack.LatestTime =
      local.Year < 1980
          ? 0x00210000
          : static_cast<std::int32_t>(static_cast<std::uint32_t>(local.Year - 1980) << 25 |
                                      local.Month << 21 | local.Day << 16 | local.Hour << 11 |
                                      local.Minute << 5 | local.Second / 2);
  return true;
}



// Volumes of an earlier, longer set would be taken for part of this one.
void RemoveStaleDisks(const MediaSet& media, int last) {
  for (int n = last + 1; platform::FileExists(media.Volume(n)); ++n)
    platform::RemoveFile(media.Volume(n));
}

int Create(const Command& command, const Options& o) {
  if (!o.directory.empty() && !platform::DirectoryExists(EnginePath(o.directory)))
    return Failure("pck create: no directory " + EnginePath(o.directory));

  ArchiveEngine<TreePack> engine(o);
  TreePack& pack = engine.pack;
  pack.Directory = EnginePath(o.directory);
  pack.PathOption = TPathOption::poRelative;
  pack.CompressMode = o.mode;
  pack.Checksums = true;
  pack.VolumeSize = o.volumeSize;
  pack.Jobs = Jobs(o);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && !ApplySourceDate(pack, epoch))
    return Failure(std::string("pck create: SOURCE_DATE_EPOCH is \"") + epoch +
                   "\"; it must be a whole number of seconds since 1970-01-01 00:00 UTC, "
                   "up to the year 2107");
  for (const auto& h : o.headers) pack.Header.push_back(platform::WindowsText(h));
  for (const auto& m : o.masks.empty() ? std::vector<std::string>{"*.*"} : o.masks)
    pack.Items.push_back(EnginePath(m));
  for (const auto& m : o.excludes) pack.Excludes.push_back(EnginePath(m));

  Terminal terminal(command);
  terminal.Watch(pack);
  std::string stored;
  if (o.verbose) {
    pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t, bool&) {
      if (!name.empty() && name != stored)
        std::printf("%s\n", platform::NativePath(stored = name).c_str());
    };
  }
  if (!pack.Create()) return terminal.RunFailure(pack);
  terminal.Clear();
  if (!pack.CommitVolumes())
    return Failure("pck create: cannot move the new archive into place: " +
                   pack.FailedVolume());
  if (const MediaSet* media = engine.Media()) {
    RemoveStaleDisks(*media, pack.GetVolume());
    if (!o.quiet)
      std::printf("%s: %d files on %d disks\n",
                  platform::NativePath(EnginePath(o.media)).c_str(), pack.GetFileCount(),
                  pack.GetVolume());
  } else if (o.verbose) {
    std::printf("%s: %d files\n", platform::NativePath(EnginePath(o.archive)).c_str(),
                pack.GetFileCount());
  }
  return kExitOk;
}

const std::vector<Command> kCommands = {
    {"create", "ARCHIVE [MASK...]", 1, kAnyNumber,
     "Store the files matching MASK under DIR, with their subdirectories, in a new archive.",
     "Creates ARCHIVE (replacing it) from the files under DIR (default: the current directory)\n"
     "whose names match a MASK (default \"*.*\", every file), searched in DIR and in all the\n"
     "directories below it. Names are stored relative to DIR, with their last-write times and\n"
     "read-only attribute; every file is compressed on its own. Empty directories are not\n"
     "stored: an archive holds files only.\n"
     "\n"
     "Masks follow the Windows rules: \"*\" and \"?\" wildcards, letters without regard to case,\n"
     "\"*.*\" any name, \"*\" only names without an extension; a mask may start with a\n"
     "directory (\"docs/*.txt\"). Quote masks so the shell leaves them alone.\n",
     {{Opt::Directory, "take the files from DIR (default: the current directory)"},
      {Opt::Mode},
      {Opt::Password, "make readers ask for the password P (see below)"},
      {Opt::PasswordFile},
      {Opt::Header},
      {Opt::Exclude, "leave out files matching MASK, relative to DIR; \"*.BAK\" also\n"
                     "matches in subdirectories (repeatable)"},
      {Opt::Media, "write a set of disks: DIR/DISK1/ARCHIVE, DIR/DISK2/ARCHIVE, ..."},
      {Opt::VolumeSize},
      {Opt::Jobs, "compress on N workers (default: one per core, at most 64);\n"
                  "the archive is the same byte for byte whatever N is"},
      {Opt::Verbose, "name every file stored"},
      {Opt::Quiet}},
     "ARCHIVE (each volume, with --media) is written under a temporary name and renamed when\n"
     "the whole archive is complete: on failure or interruption no new volume is left behind\n"
     "and an existing ARCHIVE stays as it was.\n"
     "\n"
     "Environment:\n"
     "  SOURCE_DATE_EPOCH     seconds since 1970-01-01 UTC: the archive's stamp is that moment\n"
     "                        and later file times are stored as it, so the same tree gives\n"
     "                        the same bytes again (also as a set of disks)\n"
     "  TMPDIR                where the temporary file of the compressor is made\n",
     Create},
};

}  // namespace

const std::vector<Command>& CreateCommands() { return kCommands; }

}  // namespace pck
