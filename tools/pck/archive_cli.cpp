#include "tools/pck/archive_cli.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tools/pck/workers.h"

namespace pck {

// --- Disk sets -----------------------------------------------------------------------------

MediaSet::MediaSet(TCustomPack& pack, const std::string& dir, const std::string& name)
    : pack_(pack), dir_(dir), name_(name) {
  pack_.PackFileName = Volume(1);
  platform::SetDriveTypeQuery([](const std::string&) { return platform::DriveType::Removable; });
  platform::SetUi(this);
}

MediaSet::~MediaSet() {
  platform::SetUi(nullptr);
  platform::SetDriveTypeQuery({});
}

std::string MediaSet::Volume(int n) const {
  return ConcatPath(ConcatPath(dir_, "DISK" + std::to_string(n)), name_);
}

bool MediaSet::Holds(const std::string& path) const {
  std::string folder = ExtractFilePath(path);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  const std::string disk = platform::UpperAscii(ExtractFileName(folder));
  if (disk.size() < 5 || disk.size() > 9 || disk.compare(0, 4, "DISK") != 0 ||
      disk.find_first_not_of("0123456789", 4) != std::string::npos)
    return false;
  return SameFile(platform::NativePath(Volume(std::stoi(disk.substr(4)))),
                  platform::NativePath(path));
}

int MediaSet::ShowMessage(const std::string&, platform::MsgType, unsigned) {
  int wanted = pack_.GetVolume();
  if (!asked_.insert(wanted).second) {
    std::fprintf(stderr, "\npck: disk %d is missing or belongs to another archive: %s\n", wanted,
                 platform::NativePath(Volume(wanted)).c_str());
    return platform::mrCancel;
  }
  pack_.PackFileName = Volume(wanted);
  return platform::mrOk;
}

// --- Command lines ---------------------------------------------------------------------------

namespace {

// What makes a path more than a name: separators, and on Windows a drive.
#ifdef _WIN32
constexpr char kFolderMarks[] = "/\\:";
#else
constexpr char kFolderMarks[] = "/";
#endif

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

bool ParseJobs(const std::string& text, int& jobs) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, jobs);
  return error == std::errc() && stop == end && jobs >= 1 && jobs <= kMaxJobs;
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
    } else if (options && arg.size() > 2 && arg.rfind("-j", 0) == 0) {
      value = arg.substr(2);  // -j4, as make takes it
      arg = "-j";
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
    } else if (arg == "-j" || arg == "--jobs") {
      if (!takeValue(accepts.jobs)) return false;
      if (!ParseJobs(value, o.jobs))
        return exitCode = UsageError(command, "bad number of jobs \"" + value + "\" (1 to " + std::to_string(kMaxJobs) + ")"), false;
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
  // DIR/DISKn/ARCHIVE must be one file per disk: "../x.pck" or "/tmp/x.pck" would put every
  // volume in one place, each over the one before, or somewhere else than DIR.
  if (!o.media.empty() && o.archive.find_first_of(kFolderMarks) != std::string::npos) {
    exitCode = UsageError(command, "with --media, ARCHIVE is a file name without a folder (\"" +
                                       o.archive + "\"): each volume is DIR/DISKn/ARCHIVE");
    return false;
  }
  if (o.volumeSize > 0 && o.media.empty()) {
    exitCode = UsageError(command, "--volume-size needs --media DIR: each volume is a disk of its own");
    return false;
  }
  return true;
}

void LocateArchive(TCustomPack& pack, const Options& o) {
  pack.PackFileName = EnginePath(o.archive);
  if (o.hasPassword) pack.Password = EngineText(o.password, "the password");
}

int Jobs(const Options& o) { return o.jobs > 0 ? o.jobs : std::min(DefaultJobs(), kMaxJobs); }

// --- The terminal ----------------------------------------------------------------------------

Terminal::Terminal(const Command& command)
    : command_(command), enabled_(isatty(fileno(stderr)) != 0) {}

void Terminal::Show(const std::string& name, int percent) {
  if (!enabled_) return;
  if (!name.empty()) name_ = platform::NativePath(name);
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

void Terminal::Clear() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%78s\r", "");
  std::fflush(stderr);
  drawn_ = false;
}

void Terminal::Failed(const std::string& name, const std::string& problem) {
  Clear();
  std::fprintf(stderr, "pck %s: %s: %s\n", command_.name, platform::NativePath(name).c_str(),
               platform::NativePath(problem).c_str());
  failed_ = true;
}

void Terminal::Warned(const std::string& name, const std::string& problem) {
  Clear();
  std::fprintf(stderr, "pck %s: warning: %s: %s\n", command_.name,
               platform::NativePath(name).c_str(), problem.c_str());
}

void Terminal::Watch(TCustomPack& pack) {
  pack.OnProgress = [this](TObject*, const std::string& name, std::int32_t percent, bool&) {
    Show(name, percent);
  };
  pack.OnError = [this](TObject*, const Exception& e, const std::string& name) {
    Failed(name, e.Message());
  };
}

int Terminal::RunFailure(const TCustomPack& pack) {
  Clear();
  if (failed_) return kExitFailure;
  std::string reason = pack.ErrorMessage();
  if (reason.empty()) reason = "failed";
  return Failure("pck " + std::string(command_.name) + ": " + reason);
}

}  // namespace pck
