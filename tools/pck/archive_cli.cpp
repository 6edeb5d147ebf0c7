#include "tools/pck/archive_cli.h"

#include <algorithm>

#include "pack/paths.h"
#include "platform/console.h"
#include "platform/drive.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tools/pck/failures.h"
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
    progress::Clear();
    Report(Volume(wanted),
           Format(_("disk %d of the set is missing, or belongs to another archive"), wanted));
    return platform::mrCancel;
  }
  pack_.PackFileName = Volume(wanted);
  return platform::mrOk;
}

void LocateArchive(TCustomPack& pack, const Options& o) {
  pack.PackFileName = EnginePath(o.archive);
  if (o.hasPassword) {
    pack.Password = EngineText(o.password, _("the password"));
    return;
  }
  // A protected archive and no password given: a person at a terminal is asked for it, without
  // echo; elsewhere the run fails and says how to give it (Terminal::RunFailure).
  pack.OnPassword = [](TObject* sender, std::string& password) {
    const auto& archive = *static_cast<TCustomPack*>(sender);
    if (archive.GetStoredPassword().empty() || !password.empty()) return;
    progress::Clear();
    std::string typed;
    if (platform::ReadHiddenLine(
            Format(_("Password for %s: "), platform::NativePath(archive.PackFileName).c_str()),
            typed))
      password = EngineText(typed, _("the password"));
  };
}

int Jobs(const Options& o) { return o.jobs > 0 ? o.jobs : std::min(DefaultJobs(), kMaxJobs); }

// --- The terminal ----------------------------------------------------------------------------

void Terminal::Failed(const std::string& name, const std::string& problem) {
  Clear();
  Report(name, problem);
  failed_ = true;
}

void Terminal::Failed(const std::string& name, const std::exception& failure) {
  const Problem problem = Describe(failure);
  // An entry that goes on past its volume says what to do with the volume.
  Failed(dynamic_cast<const EPackVolumeEnds*>(&failure) ? problem.file : name, problem.text);
}

bool Terminal::NotFound(const std::vector<std::string>& masks, const std::string& where) {
  Clear();
  for (const std::string& mask : masks) {
    // The mask as typed, not as the engine takes it: the user looks for what they wrote.
    Report(std::string(),
           mask + ": " +
               (where.empty() ? std::string(_("not found in the archive"))
                              : Format(_("no file matches it under %s"), where.c_str())));
    failed_ = true;
  }
  return !masks.empty();
}

void Terminal::Warned(const std::string& name, const std::string& problem) {
  Clear();
  Report(std::string(),
         Format(_("warning: %s: %s"), platform::NativePath(name).c_str(), problem.c_str()));
}

void Terminal::Watch(TCustomPack& pack) {
  pack.OnProgress = [this](TObject*, const std::string& name, std::int32_t percent, bool&) {
    Show(name, percent);
  };
  pack.OnError = [this](TObject*, const Exception& e, const std::string& name) { Failed(name, e); };
}

int Terminal::RunFailure(const TCustomPack& pack) {
  Clear();
  if (failed_) return kExitFailure;
  try {
    if (pack.ErrorException()) std::rethrow_exception(pack.ErrorException());
  } catch (const EPackPassword&) {
    if (pack.Password.empty())
      return Failure(pack.PackFileName,
                     _("the archive is protected by a password, and none was given: give it "
                       "with --password-file FILE (\"-\": standard input), or type it when pck "
                       "runs on a terminal"));
    return Failure(pack.PackFileName, _("wrong password"));
  } catch (const std::exception& e) {
    return Failure(e, pack.PackFileName);
  } catch (...) {
  }
  return Failure(pack.PackFileName, _("failed"));
}

}  // namespace pck
