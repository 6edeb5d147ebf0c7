#include "tools/pck/archive_cli.h"

#include <algorithm>

#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tools/pck/i18n.h"
#include "tools/pck/workers.h"

namespace pck {

// --- Disk sets -----------------------------------------------------------------------------

MediaSet::MediaSet(TCustomPack& pack, const std::string& dir, const std::string& name)
    : pack_(pack),
      dir_(dir),
      name_(name),
      removable_(platform::SetDriveTypeQuery(
          [](const std::string&) { return platform::DriveType::Removable; })),
      prompts_(platform::SetUi(this)) {
  pack_.PackFileName = Volume(1);
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

void LocateArchive(TCustomPack& pack, const Options& o) {
  pack.PackFileName = EnginePath(o.archive);
  if (o.hasPassword) pack.Password = EngineText(o.password, "the password");
}

int Jobs(const Options& o) { return o.jobs > 0 ? o.jobs : std::min(DefaultJobs(), kMaxJobs); }

// --- The terminal ----------------------------------------------------------------------------

void Terminal::Failed(const std::string& name, const std::string& problem) {
  Clear();
  std::fprintf(stderr, "pck %s: %s: %s\n", command_.name, platform::NativePath(name).c_str(),
               platform::NativePath(problem).c_str());
  failed_ = true;
}

bool Terminal::NotFound(const std::vector<std::string>& masks, const std::string& where) {
  Clear();
  for (const std::string& mask : masks) {
    // The mask as typed, not as the engine takes it: the user looks for what they wrote.
    std::fprintf(stderr, "pck %s: %s: ", command_.name, mask.c_str());
    if (where.empty())
      std::fputs(_("not found in the archive\n"), stderr);
    else
      std::fprintf(stderr, _("no file matches it under %s\n"), platform::NativePath(where).c_str());
    failed_ = true;
  }
  return !masks.empty();
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
