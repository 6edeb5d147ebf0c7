// pck create: a .PCK archive, or a set of disks, from a tree of files, stored the way the setup
// program reads them (every file compressed, TPackLz), the files compressed on every core.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "pack/pack_lz.h"
#include "pack/paths.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/text.h"
#include "tools/pck/archive_cli.h"
#include "tools/pck/commands.h"
#include "tools/pck/i18n.h"
#include "tools/pck/lz_pipeline.h"
#include "tools/pck/masks.h"
#include "tools/pck/safe_output.h"

namespace pck {
namespace {

// Why a name found in the tree has no exact Windows-1252 form.
std::string WhyInexact(const std::string& name) {
  // On Windows the name found holds '?' for what the code page lacks, and tells no more.
  if (platform::IsExactPath(name))
    return _("its name has characters the ANSI code page cannot hold");
  const std::string native = platform::NativePath(name);
  std::string ansi;
  std::size_t at = native.size();
  char32_t cp = 0;
  platform::AnsiFromUtf8Exact(native, ansi, at);
  const std::size_t other = native.find_first_of("\\\x01");
  if (other < at)
    return native[other] == '\\'
               ? _("its name holds a backslash, which Windows takes for a folder separator")
               : Format(_("Windows forbids control characters (0x%02X) in names"), 1);
  if (at == native.size()) return _("its name has characters the ANSI code page cannot hold");
  if (platform::DecodeUtf8(native, at, cp) == 0)
    return Format(_("its name is not UTF-8 text (the byte 0x%02X)"),
                  static_cast<unsigned char>(native[at]));
  return Format(_("its name has the character U+%04X, which Windows-1252 cannot hold"),
                static_cast<unsigned>(cp));
}

// What the file search calls a file that is none (platform::FoundFile::Kind), translated.
const char* KindText(const char* kind) {
  static const char* const kKinds[] = {N_("a link that leads in a circle"),
                                       N_("a dangling link"),
                                       N_("a file that cannot be read"),
                                       N_("a named pipe"),
                                       N_("a socket"),
                                       N_("a character device"),
                                       N_("a block device"),
                                       N_("neither a file nor a directory")};
  for (const char* known : kKinds)
    if (std::strcmp(known, kind) == 0) return Tr(known);
  return kind;
}

// Why a stored name cannot be written at all (empty when it can): the setup program and every
// reader refuse such an entry, so the archive would be of no use.
std::string WhyUnstorable(const std::string& name) {
  if (name.size() > 255) return _("its path is longer than the 255 bytes an archive entry holds");
  for (unsigned char c : name) {
    if (c < 0x20) return Format(_("Windows forbids control characters (0x%02X) in names"), c);
    if (std::strchr(":*?\"<>|", c))
      return Format(_("Windows forbids the character %c in names"), c);
  }
  return std::string();
}

// Why Windows cannot hold a stored name as it is (empty when it can): a part named as a device,
// whatever its extension, or one ending in a dot or a space, which Windows drops.
std::string WindowsTrouble(const std::string& name) {
  for (std::size_t start = 0; start <= name.size();) {
    std::size_t end = std::min(name.find('\\', start), name.size());
    const std::string part = name.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    std::string base = platform::UpperAscii(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    const bool device =
        base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" ||
        (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         ((base[3] >= '1' && base[3] <= '9') || base[3] == '\xB9' || base[3] == '\xB2' ||
          base[3] == '\xB3'));
    if (device)
      return Format(_("\"%s\" is a device name on Windows (%s): the setup program cannot make "
                      "this file"),
                    platform::NativeText(part).c_str(), platform::NativeText(base).c_str());
    if (part.back() == '.' || part.back() == ' ')
      return Format(part.back() == '.'
                        ? _("\"%s\" ends with a dot, which Windows drops: the setup program "
                            "makes another name")
                        : _("\"%s\" ends with a space, which Windows drops: the setup program "
                            "makes another name"),
                    platform::NativeText(part).c_str());
  }
  return std::string();
}

// TPackLz with a list that takes whole trees: every mask is searched in its directory and all
// the directories below it, names in alphabetical order so the same tree gives the same
// archive. A file found by two masks is stored once, and the archive never stores itself, its
// disk set's volumes and lock, nor the engine's temporary file. Names that cannot be stored as
// they are stop the run before anything is written; the rest is checked for names Windows
// cannot hold or tell apart, which are stored with a warning. The files are compressed Jobs at
// a time, ahead of the engine.
class TreePack final : public TPackLz {
 public:
  int Jobs = 1;
  const MediaSet* Media = nullptr;
  // What to store, by pck's mask rule (masks.h), relative to Directory; the engine's Items and
  // Excludes are not used.
  Selection* Select = nullptr;
  // The masks that matched no file, before anything is written; the run then fails.
  std::function<void(const std::vector<std::string>& masks)> OnMissing;
  // A file whose name stops the run, before anything is written.
  std::function<void(const std::string& path, const std::string& problem)> OnRefused;
  // A file stored, but not as Windows will hold it or with a date moved into range; or one
  // passed over because it is no file (a pipe, a device, a link to nothing).
  std::function<void(const std::string& path, const std::string& problem)> OnWarning;

  void BuildList() override {
    List.clear();
    refused_ = 0;
    // One walk of the tree; the files are then stored mask by mask, each in the walk's
    // alphabetical order, as if every mask had been searched for in turn.
    std::vector<std::pair<std::size_t, std::string>> found;
    std::set<std::string> seen;
    Walk(Directory.empty() ? Directory : ConcatPath(Directory, ""), std::string(), found, seen);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [mask, path] : found) List.push_back(std::move(path));
    CheckNames();
    const std::vector<std::string> missing = Select->NotFound();
    if (OnMissing && !missing.empty()) OnMissing(missing);
    if (refused_ > 0)
      throw Exception(Format(refused_ == 1
                                 ? _("%d file cannot be stored as named; nothing was written")
                                 : _("%d files cannot be stored as named; nothing was written"),
                             refused_));
    if (!missing.empty()) throw Exception(_("nothing was written"));
    if (List.empty()) throw Exception(_("no files match"));
    DoPrepared();
  }

  int Refused() const { return refused_; }

  // Makes a folder the way the volumes' folders are made: a failed run takes it away again.
  void MakeFolder(const std::string& dir) {
    for (std::string d = dir; !d.empty() && !platform::DirectoryExists(d);) {
      madeDirs_.push_back(d);
      while (!d.empty() && d.back() == '\\') d.pop_back();
      d = ExtractFilePath(d);
    }
    if (!dir.empty()) platform::ForceDirectories(dir);
  }

  // Without CommitVolumes the volumes go, and so do the folders made for them.
  ~TreePack() override {
    volumes_.clear();
    if (committed_) return;
    // Deepest first: a folder is longer than the one it lies in.
    std::sort(madeDirs_.begin(), madeDirs_.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    std::error_code ec;
    for (const std::string& dir : madeDirs_) std::filesystem::remove(platform::NativePath(dir), ec);
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

  // The engine stores List in order, each file once; the pipeline hands out the file it
  // compressed for that very entry, or fails the run.
  void OpenSource(const std::string& FileName) override {
    if (!ahead_) ahead_ = std::make_unique<CompressAhead>(Jobs, CompressMode, List, GetTempName());
    const auto index = static_cast<std::size_t>(EntryIndex);
    DataName = ahead_->PathOf(index);
    DataFile = ahead_->Compressed(index, FileName);
  }
  void CloseSource() override {
    ahead_->GiveBack(static_cast<std::size_t>(EntryIndex), std::move(DataFile));
  }
  void FinishRun() override {
    DataFile.Close();
    ahead_.reset();
    TPackLz::FinishRun();
  }

 private:
  static std::vector<platform::FoundFile> Sorted(std::vector<platform::FoundFile> found) {
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.Name < b.Name; });
    return found;
  }
  bool IsOwnFile(const std::string& path, const std::string& name) const {
    if (Media && Media->Holds(path)) return true;
    const std::string lock = Media ? Media->LockPath() : std::string();
    for (const std::string& own : {PackFileName, GetTempName(), lock}) {
      if (!own.empty() && MatchMask(ExtractFileName(own), name) &&
          SameFile(platform::NativePath(own), platform::NativePath(path)))
        return true;
    }
    return false;
  }
  void Refuse(const std::string& path, const std::string& problem) {
    ++refused_;
    if (OnRefused) OnRefused(path, problem);
  }
  void Warn(const std::string& path, const std::string& problem) {
    if (OnWarning) OnWarning(path, problem);
  }
  // Over the whole list, as the names will be stored.
  void CheckNames() {
    std::map<std::string, std::string> folded;  // by the name as Windows compares names
    for (const std::string& path : List) {
      const std::string name = StoredName(path);
      if (std::string why = WhyUnstorable(name); !why.empty()) {
        Refuse(path, why);
        continue;
      }
      if (std::string why = WindowsTrouble(name); !why.empty()) Warn(path, why);
      std::string key = name;
      for (char& c : key) c = platform::UpperName(c);
      auto [first, added] = folded.emplace(key, name);
      if (!added)
        Warn(path, Format(_("differs from %s only in case: Windows holds one file for both, "
                            "and the setup program installs one over the other"),
                          platform::NativePath(first->second).c_str()));
    }
  }
  // Directories are followed also through links, as a user packing a tree expects its files,
  // but never into a directory the walk is already inside of, which would never end; nor into
  // one where no mask can select anything. dir is the folder as found, relative the same
  // folder under Directory; found takes each file with the first mask that selects it.
  void Walk(const std::string& dir, const std::string& relative,
            std::vector<std::pair<std::size_t, std::string>>& found, std::set<std::string>& seen,
            std::vector<std::filesystem::path> chain = {}) {
    std::error_code ec;
    std::filesystem::path here =
        std::filesystem::canonical(platform::NativePath(dir.empty() ? "." : dir), ec);
    if (ec) return;
    for (const auto& outer : chain)
      if (here == outer) return;
    chain.push_back(here);
    for (const auto& f :
         Sorted(platform::FindFiles(dir + "*", platform::faFiles | platform::faOther))) {
      std::string path = ConcatPath(dir, f.Name);
      const std::size_t mask = Select->Select(relative + f.Name);
      if (mask == Selection::kNone || IsOwnFile(path, f.Name) || !seen.insert(path).second)
        continue;
      if (f.Attr & platform::faOther) {
        Warn(path, Format(_("not stored: it is %s"), KindText(f.Kind)));
      } else if (const std::string name = StoredName(path);
                 !f.Exact || !platform::IsExactPath(name)) {
        Refuse(path, WhyInexact(name));
      } else {
        if (f.Clamped)
          Warn(path, f.Clamped < 0 ? _("dated before 1980, stored as 1980-01-01 00:00:00, the "
                                       "first time an archive holds")
                                   : _("dated after 2107, stored as 2107-12-31 23:59:58, the "
                                       "last time an archive holds"));
        found.emplace_back(mask, path);
      }
    }
    for (const auto& d : Sorted(platform::FindFiles(dir + "*", platform::faFilesAndDirectories))) {
      if (!(d.Attr & platform::faDirectory)) continue;
      const std::string path = ConcatPath(dir, d.Name);
      if (!Select->MayReachBelow(relative + d.Name)) continue;
      // A stand-in that finds nothing (on Windows) is refused as a folder; elsewhere each file
      // below is.
      if (d.Exact || !platform::IsExactPath(d.Name))
        Walk(path + "\\", relative + d.Name + "\\", found, seen, chain);
      else
        Refuse(path, WhyInexact(StoredName(path)));
    }
  }

  std::vector<std::unique_ptr<SafeOutput>> volumes_;
  std::vector<std::string> madeDirs_;
  std::string failedVolume_;
  bool committed_ = false;
  int refused_ = 0;
  std::unique_ptr<CompressAhead> ahead_;
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
  pack.LatestTime = local.Year < 1980 ? platform::PackDosTime({1980, 1, 1, 0, 0, 0, 0})
                                      : platform::PackDosTime(local);
  return true;
}

// The names or masks of a --files-from list, one a line (a line end of "\r\n" too, empty lines
// skipped), appended to names; "-" is standard input.
bool ReadNames(const std::string& list, std::vector<std::string>& names) {
  std::FILE* in =
      list == "-" ? stdin : std::fopen(platform::NativePath(EnginePath(list)).c_str(), "rb");
  if (!in) return false;
  std::string line;
  int c;
  do {
    c = std::fgetc(in);
    if (c != '\n' && c != EOF) {
      line += static_cast<char>(c);
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) names.push_back(line);
    line.clear();
  } while (c != EOF);
  const bool ok = !std::ferror(in);
  if (in != stdin) std::fclose(in);
  return ok;
}

// Volumes of an earlier, longer set would be taken for part of this one.
void RemoveStaleDisks(const MediaSet& media, int last) {
  for (int n = last + 1; platform::FileExists(media.Volume(n)); ++n)
    platform::RemoveFile(media.Volume(n));
}

// What the command line asks for that an archive cannot hold exactly is refused before
// anything is made: the user would not get what they typed.
int RefuseTexts(const Command& command, const Options& o, std::vector<std::string>& headers) {
  if (o.hasPassword && o.password.empty())
    return UsageError(command, _("the password is empty, and an empty password is no "
                                 "password: leave the password out to make an archive without "
                                 "one"));
  if (o.hasPassword) EngineText(o.password, _("the password"));
  for (const auto& h : o.headers) {
    headers.push_back(EngineText(h, Format(_("the header line \"%s\""), h.c_str())));
    if (headers.back().size() > pck_format::kMaxString)
      return UsageError(command, Format(_("the header line \"%s\" has %zu bytes; a header line "
                                          "holds at most 255"),
                                        h.c_str(), headers.back().size()));
  }
  return kExitOk;
}

// An archive is written under a temporary name and moved into place: a pipe or a socket could
// only be written in place, and with no reader that would wait for ever.
bool IsPipe(const std::string& path) {
  std::error_code ec;
  const auto type = std::filesystem::status(platform::NativePath(path), ec).type();
  return type == std::filesystem::file_type::fifo || type == std::filesystem::file_type::socket;
}

int Create(const Command& command, const Options& o) {
  std::vector<std::string> headers;
  if (int refused = RefuseTexts(command, o, headers); refused != kExitOk) return refused;
  if (!o.directory.empty() && !platform::DirectoryExists(EnginePath(o.directory)))
    return Failure(EnginePath(o.directory), _("no such directory"));
  if (o.media.empty() && IsPipe(EnginePath(o.archive)))
    return Failure(EnginePath(o.archive),
                   _("is a named pipe or a socket; an archive is written whole under a "
                     "temporary name and then moved into place, so ARCHIVE must be a file"));

  ArchiveEngine<TreePack> engine(o);
  TreePack& pack = engine.pack;
  pack.Directory = EnginePath(o.directory);
  pack.PathOption = TPathOption::poRelative;
  pack.CompressMode = o.mode;
  pack.Checksums = true;
  pack.VolumeSize = o.volumeSize;
  pack.Jobs = Jobs(o);
  pack.Media = engine.Media();
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && !ApplySourceDate(pack, epoch))
    return Failure(std::string(),
                   Format(_("SOURCE_DATE_EPOCH is \"%s\"; it must be a whole number of seconds "
                            "since 1970-01-01 00:00 UTC, up to the year 2107"),
                          epoch));
  pack.Header = headers;
  std::vector<std::string> masks = o.masks;
  for (const std::string& list : o.filesFrom) {
    if (!ReadNames(list, masks)) {
      const std::string reason = platform::SystemMessage(errno);
      return list == "-"
                 ? Failure(std::string(),
                           _("cannot read the names from standard input") + (": " + reason))
                 : Failure(EnginePath(list), _("cannot read the names from it") + (": " + reason));
    }
  }
  // Names asked for and none given is not "every file": an empty list stores nothing.
  if (!o.filesFrom.empty() && masks.empty())
    return Failure(std::string(), _("no names to store: MASK and --files-from gave none; "
                                    "nothing was written"));
  Selection selection(masks, o.excludes);
  pack.Select = &selection;

  // Two runs writing one disk set would mix their volumes: the second stops at once. Taken
  // before the tree is read and let go after the last volume is in place.
  platform::LockFile lock;
  TrackedPath lockGoes;  // an interrupted run takes it away as well
  if (const MediaSet* media = engine.Media()) {
    pack.MakeFolder(EnginePath(o.media));
    SignalsHeld hold;
    switch (lock.Acquire(media->LockPath())) {
      case platform::LockFile::Result::Held:
        if (lock.Made()) lockGoes.Set(media->LockPath());
        break;
      case platform::LockFile::Result::Busy:
        return Failure(media->Volume(1),
                       Format(_("another pck is writing the disk set now (it holds %s); run "
                                "again when it has finished"),
                              platform::NativePath(media->LockPath()).c_str()));
      case platform::LockFile::Result::Failed:
        try {
          platform::RaiseLastOSError(platform::IoAction::Create, media->LockPath());
        } catch (const EInOutError& e) {
          return Failure(e, media->LockPath());
        }
    }
  }

  Terminal terminal;
  terminal.Watch(pack);
  pack.OnRefused = [&](const std::string& path, const std::string& problem) {
    terminal.Failed(path, problem);
  };
  pack.OnWarning = [&](const std::string& path, const std::string& problem) {
    terminal.Warned(path, problem);
  };
  pack.OnMissing = [&](const std::vector<std::string>& missing) {
    terminal.NotFound(missing, o.directory.empty() ? _("the current directory") : o.directory);
  };
  std::string stored;
  if (o.verbose) {
    pack.OnProgress = [&](TObject*, const std::string& name, std::int32_t, bool&) {
      if (!name.empty() && name != stored)
        Print(stdout, platform::NativePath(stored = name) + "\n");
    };
  }
  if (!pack.Create()) {
    // The names went one a line; the count says that nothing else happened.
    if (pack.Refused() > 0 || terminal.Failed()) return Failure(std::string(), pack.ErrorMessage());
    return terminal.RunFailure(pack);
  }
  terminal.Clear();
  if (!pack.CommitVolumes())
    return Failure(pack.FailedVolume(), _("cannot move the new archive into place"));
  if (const MediaSet* media = engine.Media()) {
    RemoveStaleDisks(*media, pack.GetVolume());
    if (!o.quiet)
      Print(
          stdout,
          platform::NativePath(EnginePath(o.media)) + ": " +
              Format(pack.GetFileCount() == 1 ? _("%d file") : _("%d files"), pack.GetFileCount()) +
              " " +
              Format(pack.GetVolume() == 1 ? _("on %d disk") : _("on %d disks"), pack.GetVolume()) +
              "\n");
  } else if (o.verbose) {
    Print(stdout,
          platform::NativePath(EnginePath(o.archive)) + ": " +
              Format(pack.GetFileCount() == 1 ? _("%d file") : _("%d files"), pack.GetFileCount()) +
              "\n");
  }
  return kExitOk;
}

const std::vector<Command> kCommands = {
    Command{
        "create",
        "ARCHIVE [MASK...]",
        1,
        kAnyNumber,
        N_("Store the files matching MASK under DIR, with their subdirectories, in a new archive."),
        N_("Creates ARCHIVE (replacing it) from the files under DIR (default: the current "
           "directory)\n"
           "that a MASK or a name from --files-from selects (default: every file), in the order "
           "of\n"
           "the masks and alphabetically for each. Names are stored relative to DIR, with their\n"
           "last-write times and read-only attribute; every file is compressed on its own. Empty\n"
           "directories are not stored: an archive holds files only. A MASK that matches no file\n"
           "is named and nothing is written (exit status 1).\n"),
        {{Opt::Directory, N_("take the files from DIR (default: the current directory)")},
         {Opt::Mode},
         {Opt::Password, N_("make readers ask for the password P (see below)")},
         {Opt::PasswordFile},
         {Opt::Header, N_("a line of header text (repeatable; at most 255 bytes each in\n"
                          "Windows-1252: a longer one, or one with a character outside\n"
                          "it, is refused, as are such a password and an empty one)")},
         {Opt::Exclude, N_("leave out files matching MASK, relative to DIR; \"*.BAK\" also\n"
                           "matches in subdirectories (repeatable)")},
         {Opt::FilesFrom},
         {Opt::Media, N_("write a set of disks: DIR/DISK1/ARCHIVE, DIR/DISK2/ARCHIVE, ...\n"
                         "(ARCHIVE a name without a folder); DIR/ARCHIVE.lock keeps a\n"
                         "second create of the set out while this one runs")},
         {Opt::VolumeSize},
         {Opt::Jobs, N_("compress on N workers (default: one per core, at most 64);\n"
                        "the archive is the same byte for byte whatever N is")},
         {Opt::Verbose, N_("name every file stored")},
         {Opt::Quiet}},
        N_("What cannot be stored as it is on disk is refused before anything is written, each\n"
           "file named with the reason (exit status 1): a name with a character Windows-1252 "
           "lacks\n"
           "or bytes that are not UTF-8, a backslash inside a name, a character Windows forbids\n"
           "(: * ? \" < > | and control characters), a path over 255 bytes. Leave such files out\n"
           "with --exclude. Stored, with a warning naming each: names Windows cannot hold (CON,\n"
           "PRN, AUX, NUL, COM1-9, LPT1-9 with any extension; a trailing dot or space), names "
           "that\n"
           "differ only in case (one file on Windows), and dates before 1980 or after 2107, "
           "stored\n"
           "as the nearest an archive holds. Pipes, sockets, devices and links to nothing are\n"
           "named and passed over. Paths typed are used as typed; on Windows one with a character\n"
           "the ANSI code page lacks is refused.\n"
           "\n"
           "ARCHIVE (each volume, with --media) is written under a temporary name and renamed "
           "when\n"
           "the whole archive is complete: on failure or interruption no new volume is left "
           "behind\n"
           "and an existing ARCHIVE stays as it was.\n"
           "\n"
           "Environment:\n"
           "  SOURCE_DATE_EPOCH     seconds since 1970-01-01 UTC: the archive's stamp is that "
           "moment\n"
           "                        and later file times are stored as it, so the same tree gives\n"
           "                        the same bytes again (also as a set of disks)\n"
           "  TMPDIR                where the temporary file of the compressor is made\n"),
        Create},
};

}  // namespace

const std::vector<Command>& CreateCommands() { return kCommands; }

}  // namespace pck
