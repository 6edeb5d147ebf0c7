// Archive unpacking: one .PCK archive of the distribution expanded into a directory.
#include "install/install_item.h"
#include "pack/pack.h"
#include "pack/pack_lz.h"

namespace {

// The archive engine matches names in upper case; only ASCII letters change, so accented
// letters of a target directory stay as the user typed them.
std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string Cut(std::string text) {
  if (text.size() > 255) text.resize(255);
  return text;
}

}  // namespace

bool TInstallItem::UnpackWith(const TPackClass& archiveClass, const std::string& sourceDir,
                              const std::string& archiveName, const std::string& targetDir) {
  if (IsCounting()) return true;
  const std::string archivePath = UpperAscii(JoinPath(sourceDir, archiveName));
  const std::string target = UpperAscii(targetDir);
  NotifyBefore("Expandindo " + archivePath + " para " + target);
  // Owned by this task for the length of the call; freed on every way out.
  std::unique_ptr<TCustomPack> archive = archiveClass(this);
  archive->PackFileName = Cut(archivePath);
  archive->Directory = Cut(target);
  // The archive calls the task's handler directly, as its own progress event.
  archive->OnProgress = OnUnpack;
  std::int32_t action = ActionSuccess;
  const bool result = RetryLoop([&] { return archive->Extract(); },
                                "Erro expandindo " + archivePath + " para " + target, action);
  NotifyAfter(action);
  return result;
}

bool TInstallItem::Unpack(const std::string& sourceDir, const std::string& archiveName,
                          const std::string& targetDir) {
  return UnpackWith(PackClassOf<TPackLz>(), sourceDir, archiveName, targetDir);
}
