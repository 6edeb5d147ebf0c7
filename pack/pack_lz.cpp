#include "pack/pack_lz.h"

#include "pack/paths.h"
#include "platform/file.h"
#include "platform/errors.h"
#include "platform/tempfile.h"

namespace {

std::string MakeTempName() { return platform::CreateTempFile(platform::TempDirectory(), "PCK"); }

}  // namespace

TCustomPackLz::TCustomPackLz(TComponent* owner)
    : TCustomPack(owner), TempName(MakeTempName()), Compressor(std::make_unique<Tlzrw1>()) {
  Compressor->OnProgress = [this](TObject*, std::int32_t InSize, std::int32_t OutSize) {
    if (OnFileProgress) OnFileProgress(this, InSize, OutSize);
  };
}

TCustomPackLz::~TCustomPackLz() {
  Compressor.reset();
  DataFile.Close();
  if (!TempName.empty()) platform::RemoveFile(TempName);
}

const std::string& TCustomPackLz::Temp() {
  // Without a name at construction (a full or missing temporary directory) every entry tries
  // again, so the failure is reported where it matters, through the run.
  if (TempName.empty()) TempName = MakeTempName();
  if (TempName.empty())
    platform::RaiseIOError(platform::IoAction::Create, platform::TempDirectory() + "PCK*.TMP",
                           platform::IoFault::NoTempName);
  return TempName;
}

void TCustomPackLz::CompressFile(const std::string& Source, const std::string& Dest) {
  Compressor->InputFile = Source;
  Compressor->OutputFile = Dest;
  Compressor->CompressMode = CompressMode;
  Compressor->Compress();
}

// The temporary file is open on DataFile, holding the entry's compressed bytes from its start.
void TCustomPackLz::DecompressTemp(const std::string& Target) {
  Compressor->InputFile = TempName;
  Compressor->OutputFile = Target;
  Compressor->Decompress(DataFile, Entry.Time, Entry.Attr);
}

void TCustomPackLz::OpenSource(const std::string& FileName) {
  CompressFile(FileName, Temp());
  if (!DataFile.Open(TempName, platform::OpenMode::Read))
    platform::RaiseLastOSError(platform::IoAction::Open, TempName);
  DataName = TempName;
}

void TCustomPackLz::CloseSource() {
  DataFile.Close();
  platform::RemoveFile(TempName);
}

// The temporary file stays open from the first entry of a run to the end of the run: each entry
// rewinds it, writes its bytes, cuts off what an earlier entry left beyond them and is expanded
// from the same handle. Under an emulated file system creating, closing, reopening and deleting
// it for every entry costs more than the rest of a small entry's work.
void TCustomPackLz::CreateTarget(const std::string&) {
  if (!DataFile.IsOpen() && !DataFile.Open(Temp(), platform::OpenMode::Create))
    platform::RaiseLastOSError(platform::IoAction::Create, TempName);
  if (!DataFile.Seek(0)) platform::RaiseLastOSError(platform::IoAction::Seek, TempName);
  DataName = TempName;
}

void TCustomPackLz::CloseTarget(const std::string& Target, bool Complete) {
  // Data that did not arrive whole is not expanded: the target would be a shortened file that
  // looks complete.
  if (!Complete) return;
  if (!DataFile.Truncate() || !DataFile.Seek(0))
    platform::RaiseLastOSError(platform::IoAction::Write, TempName);
  std::string dir = ExtractFilePath(Target);
  if (!dir.empty() && !MadeDirectories.count(dir) && platform::ForceDirectories(dir))
    MadeDirectories.insert(dir);
  try {
    DecompressTemp(Target);
  } catch (const ELzrw1Exception&) {
    // A read-only file left by an earlier extraction refuses to be replaced. Its bit is cleared
    // only then, which spares asking every target for its attributes; the compressor had not
    // read anything when it could not create the target.
    if (!ClearReadOnly(Target)) throw;
    if (!DataFile.Seek(0)) platform::RaiseLastOSError(platform::IoAction::Seek, TempName);
    DecompressTemp(Target);
  }
}

void TCustomPackLz::FinishRun() {
  MadeDirectories.clear();  // the next run may find them deleted
  if (DataFile.IsOpen()) {
    DataFile.Close();
    platform::RemoveFile(TempName);
  }
}

// Even an empty file is stored as a compressed-file header.
bool TCustomPackLz::StoresData(const std::string&) { return true; }

TPackLz::TPackLz(TComponent* owner) : TCustomPackLz(owner) {}
