// Archive unpacking: one .PCK archive of the distribution expanded into a directory.
#include "install/install_item.h"
#include "pack/pack.h"
#include "pack/pack_lz.h"
#include "platform/text.h"

bool TInstallItem::UnpackWith(const TPackClass& archiveClass, const std::string& sourceDir,
                              const std::string& archiveName, const std::string& targetDir) {
  // The archive engine matches names in upper case; only ASCII letters change, so accented
  // letters of a target directory stay as the user typed them.
  const std::string archivePath = platform::UpperAscii(JoinPath(sourceDir, archiveName));
  const std::string target = platform::UpperAscii(targetDir);
  // Owned by this task for the length of the call; freed on every way out.
  std::unique_ptr<TCustomPack> archive;
  return Operation(
      "Expandindo " + archivePath + " para " + target,
      "Erro expandindo " + archivePath + " para " + target, [&] { return archive->Extract(); },
      [&] {
        archive = archiveClass(this);
        archive->PackFileName = platform::ShortString(archivePath);
        archive->Directory = platform::ShortString(target);
        // The archive calls the task's handler directly, as its own progress event.
        archive->OnProgress = OnUnpack;
      });
}

bool TInstallItem::Unpack(const std::string& sourceDir, const std::string& archiveName,
                          const std::string& targetDir) {
  return UnpackWith(PackClassOf<TPackLz>(), sourceDir, archiveName, targetDir);
}
