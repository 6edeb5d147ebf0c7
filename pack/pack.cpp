#include "pack/pack.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/fileinfo.h"
#include "platform/ui.h"

using namespace pck_format;

namespace {

constexpr std::size_t kBufferSize = 8192;
constexpr std::uint16_t kFoundFiles = 0x27;  // normal, read-only, hidden, system, archive
constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();

const char kVolumeTooSmall[] = "Tamanho de volume insuficiente";
const char kNotAnArchive[] = "N\xE3o \xE9 um pacote: ";
const char kWrongVolume[] = "Volume inesperado: ";
const char kDiskPrompt[] = "Por favor, insira o pr\xF3ximo disco [";

std::string Cut(const std::string& s) { return s.size() > kMaxString ? s.substr(0, kMaxString) : s; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Same text without regard to the case of ASCII letters, as Windows compares paths.
bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i], b = prefix[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
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

TCustomPack::TCustomPack(TComponent* owner) : TComponent(owner), Buffer(kBufferSize) {}

TCustomPack::~TCustomPack() { FreeRawHeader(); }

// --- Runs ----------------------------------------------------------------------------------

bool TCustomPack::Extract() { return Process(4); }

bool TCustomPack::Process(std::uint8_t mode) {
  ResetState();
  Mode = mode;
  platform::FailCriticalErrors errorMode;
  bool result = false;
  try {
    ProgressStart();
    if (!OpenVolume()) throw EAbort();
    try {
      if (!ProgressStep()) throw EAbort();
      while ((Mode == 3 || Mode == 4) && NextEntry()) {
        if (!ProgressStep()) throw EAbort();
        if (Mode == 4 && MatchEntry()) {
          if (!ExtractEntry()) throw EAbort();
        } else if (!SkipData(Entry.Size)) {
          throw EAbort();
        }
        if (!ProgressStep()) throw EAbort();
      }
      if (Mode == 3 || Mode == 4) {
        VerifyChecksums();
        DoPrepared();
      }
      result = true;
      ProgressDone();
    } catch (...) {
      CloseArchive();
      throw;
    }
    CloseArchive();
  } catch (const std::exception& e) {
    Fail(e);
    result = false;
  } catch (...) {
    result = false;
  }
  return result;
}

bool TCustomPack::Create() {
  ResetState();
  Mode = 0;
  platform::FailCriticalErrors errorMode;
  bool result = false;
  try {
    ProgressStart();
    BuildList();
    if (!CreateVolume()) throw EAbort();
    try {
      // Bytes that must follow each entry's data in the same volume: the records of the next
      // entries up to one that has data of its own (a volume may only end inside data), and
      // after the last entry the checksum block.
      Trailing.assign(List.size(), 0);
      std::int64_t after = Checksums && Version == 2 ? kChecksumFixedSize + 4 * List.size() : 0;
      for (std::size_t i = List.size(); i-- > 0;) {
        Trailing[i] = after;
        TEntry next;
        next.FileName = StoredName(List[i]);
        after = static_cast<std::int64_t>(next.RecordSize()) + (StoresData(List[i]) ? 0 : after);
      }
      for (std::size_t i = 0; i < List.size(); ++i) WriteEntry(i);
      if (Checksums && Version == 2) WriteChecksums();
      if (!ArchiveFile.Close()) platform::RaiseLastOSError("Erro fechando", PackFileName);
    } catch (...) {
      ArchiveFile.Close();
      if (VolumeCreated) platform::RemoveFile(PackFileName);
      throw;
    }
    result = true;
    ProgressDone();
  } catch (const std::exception& e) {
    Fail(e);
    result = false;
  } catch (...) {
    result = false;
  }
  Trailing.clear();
  return result;
}

void TCustomPack::Fail(const std::exception& e) {
  // The silent stop only stands for the failure that caused it, when that left no message.
  if (!dynamic_cast<const EAbort*>(&e) || LastError.empty()) LastError = e.what();
}

void TCustomPack::ResetState() {
  Signature = {};
  Stamp = 0;
  Volume = 0;
  List.clear();
  Entry.Clear();
  Version = 0;
  Checks.clear();
  Crcs.clear();
  EntryIndex = -1;
  LastError.clear();
}

void TCustomPack::DoPrepared() {
  if (OnPrepared) OnPrepared(this);
  FileCount = static_cast<std::int32_t>(List.size());
}

// --- Progress ------------------------------------------------------------------------------

void TCustomPack::ProgressStart() {
  bool cancel = false;
  if (OnProgress) OnProgress(this, std::string(), 0, cancel);
}

bool TCustomPack::ProgressStep() {
  bool cancel = false;
  if (!OnProgress) return true;
  try {
    std::int64_t percent = 0;
    if (Mode == 0) {
      // Writing: the share of entries stored so far.
      if (FileCount > 0) percent = std::max<std::int64_t>(EntryIndex, 0) * 100 / FileCount;
    } else if (ArchiveSize > 0) {
      percent = ArchivePos * 100 / ArchiveSize;
    }
    percent = std::clamp<std::int64_t>(percent, 0, 100);
    OnProgress(this, Entry.FileName, static_cast<std::int32_t>(percent), cancel);
  } catch (...) {
    cancel = true;
  }
  if (cancel && LastError.empty()) LastError = EAbort().what();
  return !cancel;
}

void TCustomPack::ProgressDone() {
  bool cancel = false;
  if (OnProgress) OnProgress(this, std::string(), 100, cancel);
}

// --- Reading -------------------------------------------------------------------------------

void TCustomPack::OpenRead() {
  if (PackFileName.empty()) throw EPackFileName();
  if (!ArchiveFile.Open(PackFileName, platform::OpenMode::Read))
    platform::RaiseLastOSError("Erro abrindo", PackFileName);
  ArchivePos = VolumeStart = 0;
  ArchiveSize = ArchiveFile.Size();
  if (ArchiveSize < 0) platform::RaiseLastOSError("Erro lendo", PackFileName);
  if (Volume == 0 && Offset > 0) {
    if (!ArchiveFile.Seek(Offset)) platform::RaiseLastOSError("Erro posicionando em", PackFileName);
    ArchivePos = VolumeStart = Offset;
  }
}

void TCustomPack::CloseArchive() { ArchiveFile.Close(); }

void TCustomPack::ReadArchive(void* data, std::size_t size) {
  std::int64_t got = ArchiveFile.Read(data, size);
  if (got < 0) platform::RaiseLastOSError("Erro lendo", PackFileName);
  ArchivePos += got;
  if (static_cast<std::size_t>(got) != size)
    platform::RaiseIOError("Erro lendo", PackFileName, "fim do arquivo");
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
  if (Cut(Password) != StoredPassword) throw EPackPassword();
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
  Entry.ReadFrom(ArchiveFile, PackFileName);
  ArchivePos += static_cast<std::int64_t>(Entry.RecordSize());
  // A negative size would make skipping seek backwards, over the same records for ever.
  if (Entry.Size < 0) throw EPackCorrupt(PackFileName);
  List.push_back(Entry.FileName);
  ++EntryIndex;
  if (OnList) OnList(this, Entry.FileName, Entry.Size, Entry.Attr, Entry.Time);
  return true;
}

bool TCustomPack::MatchEntry() {
  std::string path = ConcatPath(Directory, Entry.FileName);
  bool selected = Items.empty();
  for (const std::string& mask : Items) {
    if (MatchFileMask(ConcatPath(Directory, mask), path)) {
      selected = true;
      break;
    }
  }
  if (selected) {
    for (const std::string& mask : Excludes)
      if (MatchFileMask(ConcatPath(Directory, mask), path)) return false;
  }
  return selected;
}

void TCustomPack::CheckEntryName(const std::string& name) const {
  // One leading backslash is part of the format; what remains must be a relative path of
  // plain names, or the entry could be written anywhere.
  std::string rest = !name.empty() && name.front() == '\\' ? name.substr(1) : name;
  if (rest.empty() || IsSeparator(rest.front())) throw EPackEntryName(name);
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::string part = rest.substr(start, end - start);
    // Windows drops trailing dots and spaces, so "..." and ".. " mean "..", too.
    if (part.find("..") != std::string::npos &&
        part.find_first_not_of(". ") == std::string::npos)
      throw EPackEntryName(name);
    start = end + 1;
  }
  for (unsigned char c : rest)
    if (c < 0x20 || std::strchr(":*?\"<>|", c)) throw EPackEntryName(name);
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
      for (std::int32_t i = Entry.Size / static_cast<std::int32_t>(kBufferSize); i > 0; --i) {
        ReadData(buf, kBufferSize);
        WriteData(buf, kBufferSize);
      }
      std::uint16_t rest =
          static_cast<std::uint16_t>(Entry.Size % static_cast<std::int32_t>(kBufferSize));
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
    Checks.push_back(EntryCheck{target, EntryCrc, EntryIndex});
    return true;
  } catch (const Exception& e) {
    if (!dynamic_cast<const EAbort*>(&e) || LastError.empty()) LastError = e.Message();
    if (OnError) OnError(this, e, target);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    LastError = wrapped.Message();
    if (OnError) OnError(this, wrapped, target);
  }
  return false;
}

void TCustomPack::ReadData(std::uint8_t* buf, std::uint16_t n) {
  while (true) {
    std::int64_t got = ArchiveFile.Read(buf, n);
    if (got < 0) platform::RaiseLastOSError("Erro lendo", PackFileName);
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
      platform::RaiseLastOSError("Erro posicionando em", PackFileName);
    ArchivePos += n;
    return true;
  } catch (const std::exception& e) {
    LastError = e.what();
    return false;
  }
}

void TCustomPack::WriteData(const std::uint8_t* buf, std::uint16_t n) {
  if (n == 0) return;
  std::int64_t put = DataFile.Write(buf, n);
  if (put < 0) platform::RaiseLastOSError("Erro gravando", DataName);
  if (put != n) platform::RaiseIOError("Erro gravando", DataName, "disco cheio");
}

bool TCustomPack::NextVolume() {
  try {
    CloseArchive();
    if (Volume == std::numeric_limits<std::uint16_t>::max()) throw EPackCorrupt(PackFileName);
    ++Volume;
    while (true) {
      if (!IsRemovableDrive(PackFileName, Mode != 0)) {
        LastError = EPackReadError().what();
        return false;
      }
      std::string prompt = kDiskPrompt + std::to_string(Volume) + "]";
      if (platform::ShowMessage(prompt, platform::MsgType::Information,
                                platform::mbOK | platform::mbCancel) != platform::mrOk) {
        LastError = EAbort().what();
        return false;
      }
      if (Mode == 0 ? CreateVolume() : OpenVolume()) return true;
    }
  } catch (const std::exception& e) {
    LastError = e.what();
    return false;
  }
}

void TCustomPack::VerifyChecksums() {
  if (Version != 2 || Checks.empty()) return;
  std::size_t count = List.size();
  std::int64_t size = static_cast<std::int64_t>(kChecksumFixedSize + 4 * count);
  if (ArchiveSize - ArchivePos < size) return;
  std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
  ReadArchive(block.data(), block.size());
  // Bytes after the last entry that are not a checksum block of this archive are none of
  // the reader's business.
  if (std::memcmp(block.data(), kChecksumMagic, 4) != 0 || GetU32(block.data() + 4) != count)
    return;
  if (Crc32(0, block.data(), block.size() - 4) != GetU32(block.data() + block.size() - 4))
    throw EPackCorrupt(PackFileName);
  bool damaged = false;
  for (const EntryCheck& check : Checks) {
    if (GetU32(block.data() + 8 + 4 * static_cast<std::size_t>(check.Index)) == check.Crc) continue;
    EPackCorrupt e(check.FileName);
    if (!damaged) LastError = e.Message();
    damaged = true;
    if (OnError) OnError(this, e, check.FileName);
  }
  if (damaged) throw EAbort();
}

// --- Extraction targets --------------------------------------------------------------------

void TCustomPack::CreateTarget(const std::string& Target) {
  std::string dir = ExtractFilePath(Target);
  if (!dir.empty()) platform::ForceDirectories(dir);
  ClearReadOnly(Target);  // a second extraction replaces what the first one left
  if (!DataFile.Open(Target, platform::OpenMode::Create))
    platform::RaiseLastOSError("Erro criando", Target);
  DataName = Target;
}

void TCustomPack::CloseTarget(const std::string& Target, bool Complete) {
  bool closed = DataFile.Close();
  if (!Complete) {
    // A shortened file must not stay behind looking like the real one.
    platform::RemoveFile(Target);
    return;
  }
  if (!closed) platform::RaiseLastOSError("Erro fechando", Target);
  SetFileDateAttr(Target, Entry.Time, Entry.Attr);
}

// --- Writing -------------------------------------------------------------------------------

void TCustomPack::BuildList() {
  List.clear();
  for (const std::string& line : Items) {
    std::string pattern = ConcatPath(Directory, line);
    std::string patternDir = ExtractFilePath(pattern);
    for (const platform::FoundFile& found : platform::FindFiles(pattern, kFoundFiles)) {
      std::string path = ConcatPath(patternDir, found.Name);
      bool excluded = std::any_of(Excludes.begin(), Excludes.end(), [&](const std::string& m) {
        return MatchFileMask(ConcatPath(Directory, m), path);
      });
      if (!excluded) List.push_back(path);
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
    case TPathOption::poNone:
      return ExtractFileName(path);
    case TPathOption::poFullPath:
      return withoutDrive(path);
    case TPathOption::poRelative:
      break;
  }
  if (Directory.empty()) {
    bool absolute = !ExtractFileDrive(path).empty() || (!path.empty() && path.front() == '\\');
    return absolute ? withoutDrive(path) : path;
  }
  std::string base = ConcatPath(Directory, std::string());
  return StartsWithNoCase(path, base) ? path.substr(base.size()) : withoutDrive(path);
}

bool TCustomPack::StoresData(const std::string& FileName) {
  platform::File file;
  return !file.Open(FileName, platform::OpenMode::Read) || file.Size() != 0;
}

void TCustomPack::OpenWrite() {
  if (PackFileName.empty()) throw EPackFileName();
  if (Volume == 1 && Offset > 0) {
    if (!ArchiveFile.Open(PackFileName, platform::OpenMode::ReadWrite))
      platform::RaiseLastOSError("Erro abrindo", PackFileName);
    if (!ArchiveFile.Seek(Offset)) platform::RaiseLastOSError("Erro posicionando em", PackFileName);
    ArchivePos = VolumeStart = Offset;
    VolumeCreated = false;
  } else {
    std::string dir = ExtractFilePath(PackFileName);
    if (!dir.empty()) platform::ForceDirectories(dir);
    if (!ArchiveFile.Open(PackFileName, platform::OpenMode::Create))
      platform::RaiseLastOSError("Erro criando", PackFileName);
    ArchivePos = VolumeStart = 0;
    VolumeCreated = true;
  }
}

bool TCustomPack::IsSameVolume() {
  // Any volume of this very archive counts, not only the one about to be written: a disk
  // left in the drive still holds the previous volume, which must not be overwritten.
  platform::File file;
  std::uint8_t raw[kVolumeHeaderSize];
  if (!file.Open(PackFileName, platform::OpenMode::Read) || file.Read(raw, sizeof raw) != 15)
    return false;
  VolumeHeader header = VolumeHeader::Decode(raw);
  return header.Sig == Signature && header.Stamp == Stamp && header.Volume >= 1 &&
         header.Volume <= Volume;
}

bool TCustomPack::CreateVolume() {
  try {
    if (Volume == 0) {
      Version = !RawHeader.empty() && Header.empty() ? 1 : 2;
      Signature = SignatureOf(Version);
      Stamp = UniqueStamp();
      Volume = 1;
    }
    if (platform::FileExists(PackFileName) && IsSameVolume()) {
      LastError = kWrongVolume + PackFileName;
      return false;
    }
    OpenWrite();
  } catch (const std::exception& e) {
    LastError = e.what();
    return false;
  }
  try {
    VolumeLimit = VolumeSize > 0 ? VolumeStart + VolumeSize : kUnlimited;
    if (IsRemovableDrive(PackFileName, false)) {
      std::int64_t free = platform::DiskFreeSpace(PackFileName);
      if (free >= 0) VolumeLimit = std::min(VolumeLimit, ArchivePos + free);
    }
    VolumeHeader header{Signature, Stamp, Volume};
    auto bytes = header.Encode();
    WriteArchive(bytes.data(), bytes.size());
    if (Volume == 1) WriteHeader();
    return true;
  } catch (const std::exception& e) {
    LastError = e.what();
    ArchiveFile.Close();
    if (VolumeCreated) platform::RemoveFile(PackFileName);
    return false;
  }
}

void TCustomPack::WriteHeader() {
  if (OnWriteHeader) OnWriteHeader(this);
  std::vector<std::uint8_t> out;
  if (Version == 1) {
    PutU16(out, static_cast<std::uint16_t>(RawHeader.size()));
    out.insert(out.end(), RawHeader.begin(), RawHeader.end());
  } else {
    // The count is 16 bits: more lines would leave a header that reads back as garbage.
    if (Header.size() > kMaxHeaderLines)
      throw EPackException("Linhas de cabe\xE7" "alho demais: " + std::to_string(Header.size()));
    PutU32(out, static_cast<std::uint32_t>(FileCount));
    PutU32(out, static_cast<std::uint32_t>(Reserved));
    std::string inverted = Cut(Password);
    for (char& c : inverted) c = static_cast<char>(c ^ 0xFF);
    PutString(out, inverted);
    PutU16(out, static_cast<std::uint16_t>(Header.size()));
    for (const std::string& line : Header) PutString(out, line);
  }
  WriteArchive(out.data(), out.size());
}

std::int64_t TCustomPack::VolumeRoom() const { return VolumeLimit - ArchivePos; }

void TCustomPack::WriteArchive(const void* data, std::size_t size) {
  // Headers and records are never cut: they must fit where the volume still has room.
  if (static_cast<std::int64_t>(size) > VolumeRoom()) throw EPackException(kVolumeTooSmall);
  std::int64_t put = ArchiveFile.Write(data, size);
  if (put < 0) platform::RaiseLastOSError("Erro gravando", PackFileName);
  if (static_cast<std::size_t>(put) != size)
    platform::RaiseIOError("Erro gravando", PackFileName, "disco cheio");
  ArchivePos += put;
}

void TCustomPack::WriteEntry(std::size_t index) {
  const std::string& path = List[index];
  EntryIndex = static_cast<std::int32_t>(index);
  Entry.Clear();
  Entry.FileName = StoredName(path);
  try {
    // A name no reader would extract is refused here already.
    if (Entry.FileName.size() > kMaxString) throw EPackEntryName(Entry.FileName);
    CheckEntryName(Entry.FileName);
    if (!ProgressStep()) throw EAbort();
    OpenSource(path);
    try {
      std::int64_t size = DataFile.Size();
      if (size < 0) platform::RaiseLastOSError("Erro lendo", path);
      if (size > std::numeric_limits<std::int32_t>::max())
        throw EPackException("Arquivo grande demais: " + path);
      std::int32_t attr = platform::FileGetAttr(path);
      std::int32_t time = platform::FileAge(path);
      Entry.Size = static_cast<std::int32_t>(size);
      Entry.Attr = attr < 0 ? 0 : static_cast<std::uint16_t>(attr);
      Entry.Time = time < 0 ? 0 : time;
      std::vector<std::uint8_t> record = Entry.Encode();
      WriteArchive(record.data(), record.size());

      std::uint32_t crc = 0;
      std::int64_t left = size;
      bool fresh = false;  // a volume begun for this data, with nothing in it yet
      while (left > 0) {
        std::int64_t allowed = VolumeRoom();
        // The data may not end where what has to follow it no longer fits.
        if (left <= allowed && allowed - left < Trailing[index]) allowed = left - 1;
        if (allowed <= 0) {
          if (fresh) throw EPackException(kVolumeTooSmall);
          if (!NextVolume()) throw EAbort();
          fresh = true;
          continue;
        }
        std::size_t n = static_cast<std::size_t>(
            std::min<std::int64_t>({left, allowed, static_cast<std::int64_t>(kBufferSize)}));
        std::int64_t got = DataFile.Read(Buffer.data(), n);
        if (got < 0) platform::RaiseLastOSError("Erro lendo", DataName);
        if (static_cast<std::size_t>(got) != n)
          platform::RaiseIOError("Erro lendo", DataName, "fim do arquivo");
        WriteArchive(Buffer.data(), n);
        crc = Crc32(crc, Buffer.data(), n);
        left -= static_cast<std::int64_t>(n);
        fresh = false;
      }
      Crcs.push_back(crc);
    } catch (...) {
      try {
        CloseSource();
      } catch (...) {
      }
      throw;
    }
    CloseSource();
    ++EntryIndex;
    if (!ProgressStep()) throw EAbort();
  } catch (const Exception& e) {
    if (!dynamic_cast<const EAbort*>(&e) || LastError.empty()) LastError = e.Message();
    if (OnError) OnError(this, e, path);
    throw;
  }
}

void TCustomPack::WriteChecksums() {
  std::vector<std::uint8_t> block(kChecksumMagic, kChecksumMagic + 4);
  PutU32(block, static_cast<std::uint32_t>(Crcs.size()));
  for (std::uint32_t crc : Crcs) PutU32(block, crc);
  PutU32(block, Crc32(0, block.data(), block.size()));
  WriteArchive(block.data(), block.size());
}

void TCustomPack::OpenSource(const std::string& FileName) {
  if (!DataFile.Open(FileName, platform::OpenMode::Read))
    platform::RaiseLastOSError("Erro abrindo", FileName);
  DataName = FileName;
}

void TCustomPack::CloseSource() { DataFile.Close(); }
