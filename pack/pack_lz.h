// TCustomPackLz: the archive engine with every entry stored as a compressed file of Tlzrw1.
//
// Compression happens outside the archive stream, through one temporary file of the engine
// (PCK*.TMP in the temporary directory): extracting an entry copies its stored bytes into the
// temporary file and expands that into the target; storing a file compresses it into the
// temporary file and stores those bytes. The temporary file is emptied for each entry, deleted
// at the end of each run (an extraction keeps it open from entry to entry; storing deletes it
// after each file), and deleted again when the engine is freed, also after failures.
//
// TPackLz is the class the install engine creates for every archive it unpacks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "codecs/lzrw1.h"
#include "pack/pack.h"

using TOnFileProgress =
    std::function<void(TObject* Sender, std::int32_t InSize, std::int32_t OutSize)>;

class TCustomPackLz : public TCustomPack {
 public:
  explicit TCustomPackLz(TComponent* owner = nullptr);
  ~TCustomPackLz() override;

  TCompressMode CompressMode = TCompressMode::Good;  // handed to the compressor before each file
  TOnFileProgress OnFileProgress;  // the compressor's running totals while a file is (de)compressed

  const std::string& GetTempName() const { return TempName; }

 protected:
  void OpenSource(const std::string& FileName) override;
  void CloseSource() override;
  void CreateTarget(const std::string& Target) override;
  void CloseTarget(const std::string& Target, bool Complete) override;
  bool StoresData(const std::string& FileName) override;
  void FinishRun() override;

  void CompressFile(const std::string& Source, const std::string& Dest);
  // Expands the temporary file, open on DataFile, into Target and gives it the entry's time and
  // attributes.
  void DecompressTemp(const std::string& Target);
  // The temporary file's path, obtained again when the constructor could not get one.
  const std::string& Temp();

  std::string TempName;
  std::unique_ptr<Tlzrw1> Compressor;
  // Directories made or found during the current run, so each is checked once.
  std::unordered_set<std::string> MadeDirectories;
};

class TPackLz : public TCustomPackLz {
 public:
  explicit TPackLz(TComponent* owner = nullptr);
};
