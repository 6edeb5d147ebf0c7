// pck create / list / extract / test: .PCK archives from the command line, stored the way the
// setup program reads them (every file compressed, TPackLz).
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pack/pack_lz.h"
#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/ui.h"
#include "tools/pck/archive_cli.h"
#include "tools/pck/commands.h"
#include "tools/pck/safe_output.h"

namespace pck {

// --- Text between the command line and the engine ----------------------------------------

std::string AnsiText(const std::string& host) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t slash; (slash = host.find('/', start)) != std::string::npos; start = slash + 1)
    out += EnginePath(host.substr(start, slash - start)) + '/';
  return out + EnginePath(host.substr(start));
}

// A path or mask from the command line as the engine takes it. Windows itself accepts "/" in
// paths, but the engine's masks and joins look for backslashes only.
std::string Engine(const std::string& host) {
  std::string path = EnginePath(host);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string HostText(const std::string& ansi) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t cut; (cut = ansi.find('\\', start)) != std::string::npos; start = cut + 1)
    out += platform::NativePath(ansi.substr(start, cut - start)) + '\\';
  return out + platform::NativePath(ansi.substr(start));
}

std::string HostPath(const std::string& ansi) { return platform::NativePath(ansi); }

namespace {

// --- Progress on a terminal ----------------------------------------------------------------

// A bar with the percent and the current name, redrawn in place on stderr; nothing when
// stderr is not a terminal, so logs and pipes stay clean.
class ProgressBar {
 public:
  ProgressBar() : enabled_(isatty(fileno(stderr)) != 0) {}
  ~ProgressBar() { Clear(); }

  void Show(const std::string& name, int percent) {
    if (!enabled_) return;
    if (!name.empty()) name_ = HostPath(name);
    percent = std::clamp(percent, 0, 100);
    std::string shown = name_.size() > 44 ? "..." + name_.substr(name_.size() - 41) : name_;
    if (percent == percent_ && shown == shown_) return;
    percent_ = percent;
    shown_ = shown;
    constexpr int kWidth = 24;
    int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%% %-44s", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent, shown.c_str());
    std::fflush(stderr);
    drawn_ = true;
  }
  void Clear() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r%78s\r", "");
    std::fflush(stderr);
    drawn_ = false;
  }

 private:
  bool enabled_;
  bool drawn_ = false;
  int percent_ = -1;
  std::string name_, shown_;
};

}  // namespace

// --- Command lines ---------------------------------------------------------------------------

namespace {

bool ParseSize(const std::string& text, std::int64_t& size) {
  char* end = nullptr;
  long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || value <= 0) return false;
  std::string unit = end;
  if (unit == "k" || unit == "K") value *= 1024;
  else if (unit == "m" || unit == "M") value *= 1024 * 1024;
  else if (!unit.empty()) return false;
  size = value;
  return true;
}

// The first line of FILE ("-": standard input), without its line end.
bool ReadPasswordFile(const std::string& file, std::string& password) {
  std::FILE* in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
  if (!in) return false;
  password.clear();
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') password += static_cast<char>(c);
  bool ok = !std::ferror(in);
  if (in != stdin) std::fclose(in);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return ok;
}

}  // namespace

bool Parse(const Command& command, const Accepts& accepts, const std::vector<std::string>& args,
           Options& o, int& exitCode) {
  bool options = true;
  std::vector<std::string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool inlineValue = false;
    if (options && arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
      inlineValue = true;
    }
    auto takeValue = [&](bool accepted) {
      if (!accepted) {
        exitCode = UsageError(command, "unknown option \"" + arg + "\"");
        return false;
      }
      if (inlineValue) return true;
      if (i + 1 >= args.size()) {
        exitCode = UsageError(command, arg + " needs a value");
        return false;
      }
      value = args[++i];
      return true;
    };
    if (!options || arg == "-" || arg.empty() || arg[0] != '-') {
      words.push_back(arg);
    } else if (arg == "--") {
      options = false;
    } else if (arg == "-C" || arg == "--directory") {
      if (!takeValue(accepts.directory)) return false;
      o.directory = value;
    } else if (arg == "--media") {
      if (!takeValue(accepts.media)) return false;
      o.media = value;
    } else if (arg == "--password" || arg == "-p" || arg == "--password-file") {
      if (!takeValue(accepts.password)) return false;
      if (o.hasPassword)
        return exitCode = UsageError(command, "one --password or --password-file only"), false;
      o.hasPassword = true;
      if (arg != "--password-file") {
        o.password = value;
      } else if (!ReadPasswordFile(value, o.password)) {
        exitCode = Failure("pck " + std::string(command.name) + ": cannot read the password from " +
                           (value == "-" ? std::string("standard input") : EnginePath(value)));
        return false;
      }
    } else if (arg == "--json" && accepts.json && !inlineValue) {
      o.json = true;
    } else if (arg == "--mode" || arg == "-m") {
      if (!takeValue(accepts.mode)) return false;
      if (value == "good") o.mode = TCompressMode::Good;
      else if (value == "fast") o.mode = TCompressMode::Fast;
      else if (value == "auto") o.mode = TCompressMode::Auto;
      else return exitCode = UsageError(command, "unknown mode \"" + value + "\" (good, fast or auto)"), false;
    } else if (arg == "--header") {
      if (!takeValue(accepts.header)) return false;
      o.headers.push_back(value);
    } else if (arg == "--exclude" || arg == "-x") {
      if (!takeValue(accepts.exclude)) return false;
      o.excludes.push_back(value);
    } else if (arg == "--volume-size") {
      if (!takeValue(accepts.volumeSize)) return false;
      if (!ParseSize(value, o.volumeSize))
        return exitCode = UsageError(command, "bad volume size \"" + value + "\" (bytes, or a number with K or M)"), false;
    } else if ((arg == "-v" || arg == "--verbose") && accepts.verbose && !inlineValue) {
      o.verbose = true;
    } else {
      exitCode = UsageError(command, "unknown option \"" + args[i] + "\"");
      return false;
    }
  }
  if (words.empty()) {
    exitCode = UsageError(command, "ARCHIVE is needed");
    return false;
  }
  o.archive = words[0];
  o.masks.assign(words.begin() + 1, words.end());
  if (!accepts.masks && !o.masks.empty()) {
    exitCode = UsageError(command, "too many arguments");
    return false;
  }
  if (o.volumeSize > 0 && o.media.empty()) {
    exitCode = UsageError(command, "--volume-size needs --media DIR: each volume is a disk of its own");
    return false;
  }
  return true;
}

void Locate(TCustomPack& pack, const Options& o) {
  pack.PackFileName = Engine(o.archive);
  if (o.hasPassword) pack.Password = AnsiText(o.password);
}

std::unique_ptr<MediaSet> AnswerDiskPrompts(TCustomPack& pack, const Options& o) {
  if (o.media.empty()) return nullptr;
  return std::make_unique<MediaSet>(pack, Engine(o.media), Engine(o.archive));
}

int RunFailure(const Command& command, const TCustomPack& pack, bool entryReported) {
  if (entryReported) return kExitFailure;
  std::string reason = pack.ErrorMessage();
  if (reason.empty()) reason = "failed";
  return Failure("pck " + std::string(command.name) + ": " + reason);
}

namespace {

// --- create ----------------------------------------------------------------------------------

// TPackLz with a list that takes whole trees: every mask is searched in its directory and all
// the directories below it, names in alphabetical order so the same tree gives the same
// archive. A file found by two masks is stored once, and the archive never stores itself nor
// the engine's temporary file.
class TreePack final : public TPackLz {
 public:
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
    for (const std::string& dir : madeDirs_) std::filesystem::remove(HostPath(dir), ec);
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

  std::vector<std::unique_ptr<SafeOutput>> volumes_;
  std::vector<std::string> madeDirs_;
  std::string failedVolume_;
  bool committed_ = false;

  static std::vector<platform::FoundFile> Sorted(std::vector<platform::FoundFile> found) {
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    return found;
  }
  bool IsOwnFile(const std::string& path, const std::string& name) const {
    for (const std::string& own : {PackFileName, GetTempName()}) {
      if (!own.empty() && MatchMask(ExtractFileName(own), name) &&
          SameFile(HostPath(own), HostPath(path)))
        return true;
    }
    return false;
  }
  // Directories are followed also through links, as a user packing a tree expects its files,
  // but never into a directory the walk is already inside of, which would never end.
  void Walk(const std::string& dir, const std::string& mask, std::set<std::string>& seen,
            std::vector<std::filesystem::path> chain = {}) {
    std::error_code ec;
    std::filesystem::path here = std::filesystem::canonical(HostPath(dir.empty() ? "." : dir), ec);
    if (ec) return;
    for (const auto& outer : chain)
      if (here == outer) return;
    chain.push_back(here);
    for (const auto& f : Sorted(platform::FindFiles(dir + mask, 0x27))) {
      std::string path = ConcatPath(dir, f.Name);
      bool excluded = std::any_of(Excludes.begin(), Excludes.end(), [&](const std::string& m) {
        return MatchFileMask(ConcatPath(Directory, m), path);
      });
      if (!excluded && !IsOwnFile(path, f.Name) && seen.insert(path).second) List.push_back(path);
    }
    for (const auto& d : Sorted(platform::FindFiles(dir + "*", 0x37)))
      if (d.Attr & platform::faDirectory) Walk(ConcatPath(dir, d.Name) + "\\", mask, seen, chain);
  }
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

int RunCreate(const std::vector<std::string>& args);
int RunExtract(const std::vector<std::string>& args);
int RunTest(const std::vector<std::string>& args);

const std::vector<Command> kCommands = {
    {"create",
     "create ARCHIVE [-C DIR] [--mode good|fast|auto] [--password P | --password-file FILE] "
     "[--header LINE]... [--exclude MASK]... [--volume-size BYTES --media DIR] [-v] [MASK...]",
     "Store the files matching MASK under DIR, with their subdirectories, in a new archive.",
     "Creates ARCHIVE (replacing it) from the files under DIR (default: the current directory)\n"
     "whose names match a MASK (default \"*.*\", every file), searched in DIR and in all the\n"
     "directories below it. Names are stored relative to DIR, with their last-write times and\n"
     "read-only attribute; every file is compressed on its own. Empty directories are not\n"
     "stored: an archive holds files only.\n"
     "\n"
     "Masks follow the Windows rules: \"*\" and \"?\" wildcards, letters without regard to case,\n"
     "\"*.*\" any name, \"*\" only names without an extension; a mask may start with a\n"
     "directory (\"docs/*.txt\"). Quote masks so the shell leaves them alone.\n"
     "\n"
     "Options:\n"
     "  -C, --directory DIR   take the files from DIR\n"
     "  -m, --mode good       one LZH stream per file: smaller, slower (default)\n"
     "  -m, --mode fast       LZRW1-KH blocks: larger, several times faster to extract\n"
     "  -m, --mode auto       fast for files the block codec brings under 40 %, else good\n"
     "  -p, --password P      make readers ask for the password P (see below)\n"
     "  --password-file FILE  the password from the first line of FILE (\"-\": standard\n"
     "                        input), kept off the command line other users can list\n"
     "  --header LINE         a line of header text (repeatable; at most 255 bytes each)\n"
     "  -x, --exclude MASK    leave out files matching MASK, relative to DIR; \"*.BAK\" also\n"
     "                        matches in subdirectories (repeatable)\n"
     "  --media DIR           write a set of disks: DIR/DISK1/ARCHIVE, DIR/DISK2/ARCHIVE, ...\n"
     "  --volume-size BYTES   with --media: the largest volume, in bytes or with K or M\n"
     "                        (1423K fills a 1.44 MB floppy disk)\n"
     "  -v, --verbose         name every file stored\n"
     "\n"
     "ARCHIVE (each volume, with --media) is written under a temporary name and renamed when\n"
     "the whole archive is complete: on failure or interruption no new volume is left behind\n"
     "and an existing ARCHIVE stays as it was.\n"
     "\n"
     PCK_PASSWORD_NOTE
     "\n"
     "Environment:\n"
     "  SOURCE_DATE_EPOCH     seconds since 1970-01-01 UTC: the archive's stamp is that moment\n"
     "                        and later file times are stored as it, so the same tree gives\n"
     "                        the same bytes again (also as a set of disks)\n"
     "  TMPDIR                where the temporary file of the compressor is made\n",
     RunCreate},
    {"extract",
     "extract ARCHIVE [-C DIR] [--password P | --password-file FILE] [--media DIR] [--exclude MASK]... [-v] [MASK...]",
     "Extract the entries matching MASK (default all) into DIR.",
     "Extracts the entries of ARCHIVE whose names match a MASK (default: all) into DIR (default:\n"
     "the current directory), creating subdirectories and replacing existing files, with the\n"
     "stored last-write times and attributes. Masks are matched against the whole stored name,\n"
     "and a star also spans directories: \"*.TXT\" selects SUB\\A.TXT as well.\n"
     "Entry names that would leave DIR are refused. Each file is expanded under a temporary\n"
     "name beside it and renamed when complete, so an interrupted run leaves no partial file.\n"
     "\n"
     "Options:\n"
     "  -C, --directory DIR   extract into DIR\n"
     PCK_PASSWORD_OPTIONS
     "  --media DIR           read the set of disks DIR/DISK1/ARCHIVE, DIR/DISK2/ARCHIVE, ...\n"
     "  -x, --exclude MASK    leave out entries matching MASK (repeatable)\n"
     "  -v, --verbose         name every file extracted\n"
     "\n"
     PCK_PASSWORD_NOTE,
     RunExtract},
    {"test", "test ARCHIVE [--password P | --password-file FILE] [--media DIR] [-v]",
     "Expand every entry without writing anything and report damaged ones.",
     "Reads ARCHIVE as an extraction would, expands every entry to nowhere and checks its size\n"
     "and, for archives made by \"pck create\", its checksum. Every damaged entry is named.\n"
     "\n"
     "Options:\n"
     PCK_PASSWORD_OPTIONS
     "  --media DIR           read the set of disks DIR/DISK1/ARCHIVE, DIR/DISK2/ARCHIVE, ...\n"
     "  -v, --verbose         name every entry tested\n"
     "\n"
     PCK_PASSWORD_NOTE,
     RunTest},
};

// Volumes of an earlier, longer set would be taken for part of this one.
void RemoveStaleDisks(const MediaSet& media, int last) {
  for (int n = last + 1; platform::FileExists(media.Volume(n)); ++n)
    platform::RemoveFile(media.Volume(n));
}

int RunCreate(const std::vector<std::string>& args) {
  const Command& command = kCommands[0];
  Accepts accepts;
  accepts.directory = accepts.mode = accepts.password = accepts.header = accepts.exclude =
      accepts.volumeSize = accepts.media = accepts.masks = accepts.verbose = true;
  Options o;
  int exitCode = kExitOk;
  if (!Parse(command, accepts, args, o, exitCode)) return exitCode;
  if (!o.directory.empty() && !platform::DirectoryExists(Engine(o.directory)))
    return Failure("pck create: no directory " + Engine(o.directory));

  TrackedPath engineTemp;
  SignalsHeld hold;
  TreePack pack;
  engineTemp.Set(pack.GetTempName());
  hold.Release();
  Locate(pack, o);
  pack.Directory = Engine(o.directory);
  pack.PathOption = TPathOption::poRelative;
  pack.CompressMode = o.mode;
  pack.Checksums = true;
  pack.VolumeSize = o.volumeSize;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && !ApplySourceDate(pack, epoch))
    return Failure(std::string("pck create: SOURCE_DATE_EPOCH is \"") + epoch +
                   "\"; it must be a whole number of seconds since 1970-01-01 00:00 UTC, "
                   "up to the year 2107");
  for (const auto& h : o.headers) pack.Header.push_back(AnsiText(h));
  for (const auto& m : o.masks.empty() ? std::vector<std::string>{"*.*"} : o.masks)
    pack.Items.push_back(Engine(m));
  for (const auto& m : o.excludes) pack.Excludes.push_back(Engine(m));

  std::unique_ptr<MediaSet> media = AnswerDiskPrompts(pack, o);

  ProgressBar bar;
  bool entryReported = false;
  pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t percent, bool&) {
    bar.Show(name, percent);
  };
  pack.OnError = [&](TObject*, const Exception& e, const std::string& name) {
    bar.Clear();
    std::fprintf(stderr, "pck create: %s: %s\n", HostPath(name).c_str(), HostPath(e.Message()).c_str());
    entryReported = true;
  };
  std::string stored;
  if (o.verbose) {
    pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t percent, bool&) {
      if (!name.empty() && name != stored) std::printf("%s\n", HostPath(stored = name).c_str());
      (void)percent;
    };
  }
  bool ok = pack.Create();
  bar.Clear();
  if (!ok) return RunFailure(command, pack, entryReported);
  if (!pack.CommitVolumes())
    return Failure("pck create: cannot move the new archive into place: " +
                   pack.FailedVolume());
  if (media) RemoveStaleDisks(*media, pack.GetVolume());
  if (media)
    std::printf("%s: %d files on %d disks\n", HostPath(o.media).c_str(), pack.GetFileCount(),
                pack.GetVolume());
  else if (o.verbose)
    std::printf("%s: %d files\n", HostPath(Engine(o.archive)).c_str(), pack.GetFileCount());
  return kExitOk;
}

// --- extract ---------------------------------------------------------------------------------

// TPackLz expanding each entry under a temporary name beside its target and renaming it into
// place once complete: an interrupted extraction leaves every file whole or absent.
class ExtractPack final : public TPackLz {
 protected:
  void CloseTarget(const std::string& Target, bool Complete) override {
    if (!Complete || platform::IsSpecialFile(Target)) {
      TPackLz::CloseTarget(Target, Complete);
      return;
    }
    std::string dir = ExtractFilePath(Target);
    if (!dir.empty()) platform::ForceDirectories(dir);
    SafeOutput output(Target);
    TPackLz::CloseTarget(output.Path(), true);
    ClearReadOnly(Target);  // Windows replaces no read-only file
    if (!output.Commit()) platform::RaiseLastOSError("Erro renomeando", output.Path());
    // The rename kept the time; the attributes are those of the entry, not of the file replaced.
    SetFileDateAttr(Target, Entry.Time, Entry.Attr);
  }
};

int RunExtract(const std::vector<std::string>& args) {
  const Command& command = kCommands[1];
  Accepts accepts;
  accepts.directory = accepts.password = accepts.media = accepts.exclude = accepts.masks =
      accepts.verbose = true;
  Options o;
  int exitCode = kExitOk;
  if (!Parse(command, accepts, args, o, exitCode)) return exitCode;
  TrackedPath engineTemp;
  SignalsHeld hold;
  ExtractPack pack;
  engineTemp.Set(pack.GetTempName());
  hold.Release();
  Locate(pack, o);
  pack.Directory = Engine(o.directory);
  for (const auto& m : o.masks) pack.Items.push_back(Engine(m));
  for (const auto& m : o.excludes) pack.Excludes.push_back(Engine(m));
  std::unique_ptr<MediaSet> media = AnswerDiskPrompts(pack, o);

  ProgressBar bar;
  bool entryReported = false;
  int extracted = 0;
  pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t percent, bool&) {
    bar.Show(name, percent);
  };
  pack.OnClose = [&](TObject*, std::string& target) {
    ++extracted;
    if (o.verbose) {
      bar.Clear();
      std::printf("%s\n", HostPath(target).c_str());
    }
  };
  pack.OnError = [&](TObject*, const Exception& e, const std::string& name) {
    bar.Clear();
    std::fprintf(stderr, "pck extract: %s: %s\n", HostPath(name).c_str(), HostPath(e.Message()).c_str());
    entryReported = true;
  };
  bool ok = pack.Extract();
  bar.Clear();
  if (!ok) return RunFailure(command, pack, entryReported);
  if (extracted == 0 && !o.masks.empty()) return Failure("pck extract: no entry matches");
  return kExitOk;
}

// --- test ------------------------------------------------------------------------------------

// Only counts what it is given: the expansion of an entry under test goes nowhere.
class CountingOutput final : public TLzrw1Output {
 public:
  bool Write(const void*, std::size_t size) override {
    bytes += static_cast<std::int64_t>(size);
    return true;
  }
  std::int64_t bytes = 0;
};

// Expands every entry into a counter instead of a file: the data is read, copied, decompressed
// and size-checked as in an extraction, and no file but the engine's temporary one is written.
// A damaged entry is counted and the run goes on with the next.
class TestPack final : public TPackLz {
 public:
  std::function<void(const std::string& name, const std::string& problem)> OnDamage;
  std::int64_t Expanded = 0;

 protected:
  void CloseTarget(const std::string& Target, bool Complete) override {
    DataFile.Close();
    if (Complete) {
      try {
        CountingOutput counter;
        DecompressFile(TempName, counter);
        Expanded += counter.bytes;
      } catch (const Exception& e) {
        if (OnDamage) OnDamage(Target, e.Message());
      }
    }
    platform::RemoveFile(TempName);
  }
};

int RunTest(const std::vector<std::string>& args) {
  const Command& command = kCommands[2];
  Accepts accepts;
  accepts.password = accepts.media = accepts.verbose = true;
  Options o;
  int exitCode = kExitOk;
  if (!Parse(command, accepts, args, o, exitCode)) return exitCode;
  TrackedPath engineTemp;
  SignalsHeld hold;
  TestPack pack;
  engineTemp.Set(pack.GetTempName());
  hold.Release();
  Locate(pack, o);
  std::unique_ptr<MediaSet> media = AnswerDiskPrompts(pack, o);
  std::string archive = pack.PackFileName;

  ProgressBar bar;
  std::set<std::string> damaged;
  auto report = [&](const std::string& name, const std::string& problem) {
    bar.Clear();
    std::fprintf(stderr, "pck test: %s: %s\n", HostPath(name).c_str(), HostPath(problem).c_str());
    damaged.insert(name);
  };
  pack.OnDamage = report;
  pack.OnError = [&](TObject*, const Exception& e, const std::string& name) { report(name, e.Message()); };
  pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t percent, bool&) {
    bar.Show(name, percent);
  };
  if (o.verbose) {
    pack.OnClose = [&](TObject*, std::string& name) {
      bar.Clear();
      std::printf("testing %s\n", HostPath(name).c_str());
    };
  }
  bool ok = pack.Extract();
  bar.Clear();
  if (!ok && damaged.empty()) return RunFailure(command, pack, false);
  if (!damaged.empty())
    return Failure("pck test: " + std::to_string(damaged.size()) + " of " +
                   std::to_string(pack.List.size()) + " entries damaged in " + archive);
  std::printf("%s: %d entries, %lld bytes expanded, no errors\n", HostPath(archive).c_str(),
              pack.GetFileCount(), static_cast<long long>(pack.Expanded));
  return kExitOk;
}

}  // namespace

const std::vector<Command>& ArchiveCommands() { return kCommands; }

}  // namespace pck
