// Reading: listing and extraction across volumes.
#include <algorithm>
#include <cstring>
#include <limits>

#include "pack/pack.h"
#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/fileinfo.h"
#include "platform/text.h"
#include "platform/little_endian.h"

using namespace pck_format;

namespace {

const char kNotAnArchive[] = "N\xE3o \xE9 um pacote: ";

}  // namespace

bool TCustomPack::Extract() { return Process(kModeExtract); }

bool TCustomPack::Process(std::uint8_t mode) { return Run(mode, &TCustomPack::ReadEntries); }

void TCustomPack::ReadEntries() {
  OpenVolume();
  const bool entries = Mode == kModeList || Mode == kModeExtract;
  if (Mode == kModeExtract) LocateChecksums();
  ProgressStep();
  while (entries && NextEntry()) {
    ProgressStep();
    if (Mode == kModeExtract && MatchEntry())
      ExtractEntry();
    else if (Mode == kModeList && PeekSize > 0)
      PeekData();
    else
      SkipData(Entry.Size);
    AfterEntry(Entry.FileName);
    ProgressStep();
  }
  if (entries) {
    BeforeTrailer();
    VerifyChecksums();
    DoPrepared();
  }
  CloseArchive();
}

void TCustomPack::OpenRead() {
  if (PackFileName.empty()) throw EPackFileName();
  if (!ArchiveFile.Open(PackFileName, platform::OpenMode::Read))
    platform::RaiseLastOSError(platform::IoAction::Open, PackFileName);
  ArchivePos = VolumeStart = 0;
  ArchiveSize = ArchiveFile.Size();
  if (ArchiveSize < 0) platform::RaiseLastOSError(platform::IoAction::Read, PackFileName);
  if (Volume == 0 && Offset > 0) {
    if (!ArchiveFile.Seek(Offset))
      platform::RaiseLastOSError(platform::IoAction::Seek, PackFileName);
    ArchivePos = VolumeStart = Offset;
  }
}

void TCustomPack::CloseArchive() { ArchiveFile.Close(); }

void TCustomPack::ReadArchive(void* data, std::size_t size) {
  std::int64_t got = ArchiveFile.Read(data, size);
  if (got < 0) platform::RaiseLastOSError(platform::IoAction::Read, PackFileName);
  ArchivePos += got;
  if (HashHead) HeadCrc = Crc32(HeadCrc, data, static_cast<std::size_t>(got));
  if (static_cast<std::size_t>(got) != size) {
    Truncated = true;
    platform::RaiseIOError(platform::IoAction::Read, PackFileName, platform::IoFault::EndOfFile);
  }
}

void TCustomPack::OpenVolume() {
  OpenRead();
  // The head of the archive, volume header and archive header, as the checksum block has it.
  HashHead = Volume == 0;
  if (HashHead) HeadCrc = 0;
  std::uint8_t raw[kVolumeHeaderSize];
  ReadArchive(raw, sizeof raw);
  VolumeHeader header = VolumeHeader::Decode(raw);
  Version = FindSignature(header.Sig);
  if (Version == 0)
    throw EPackException(EPackException::TKind::NotAnArchive, kNotAnArchive + PackFileName,
                         PackFileName);
  if (Volume == 0) {
    // A run starts with volume 1: a later volume read first would make its data look like an
    // archive header.
    if (header.Volume != 1) WrongVolume();
    Signature = header.Sig;
    Stamp = header.Stamp;
    Volume = header.Volume;
    ReadHeader();
    HashHead = false;
  } else if (header.Stamp != Stamp || header.Volume != Volume) {
    WrongVolume();
  }
}

void TCustomPack::FreeRawHeader() {
  RawHeader.clear();
  RawHeader.shrink_to_fit();
  Header.clear();
}

void TCustomPack::ReadHeader() {
  FreeRawHeader();
  if (Version == 1) {
    std::uint8_t size[2];
    ReadArchive(size, sizeof size);
    std::vector<std::uint8_t> raw(platform::LoadLE<std::uint16_t>(size));
    if (!raw.empty()) ReadArchive(raw.data(), raw.size());
    RawHeader = std::move(raw);
  } else if (Version == 2) {
    std::uint8_t fixed[9];
    ReadArchive(fixed, sizeof fixed);
    FileCount = HeaderCount = static_cast<std::int32_t>(platform::LoadLE<std::uint32_t>(fixed));
    Reserved = static_cast<std::int32_t>(platform::LoadLE<std::uint32_t>(fixed + 4));
    StoredPassword.assign(fixed[8], '\0');
    if (!StoredPassword.empty()) ReadArchive(StoredPassword.data(), StoredPassword.size());
    for (char& c : StoredPassword) c = static_cast<char>(c ^ 0xFF);
    if (OnPassword) OnPassword(this, Password);
    CheckPassword();
    Header.clear();
    std::uint8_t count[2];
    ReadArchive(count, sizeof count);
    for (std::uint16_t i = platform::LoadLE<std::uint16_t>(count); i > 0; --i) {
      std::uint8_t length;
      ReadArchive(&length, 1);
      std::string line(length, '\0');
      if (length) ReadArchive(line.data(), length);
      Header.push_back(std::move(line));
    }
  }
  if (OnReadHeader) OnReadHeader(this);
}

void TCustomPack::CheckPassword() {
  if (platform::ShortString(Password) != StoredPassword) throw EPackPassword();
}

bool TCustomPack::NextEntry() {
  bool next = false;
  if (Version == 1) {
    next = ArchivePos < ArchiveSize;
  } else if (Version == 2 && FileCount > 0) {
    next = true;
    --FileCount;
  }
  if (!next) return false;
  std::uint8_t fixed[kEntryFixedSize];
  ReadArchive(fixed, sizeof fixed);
  Entry = TEntry::Decode(fixed);
  if (!Entry.FileName.empty()) ReadArchive(Entry.FileName.data(), Entry.FileName.size());
  RecordCrc = Crc32(Crc32(0, fixed, sizeof fixed), Entry.FileName.data(), Entry.FileName.size());
  List.push_back(Entry.FileName);
  ++EntryIndex;
  // A negative size would make skipping seek backwards, over the same records for ever.
  if (Entry.Size < 0) {
    EntryTarget = Entry.FileName;
    throw EPackCorrupt(Entry.FileName);
  }
  if (OnList) OnList(this, Entry.FileName, Entry.Size, Entry.Attr, Entry.Time);
  return true;
}

bool TCustomPack::MatchEntry() {
  std::string path = ConcatPath(Directory, Entry.FileName);
  return (Items.empty() || MatchesAnyMask(Directory, Items, path)) &&
         !MatchesAnyMask(Directory, Excludes, path);
}

void TCustomPack::ExtractEntry() {
  // The target is not cut to any length: a cut name would be another file. A path too long for
  // the system fails where the file is created.
  EntryTarget = ConcatPath(Directory, Entry.FileName);
  if (!IsSafeEntryName(Entry.FileName)) {
    EntryFailed(std::make_exception_ptr(EPackEntryName(Entry.FileName)));
    SkipData(Entry.Size);
    return;
  }
  if (OnOpen) OnOpen(this, EntryTarget);
  CreateTarget(EntryTarget);
  try {
    EntryCrc = 0;
    EntryFullCrc = RecordCrc;
    std::uint8_t* buf = Buffer.data();
    for (std::int32_t i = Entry.Size / static_cast<std::int32_t>(kCopyBufferSize); i > 0; --i) {
      ReadData(buf, kCopyBufferSize);
      WriteData(buf, kCopyBufferSize);
    }
    std::uint16_t rest =
        static_cast<std::uint16_t>(Entry.Size % static_cast<std::int32_t>(kCopyBufferSize));
    ReadData(buf, rest);
    WriteData(buf, rest);
  } catch (...) {
    AbandonTarget();
    throw;
  }
  // The data was read whole and the stream is in step: what fails from here fails this entry
  // alone (damaged, or its target not made).
  try {
    // Checked before the target is made of the bytes: a damaged entry replaces nothing.
    if (SumsAhead && !Sums.EntryMatches(EntryIndex, EntryCrc, EntryFullCrc)) {
      AbandonTarget();
      throw EPackCorrupt(Entry.FileName);
    }
    CloseTarget(EntryTarget, true);
    if (OnClose) OnClose(this, EntryTarget);
  } catch (...) {
    EntryFailed(std::current_exception());
    return;
  }
  if (!SumsAhead) Sums.AddRead(EntryTarget, EntryCrc, EntryFullCrc, EntryIndex);
  EntryTarget.clear();
}

void TCustomPack::AbandonTarget() {
  try {
    CloseTarget(EntryTarget, false);
  } catch (...) {
    return;  // what made the entry fail is the failure worth reporting
  }
  if (OnClose) OnClose(this, EntryTarget);
}

void TCustomPack::EntryFailed(const std::exception_ptr& failure) {
  if (!GoesOnAfterDamage()) std::rethrow_exception(failure);  // EntryTarget names it to OnError
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    ReportError(e);
  }
  EntryTarget.clear();
}

void TCustomPack::ReadData(std::uint8_t* buf, std::uint16_t n) {
  while (true) {
    std::int64_t got = ArchiveFile.Read(buf, n);
    if (got < 0) platform::RaiseLastOSError(platform::IoAction::Read, PackFileName);
    ArchivePos += got;
    EntryCrc = Crc32(EntryCrc, buf, static_cast<std::size_t>(got));
    EntryFullCrc = Crc32(EntryFullCrc, buf, static_cast<std::size_t>(got));
    if (got == n) return;
    if (ArchivePos < ArchiveSize) throw EPackReadError();
    NextVolume();
    buf += got;
    n = static_cast<std::uint16_t>(n - got);
  }
}

void TCustomPack::SkipData(std::int64_t n) {
  while (ArchiveSize < ArchivePos + n) {
    n -= ArchiveSize - ArchivePos;
    NextVolume();
  }
  if (!ArchiveFile.Seek(ArchivePos + n))
    platform::RaiseLastOSError(platform::IoAction::Seek, PackFileName);
  ArchivePos += n;
}

// Only the first bytes are read; the rest is skipped, so a listing stays as fast as the
// archive's records allow however large the entries are.
void TCustomPack::PeekData() {
  std::vector<std::uint8_t> head(
      std::min({PeekSize, kCopyBufferSize, static_cast<std::size_t>(Entry.Size)}));
  if (!head.empty()) ReadData(head.data(), static_cast<std::uint16_t>(head.size()));
  if (OnPeek) OnPeek(this, head);
  SkipData(Entry.Size - static_cast<std::int64_t>(head.size()));
}

void TCustomPack::WriteData(const std::uint8_t* buf, std::uint16_t n) {
  if (n == 0) return;
  std::int64_t put = DataFile.Write(buf, n);
  if (put < 0) platform::RaiseLastOSError(platform::IoAction::Write, DataName);
  if (put != n)
    platform::RaiseIOError(platform::IoAction::Write, DataName, platform::IoFault::DiskFull);
}

// The block is read from the end of the first volume file before any entry, when it ends
// there (a one-volume archive): then each entry is checked as soon as its bytes are in. A
// block that is not found there is met after the last entry (VerifyChecksums).
void TCustomPack::LocateChecksums() {
  if (Version != 2) return;
  std::vector<std::uint8_t> block;
  auto readEnd = [&](std::int64_t n) {
    if (n <= 0 || ArchiveSize - ArchivePos < n) return false;
    block.resize(static_cast<std::size_t>(n));
    return ArchiveFile.Seek(ArchiveSize - n) && ArchiveFile.Read(block.data(), block.size()) == n;
  };
  const std::size_t count = FileCount > 0 ? static_cast<std::size_t>(FileCount) : 0;
  TChecksums::TVerdict verdict = TChecksums::TVerdict::NotABlock;
  if (readEnd(12)) {
    const std::size_t size = TChecksums::SizeFromEnd(block.data());
    if (readEnd(static_cast<std::int64_t>(size))) verdict = Sums.Load(block, count);
  }
  if (verdict == TChecksums::TVerdict::NotABlock &&
      readEnd(static_cast<std::int64_t>(kOldChecksumFixedSize) + 4 * std::int64_t{FileCount}))
    verdict = Sums.Load(block, count);
  if (!ArchiveFile.Seek(ArchivePos))
    platform::RaiseLastOSError(platform::IoAction::Seek, PackFileName);
  // A set of disks in folders: the block ends the last volume. Only one that covers this very
  // head is taken; any other file is left to the check after the last entry.
  const std::string last = verdict == TChecksums::TVerdict::NotABlock ? LastVolumeName() : "";
  if (!last.empty() && last != PackFileName) {
    platform::File file;
    const std::int64_t size = file.Open(last, platform::OpenMode::Read) ? file.Size() : -1;
    std::uint8_t end[12];
    TChecksums found;
    if (size >= 12 && file.Seek(size - 12) && file.Read(end, 12) == 12) {
      const std::size_t n = TChecksums::SizeFromEnd(end);
      block.resize(n);
      if (n > 0 && static_cast<std::int64_t>(n) <= size &&
          file.Seek(size - static_cast<std::int64_t>(n)) &&
          file.Read(block.data(), n) == static_cast<std::int64_t>(n) &&
          found.Load(block, count) == TChecksums::TVerdict::Loaded && found.CoversHead() &&
          found.HeadMatches(HeadCrc)) {
        Sums = found;
        verdict = TChecksums::TVerdict::Loaded;
      }
    }
  }
  if (verdict == TChecksums::TVerdict::Damaged) ArchiveDamaged();
  if (verdict != TChecksums::TVerdict::Loaded) return;
  SumsAhead = true;
  if (!Sums.HeadMatches(HeadCrc)) ArchiveDamaged();
}

void TCustomPack::ArchiveDamaged() {
  EntryTarget = PackFileName;
  EntryFailed(std::make_exception_ptr(EPackCorrupt(PackFileName)));
}

void TCustomPack::VerifyChecksums() {
  if (Version != 2) return;
  const std::size_t count = List.size();
  if (SumsAhead) {
    // Fewer or more entries than written: the head's count was changed.
    if (count != Sums.Count()) ArchiveDamaged();
    return;
  }
  if (!Sums.AnyRead()) return;
  const std::int64_t size = std::min<std::int64_t>(
      ArchiveSize - ArchivePos, static_cast<std::int64_t>(TChecksums::BlockSize(count)));
  if (size < static_cast<std::int64_t>(kOldChecksumFixedSize + 4 * count)) return;
  std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
  ReadArchive(block.data(), block.size());
  switch (Sums.Load(block, count)) {
    case TChecksums::TVerdict::NotABlock: return;
    case TChecksums::TVerdict::Damaged: throw EPackCorrupt(PackFileName);
    case TChecksums::TVerdict::Loaded: break;
  }
  // Every damaged part is named; the run fails with the last.
  std::vector<std::string> damaged;
  if (!Sums.HeadMatches(HeadCrc)) damaged.push_back(PackFileName);
  for (const std::string& fileName : Sums.Damaged()) damaged.push_back(fileName);
  if (damaged.empty()) return;
  for (std::size_t i = 0; i + 1 < damaged.size(); ++i)
    if (OnError) OnError(this, EPackCorrupt(damaged[i]), damaged[i]);
  EntryTarget = damaged.back();
  throw EPackCorrupt(EntryTarget);
}

// --- Extraction targets --------------------------------------------------------------------

void TCustomPack::CreateTarget(const std::string& Target) {
  std::string dir = ExtractFilePath(Target);
  if (!dir.empty()) platform::ForceDirectories(dir);
  ClearReadOnly(Target);  // a second extraction replaces what the first one left
  if (!DataFile.Open(Target, platform::OpenMode::Create))
    platform::RaiseLastOSError(platform::IoAction::Create, Target);
  DataName = Target;
}

void TCustomPack::CloseTarget(const std::string& Target, bool Complete) {
  bool closed = DataFile.Close();
  if (!Complete) {
    // A shortened file must not stay behind looking like the real one.
    platform::RemoveFile(Target);
    return;
  }
  if (!closed) platform::RaiseLastOSError(platform::IoAction::Close, Target);
  SetFileDateAttr(Target, Entry.Time, Entry.Attr);
}
