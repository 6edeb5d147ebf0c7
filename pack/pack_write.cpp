// Writing: the list of files to store, volumes and where they may be cut.
#include <algorithm>
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

constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();

[[noreturn]] void VolumeTooSmall(const std::string& volume) {
  throw EPackException(EPackException::TKind::VolumeTooSmall, "Tamanho de volume insuficiente",
                       volume);
}

// The stamp tells the volumes of one archive from those of another, so two archives made one
// after the other in the same millisecond must still differ.
double UniqueStamp() {
  static double last = 0;
  double stamp = OleDateNow();
  if (stamp <= last) stamp = last + 1.0 / 86400000.0;
  last = stamp;
  return stamp;
}

}  // namespace

bool TCustomPack::Create() {
  bool result = Run(kModeCreate, &TCustomPack::WriteEntries);
  Trailing.clear();
  return result;
}

void TCustomPack::WriteEntries() {
  BuildList();
  CreateVolume();
  // Bytes that must follow each entry's data in the same volume: the records of the next
  // entries up to one that has data of its own (a volume may only end inside data), and after
  // the last entry the checksum block.
  Trailing.assign(List.size(), 0);
  std::int64_t after =
      Checksums && Version == 2 ? static_cast<std::int64_t>(TChecksums::BlockSize(List.size())) : 0;
  for (std::size_t i = List.size(); i-- > 0;) {
    Trailing[i] = after;
    TEntry next;
    next.FileName = StoredName(List[i]);
    after = static_cast<std::int64_t>(next.RecordSize()) + (StoresData(List[i]) ? 0 : after);
  }
  for (std::size_t i = 0; i < List.size(); ++i) WriteEntry(i);
  BeforeTrailer();
  if (Checksums && Version == 2) WriteChecksums();
  if (!ArchiveFile.Close()) platform::RaiseLastOSError(platform::IoAction::Close, PackFileName);
  VolumeCreated = false;  // complete
}

void TCustomPack::BuildList() {
  List.clear();
  for (const std::string& line : Items) {
    std::string pattern = ConcatPath(Directory, line);
    std::string patternDir = ExtractFilePath(pattern);
    for (const platform::FoundFile& found : platform::FindFiles(pattern, platform::faFiles)) {
      std::string path = ConcatPath(patternDir, found.Name);
      if (!MatchesAnyMask(Directory, Excludes, path)) List.push_back(path);
    }
  }
  DoPrepared();
}

std::string TCustomPack::StoredName(const std::string& path) const {
  auto withoutDrive = [](const std::string& p) {
    std::string full = platform::ExpandFileName(p);
    return full.substr(ExtractFileDrive(full).size());
  };
  switch (PathOption) {
    case TPathOption::poNone: return ExtractFileName(path);
    case TPathOption::poFullPath: return withoutDrive(path);
    case TPathOption::poRelative: break;
  }
  if (Directory.empty()) {
    bool absolute = !ExtractFileDrive(path).empty() || (!path.empty() && path.front() == '\\');
    return absolute ? withoutDrive(path) : path;
  }
  std::string base = ConcatPath(Directory, std::string());
  return platform::StartsWithNoCase(path, base) ? path.substr(base.size()) : withoutDrive(path);
}

bool TCustomPack::StoresData(const std::string& FileName) {
  platform::File file;
  return !file.Open(FileName, platform::OpenMode::Read) || file.Size() != 0;
}

void TCustomPack::OpenWrite() {
  if (PackFileName.empty()) throw EPackFileName();
  if (Volume == 1 && Offset > 0) {
    if (!ArchiveFile.Open(PackFileName, platform::OpenMode::ReadWrite))
      platform::RaiseLastOSError(platform::IoAction::Open, PackFileName);
    if (!ArchiveFile.Seek(Offset))
      platform::RaiseLastOSError(platform::IoAction::Seek, PackFileName);
    ArchivePos = VolumeStart = Offset;
    VolumeCreated = false;
  } else {
    std::string dir = ExtractFilePath(PackFileName);
    if (!dir.empty()) platform::ForceDirectories(dir);
    if (!ArchiveFile.Open(PackFileName, platform::OpenMode::Create))
      platform::RaiseLastOSError(platform::IoAction::Create, PackFileName);
    ArchivePos = VolumeStart = 0;
    VolumeCreated = true;
  }
}

bool TCustomPack::IsSameVolume() {
  // Any volume of this very archive counts, not only the one about to be written: a disk
  // left in the drive still holds the previous volume, which must not be overwritten.
  platform::File file;
  std::uint8_t raw[kVolumeHeaderSize];
  if (!file.Open(PackFileName, platform::OpenMode::Read) ||
      file.Read(raw, sizeof raw) != static_cast<std::int64_t>(sizeof raw))
    return false;
  VolumeHeader header = VolumeHeader::Decode(raw);
  return header.Sig == Signature && header.Stamp == Stamp && header.Volume >= 1 &&
         header.Volume <= Volume;
}

void TCustomPack::CreateVolume() {
  if (Volume == 0) {
    Version = !RawHeader.empty() && Header.empty() ? 1 : 2;
    Signature = SignatureOf(Version);
    Stamp = FixedStamp != 0 ? FixedStamp : UniqueStamp();
    Volume = 1;
  }
  // Only a path this run has written to can hold one of its volumes (a disk left in the
  // drive). Elsewhere a file with the same stamp is left from an earlier run with the same
  // fixed stamp, and is replaced like any other file.
  bool written =
      std::find(WrittenPaths.begin(), WrittenPaths.end(), PackFileName) != WrittenPaths.end();
  if (written && platform::FileExists(PackFileName) && IsSameVolume()) WrongVolume();
  OpenWrite();
  VolumeLimit = VolumeSize > 0 ? VolumeStart + VolumeSize : kUnlimited;
  if (IsRemovableDrive(PackFileName, false)) {
    std::int64_t free = platform::DiskFreeSpace(PackFileName);
    if (free >= 0) VolumeLimit = std::min(VolumeLimit, ArchivePos + free);
  }
  VolumeHeader header{Signature, Stamp, Volume};
  auto bytes = header.Encode();
  WriteArchive(bytes.data(), bytes.size());
  if (Volume == 1) WriteHeader();
  WrittenPaths.push_back(PackFileName);
}

void TCustomPack::WriteHeader() {
  if (OnWriteHeader) OnWriteHeader(this);
  std::vector<std::uint8_t> out;
  if (Version == 1) {
    platform::AppendLE<std::uint16_t>(out, static_cast<std::uint16_t>(RawHeader.size()));
    out.insert(out.end(), RawHeader.begin(), RawHeader.end());
  } else {
    // The count is 16 bits: more lines would leave a header that reads back as garbage.
    if (Header.size() > kMaxHeaderLines)
      throw EPackException(EPackException::TKind::TooManyHeaderLines,
                           "Linhas de cabe\xE7"
                           "alho demais: " +
                               std::to_string(Header.size()));
    platform::AppendLE<std::uint32_t>(out, static_cast<std::uint32_t>(FileCount));
    platform::AppendLE<std::uint32_t>(out, static_cast<std::uint32_t>(Reserved));
    std::string inverted = platform::ShortString(Password);
    for (char& c : inverted) c = static_cast<char>(c ^ 0xFF);
    PutString(out, inverted);
    platform::AppendLE<std::uint16_t>(out, static_cast<std::uint16_t>(Header.size()));
    for (const std::string& line : Header) PutString(out, line);
    // The checksum block covers the head too: counts, password and header lines.
    auto volume = VolumeHeader{Signature, Stamp, 1}.Encode();
    Sums.SetHead(Crc32(Crc32(0, volume.data(), volume.size()), out.data(), out.size()));
  }
  WriteArchive(out.data(), out.size());
}

std::int64_t TCustomPack::VolumeRoom() const { return VolumeLimit - ArchivePos; }

void TCustomPack::WriteArchive(const void* data, std::size_t size) {
  // Headers and records are never cut: they must fit where the volume still has room.
  if (static_cast<std::int64_t>(size) > VolumeRoom()) VolumeTooSmall(PackFileName);
  std::int64_t put = ArchiveFile.Write(data, size);
  if (put < 0) platform::RaiseLastOSError(platform::IoAction::Write, PackFileName);
  if (static_cast<std::size_t>(put) != size)
    platform::RaiseIOError(platform::IoAction::Write, PackFileName, platform::IoFault::DiskFull);
  ArchivePos += put;
}

void TCustomPack::WriteEntry(std::size_t index) {
  const std::string& path = List[index];
  EntryIndex = static_cast<std::int32_t>(index);
  Entry.Clear();
  Entry.FileName = StoredName(path);
  EntryTarget = path;
  // A name no reader would extract is refused here already.
  if (Entry.FileName.size() > kMaxString) throw EPackEntryName(Entry.FileName);
  CheckEntryName(Entry.FileName);
  ProgressStep();
  OpenSource(path);
  try {
    std::int64_t size = DataFile.Size();
    if (size < 0) platform::RaiseLastOSError(platform::IoAction::Read, path);
    if (size > std::numeric_limits<std::int32_t>::max())
      throw EPackException(EPackException::TKind::FileTooLarge, "Arquivo grande demais: " + path,
                           path);
    std::int32_t attr = platform::FileGetAttr(path);
    // Only -1 says the time is unknown: from 2044 on a valid time is negative as a number.
    std::int32_t time = platform::FileAge(path);
    if (time == -1) platform::RaiseLastOSError(platform::IoAction::Read, path);
    Entry.Size = static_cast<std::int32_t>(size);
    Entry.Attr = attr < 0 ? 0 : static_cast<std::uint16_t>(attr);
    Entry.Time = time;
    // MS-DOS times order as unsigned numbers: the year is in the top bits.
    if (LatestTime != 0 &&
        static_cast<std::uint32_t>(Entry.Time) > static_cast<std::uint32_t>(LatestTime))
      Entry.Time = LatestTime;
    std::vector<std::uint8_t> record = Entry.Encode();
    WriteArchive(record.data(), record.size());

    std::uint32_t crc = Crc32(0, record.data(), record.size());  // the record, then the data
    std::int64_t left = size;
    bool fresh = false;  // a volume begun for this data, with nothing in it yet
    while (left > 0) {
      std::int64_t allowed = VolumeRoom();
      // The data may not end where what has to follow it no longer fits.
      if (left <= allowed && allowed - left < Trailing[index]) allowed = left - 1;
      if (allowed <= 0) {
        if (fresh) VolumeTooSmall(PackFileName);
        NextVolume();
        fresh = true;
        continue;
      }
      std::size_t n = static_cast<std::size_t>(
          std::min<std::int64_t>({left, allowed, static_cast<std::int64_t>(kCopyBufferSize)}));
      std::int64_t got = DataFile.Read(Buffer.data(), n);
      if (got < 0) platform::RaiseLastOSError(platform::IoAction::Read, DataName);
      if (static_cast<std::size_t>(got) != n)
        platform::RaiseIOError(platform::IoAction::Read, DataName, platform::IoFault::EndOfFile);
      WriteArchive(Buffer.data(), n);
      crc = Crc32(crc, Buffer.data(), n);
      left -= static_cast<std::int64_t>(n);
      fresh = false;
    }
    Sums.AddStored(crc);
  } catch (...) {
    try {
      CloseSource();
    } catch (...) {
    }
    throw;
  }
  CloseSource();
  AfterEntry(Entry.FileName);
  ++EntryIndex;
  ProgressStep();
  EntryTarget.clear();
}

void TCustomPack::WriteChecksums() {
  std::vector<std::uint8_t> block = Sums.Block();
  WriteArchive(block.data(), block.size());
}

void TCustomPack::OpenSource(const std::string& FileName) {
  if (!DataFile.Open(FileName, platform::OpenMode::Read))
    platform::RaiseLastOSError(platform::IoAction::Open, FileName);
  DataName = FileName;
}

void TCustomPack::CloseSource() { DataFile.Close(); }
