#include "pack/pack_lz.h"

#include "pack/paths.h"
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
    platform::RaiseIOError("Erro criando", platform::TempDirectory() + "PCK*.TMP",
                           "sem nome tempor\xE1rio");
  return TempName;
}

void TCustomPackLz::CompressFile(const std::string& Source, const std::string& Dest) {
  Compressor->InputFile = Source;
  Compressor->OutputFile = Dest;
  Compressor->CompressMode = CompressMode;
  Compressor->Compress();
}

void TCustomPackLz::DecompressFile(const std::string& Source, const std::string& Dest) {
  Compressor->InputFile = Source;
  Compressor->OutputFile = Dest;
  Compressor->Decompress();
}

void TCustomPackLz::DecompressFile(const std::string& Source, TLzrw1Output& Dest) {
  Compressor->InputFile = Source;
  Compressor->OutputFile = "(verifica\xE7\xE3o)";
  Compressor->Decompress(Dest);
}

void TCustomPackLz::OpenSource(const std::string& FileName) {
  CompressFile(FileName, Temp());
  if (!DataFile.Open(TempName, platform::OpenMode::Read))
    platform::RaiseLastOSError("Erro abrindo", TempName);
  DataName = TempName;
}

void TCustomPackLz::CloseSource() {
  DataFile.Close();
  platform::RemoveFile(TempName);
}

void TCustomPackLz::CreateTarget(const std::string&) {
  if (!DataFile.Open(Temp(), platform::OpenMode::Create))
    platform::RaiseLastOSError("Erro criando", TempName);
  DataName = TempName;
}

void TCustomPackLz::CloseTarget(const std::string& Target, bool Complete) {
  bool closed = DataFile.Close();
  try {
    if (!closed) platform::RaiseLastOSError("Erro fechando", TempName);
    // Data that did not arrive whole is not expanded: the target would be a shortened file
    // that looks complete.
    if (Complete) {
      std::string dir = ExtractFilePath(Target);
      if (!dir.empty()) platform::ForceDirectories(dir);
      ClearReadOnly(Target);
      DecompressFile(TempName, Target);
      SetFileDateAttr(Target, Entry.Time, Entry.Attr);
    }
  } catch (...) {
    platform::RemoveFile(TempName);
    throw;
  }
  platform::RemoveFile(TempName);
}

// Even an empty file is stored as a compressed-file header.
bool TCustomPackLz::StoresData(const std::string&) { return true; }

TPackLz::TPackLz(TComponent* owner) : TCustomPackLz(owner) {}
