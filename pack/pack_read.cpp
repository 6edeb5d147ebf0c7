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

using namespace pck_format;

namespace {

const char kNotAnArchive[] = "N\xE3o \xE9 um pacote: ";
const char kWrongVolume[] = "Volume inesperado: ";

}  // namespace

bool TCustomPack::Extract() { return Process(4); }

bool TCustomPack::Process(std::uint8_t mode) { return Run(mode, &TCustomPack::ReadEntries); }

void TCustomPack::ReadEntries() {
  if (!OpenVolume()) throw EAbort();
  try {
    if (!ProgressStep()) throw EAbort();
    while ((Mode == 3 || Mode == 4) && NextEntry()) {
      if (!ProgressStep()) throw EAbort();
      if (Mode == 4 && MatchEntry()) {
        if (!ExtractEntry()) throw EAbort();
      } else if (Mode == 3 && PeekSize > 0) {
        if (!PeekData()) throw EAbort();
      } else if (!SkipData(Entry.Size)) {
        throw EAbort();
      }
      if (!ProgressStep()) throw EAbort();
    }
    if (Mode == 3 || Mode == 4) {
      VerifyChecksums();
      DoPrepared();
    }
  } catch (...) {
    CloseArchive();
    throw;
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
    if (!ArchiveFile.Seek(Offset)) platform::RaiseLastOSError(platform::IoAction::Seek, PackFileName);
    ArchivePos = VolumeStart = Offset;
  }
}

void TCustomPack::CloseArchive() { ArchiveFile.Close(); }

void TCustomPack::ReadArchive(void* data, std::size_t size) {
  std::int64_t got = ArchiveFile.Read(data, size);
  if (got < 0) platform::RaiseLastOSError(platform::IoAction::Read, PackFileName);
  ArchivePos += got;
  if (static_cast<std::size_t>(got) != size)
    platform::RaiseIOError(platform::IoAction::Read, PackFileName, platform::IoFault::EndOfFile);
}

bool TCustomPack::OpenVolume() {
  try {
    OpenRead();
  } catch (const std::exception& e) {
    LastError = e.what();
    CloseArchive();
    return false;
  }
  try {
    std::uint8_t raw[kVolumeHeaderSize];
    ReadArchive(raw, sizeof raw);
    VolumeHeader header = VolumeHeader::Decode(raw);
    Version = FindSignature(header.Sig);
    if (Version == 0) {
      LastError = kNotAnArchive + PackFileName;
    } else if (Volume == 0) {
      // A run starts with volume 1: a later volume read first would make its data look like
      // an archive header.
      if (header.Volume == 1) {
        Signature = header.Sig;
        Stamp = header.Stamp;
        Volume = header.Volume;
        ReadHeader();
        return true;
      }
      LastError = kWrongVolume + PackFileName;
    } else if (header.Stamp == Stamp && header.Volume == Volume) {
      return true;
    } else {
      LastError = kWrongVolume + PackFileName;
    }
  } catch (const std::exception& e) {
    LastError = e.what();
  }
  CloseArchive();
  return false;
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
    std::vector<std::uint8_t> raw(GetU16(size));
    if (!raw.empty()) ReadArchive(raw.data(), raw.size());
    RawHeader = std::move(raw);
  } else if (Version == 2) {
    std::uint8_t fixed[9];
    ReadArchive(fixed, sizeof fixed);
    FileCount = static_cast<std::int32_t>(GetU32(fixed));
    Reserved = static_cast<std::int32_t>(GetU32(fixed + 4));
    StoredPassword.assign(fixed[8], '\0');
    if (!StoredPassword.empty()) ReadArchive(StoredPassword.data(), StoredPassword.size());
    for (char& c : StoredPassword) c = static_cast<char>(c ^ 0xFF);
    if (OnPassword) OnPassword(this, Password);
    CheckPassword();
    Header.clear();
    std::uint8_t count[2];
    ReadArchive(count, sizeof count);
    for (std::uint16_t i = GetU16(count); i > 0; --i) {
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
  // A negative size would make skipping seek backwards, over the same records for ever.
  if (Entry.Size < 0) throw EPackCorrupt(PackFileName);
  List.push_back(Entry.FileName);
  ++EntryIndex;
  if (OnList) OnList(this, Entry.FileName, Entry.Size, Entry.Attr, Entry.Time);
  return true;
}


bool TCustomPack::MatchEntry() {
  std::string path = ConcatPath(Directory, Entry.FileName);
  return (Items.empty() || MatchesAnyMask(Directory, Items, path)) &&
         !MatchesAnyMask(Directory, Excludes, path);
}

bool TCustomPack::ExtractEntry() {
  std::string target = ConcatPath(Directory, Entry.FileName);
  try {
    // The target is not cut to any length: a cut name would be another file. A path too long
    // for the system fails where the file is created.
    CheckEntryName(Entry.FileName);
    if (OnOpen) OnOpen(this, target);
    CreateTarget(target);
    try {
      EntryCrc = 0;
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
      bool closed = true;
      try {
        CloseTarget(target, false);
      } catch (...) {
        closed = false;  // the copy's failure is the one worth reporting
      }
      if (closed && OnClose) OnClose(this, target);
      throw;
    }
    CloseTarget(target, true);
    if (OnClose) OnClose(this, target);
    Sums.AddRead(target, EntryCrc, EntryIndex);
    return true;
  } catch (const std::exception& e) {
    FailEntry(e, target);
  }
  return false;
}

void TCustomPack::ReadData(std::uint8_t* buf, std::uint16_t n) {
  while (true) {
    std::int64_t got = ArchiveFile.Read(buf, n);
    if (got < 0) platform::RaiseLastOSError(platform::IoAction::Read, PackFileName);
    ArchivePos += got;
    EntryCrc = Crc32(EntryCrc, buf, static_cast<std::size_t>(got));
    if (got == n) return;
    if (ArchivePos < ArchiveSize) throw EPackReadError();
    if (!NextVolume()) {
      // Without a disk to ask for, the data is simply missing.
      if (!IsRemovableDrive(PackFileName, Mode != 0)) throw EPackReadError();
      throw EAbort();
    }
    buf += got;
    n = static_cast<std::uint16_t>(n - got);
  }
}

bool TCustomPack::SkipData(std::int64_t n) {
  try {
    while (ArchiveSize < ArchivePos + n) {
      n -= ArchiveSize - ArchivePos;
      if (!NextVolume()) return false;
    }
    if (!ArchiveFile.Seek(ArchivePos + n))
      platform::RaiseLastOSError(platform::IoAction::Seek, PackFileName);
    ArchivePos += n;
    return true;
  } catch (const std::exception& e) {
    LastError = e.what();
    return false;
  }
}

// Only the first bytes are read; the rest is skipped, so a listing stays as fast as the
// archive's records allow however large the entries are.
bool TCustomPack::PeekData() {
  std::vector<std::uint8_t> head(
      std::min({PeekSize, kCopyBufferSize, static_cast<std::size_t>(Entry.Size)}));
  if (!head.empty()) ReadData(head.data(), static_cast<std::uint16_t>(head.size()));
  if (OnPeek) OnPeek(this, head);
  return SkipData(Entry.Size - static_cast<std::int64_t>(head.size()));
}

void TCustomPack::WriteData(const std::uint8_t* buf, std::uint16_t n) {
  if (n == 0) return;
  std::int64_t put = DataFile.Write(buf, n);
  if (put < 0) platform::RaiseLastOSError(platform::IoAction::Write, DataName);
  if (put != n) platform::RaiseIOError(platform::IoAction::Write, DataName, platform::IoFault::DiskFull);
}


void TCustomPack::VerifyChecksums() {
  if (Version != 2 || !Sums.AnyRead()) return;
  std::size_t count = List.size();
  std::size_t size = TChecksums::BlockSize(count);
  if (ArchiveSize - ArchivePos < static_cast<std::int64_t>(size)) return;
  std::vector<std::uint8_t> block(size);
  ReadArchive(block.data(), block.size());
  switch (Sums.Verify(block, count)) {
    case TChecksums::TVerdict::NotABlock:
      return;
    case TChecksums::TVerdict::Damaged:
      throw EPackCorrupt(PackFileName);
    case TChecksums::TVerdict::Checked:
      break;
  }
  for (const std::string& fileName : Sums.Damaged()) {
    EPackCorrupt e(fileName);
    if (&fileName == &Sums.Damaged().front()) LastError = e.Message();
    if (OnError) OnError(this, e, fileName);
  }
  if (!Sums.Damaged().empty()) throw EAbort();
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
