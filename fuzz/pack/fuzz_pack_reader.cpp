// Lists and extracts a fuzz-provided archive into a scratch directory with the compressed-storage
// engine, the way the setup program reads its distribution.
//
// Input: one flag byte, then either the archive (flag bit 0 clear) or a 16-bit length n and two
// volumes, the first n bytes and the rest (bit 0 set), presented on a removable drive whose
// "disk change" swaps the second volume in.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "pack/pack_lz.h"
#include "platform/drive.h"
#include "platform/file.h"
#include "platform/little_endian.h"
#include "platform/ui.h"

namespace {

void Put(const std::string& path, const std::uint8_t* data, std::size_t size) {
  platform::File f;
  if (f.Open(path, platform::OpenMode::Create)) f.Write(data, size);
}

class SwapUi final : public platform::UserInterface {
 public:
  std::string path;
  const std::uint8_t* next = nullptr;
  std::size_t nextSize = 0;
  int prompts = 0;
  int ShowMessage(const std::string&, platform::MsgType, unsigned) override {
    if (++prompts > 1) return platform::mrCancel;
    Put(path, next, nextSize);
    return platform::mrOk;
  }
  void ProcessMessages() override {}
};

const std::string& Scratch() {
  static const std::string dir = [] {
    std::string d = "/tmp/fuzz_pack_reader." + std::to_string(getpid());
    std::filesystem::create_directories(d);
    return platform::WindowsPath(d) + "\\";
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string archive = Scratch() + "DATA.PCK";
  const std::string out = Scratch() + "OUT";
  SwapUi ui;
  ui.path = archive;
  bool volumes = data[0] & 1;
  ++data, --size;
  std::optional<platform::ServiceGuard<platform::DriveTypeQuery>> removable;
  if (volumes) {
    if (size < 2) return 0;
    std::size_t first = std::min<std::size_t>(platform::LoadLE<std::uint16_t>(data), size - 2);
    Put(archive, data + 2, first);
    ui.next = data + 2 + first;
    ui.nextSize = size - 2 - first;
    removable.emplace(platform::SetDriveTypeQuery(
        [](const std::string&) { return platform::DriveType::Removable; }));
  } else {
    Put(archive, data, size);
  }
  auto current = platform::SetUi(&ui);
  {
    TPackLz pack;
    pack.PackFileName = archive;
    pack.Directory = out;
    pack.Process(TCustomPack::kModeList);
    if (volumes) {
      Put(archive, data + 2,
          std::min<std::size_t>(platform::LoadLE<std::uint16_t>(data), size - 2));
      ui.prompts = 0;
    }
    pack.Extract();
  }
  std::error_code ec;
  std::filesystem::remove_all(platform::NativePath(out), ec);
  return 0;
}
