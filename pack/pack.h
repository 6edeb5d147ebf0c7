// TCustomPack: the .PCK archive engine (format in pack/format.h).
//
// Reading: Extract (or Process with mode 3 to list) opens PackFileName, checks the volume
// header and the password, and walks the entries: each selected one (Items and Excludes, masks
// joined to Directory) is copied into its target under Directory, the others are skipped.
// When an entry's data runs past the end of the volume file and the archive lies on a removable
// drive, the engine asks for the next disk with a modal box ("Por favor, insira o próximo disco
// [n]") and goes on with the next volume. A run never raises: it returns false on any failure,
// reports a failed entry through OnError, and always closes what it opened.
//
// A failure travels one way: the steps raise, and the run (Run) alone turns what reaches it into
// the false result, ErrorMessage, Failure and, when it ended an entry, OnError. Only the disk
// prompt catches on the way: a wrong or unreadable disk is asked for again.
//
// Writing: Create builds the list of files from Items and Excludes (BuildList), writes the
// volume and archive headers and one entry per file, cutting volumes by VolumeSize or the free
// space of a removable disk and asking for the next disk the same way.
//
// Entry names never leave Directory: a name with a ".." component, a drive, a second leading
// backslash, an absolute path or a character Windows forbids in names is refused through
// OnError, and nothing is written for it.
//
// Subclasses change how an entry's bytes become the extracted file (CreateTarget, CloseTarget)
// and how a stored file becomes the entry's bytes (OpenSource, CloseSource); TPackLz in
// pack/pack_lz.h stores every file compressed.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "pack/checksums.h"
#include "pack/format.h"
#include "pack/pack_events.h"
#include "platform/component.h"
#include "platform/exception.h"
#include "platform/file.h"

// The messages are the setup program's, exactly; what went wrong is also told by Kind, and the
// file or entry by FileName, for a program that words it otherwise.
class EPackException : public Exception {
 public:
  enum class TKind : std::uint8_t {
    ReadError,           // the data could not be read
    VolumeEnds,          // an entry goes on past its volume, and no next disk can be asked for
    Corrupt,             // EPackCorrupt
    Password,            // EPackPassword
    FileName,            // EPackFileName
    EntryName,           // EPackEntryName
    NotAnArchive,        // the file has no archive signature
    WrongVolume,         // a volume of another archive, or not the one due
    VolumeTooSmall,      // a volume cannot hold what must go on it whole
    TooManyHeaderLines,  // more header lines than an archive holds
    FileTooLarge,        // a file of 2 GB or more to store
  };
  EPackException(TKind kind, const std::string& message, std::string fileName = {})
      : Exception(message), Kind(kind), FileName(std::move(fileName)) {}
  TKind Kind;
  std::string FileName;  // the archive, volume, entry or file it concerns, or empty
};

class EPackReadError : public EPackException {
 public:
  EPackReadError() : EPackException(TKind::ReadError, "Erro lendo dados") {}

 protected:
  using EPackException::EPackException;
};

// An entry's data goes on past the end of its volume file, on a drive that cannot be asked for
// the next disk: the first volume of a set read where the set is not.
class EPackVolumeEnds : public EPackReadError {
 public:
  explicit EPackVolumeEnds(const std::string& volume)
      : EPackReadError(TKind::VolumeEnds, "Erro lendo dados", volume) {}
};

// Stored data whose checksum does not match, or an entry record that cannot be right.
class EPackCorrupt : public EPackReadError {
 public:
  explicit EPackCorrupt(const std::string& fileName)
      : EPackReadError(TKind::Corrupt, "Dados corrompidos: " + fileName, fileName) {}
};

class EPackPassword : public EPackException {
 public:
  EPackPassword() : EPackException(TKind::Password, "Senha inv\xE1lida") {}
};

class EPackFileName : public EPackException {
 public:
  EPackFileName() : EPackException(TKind::FileName, "PackFileName inv\xE1lido") {}
};

// An entry name that would land outside Directory, or cannot be a file name, or is too long.
class EPackEntryName : public EPackException {
 public:
  explicit EPackEntryName(const std::string& fileName)
      : EPackException(TKind::EntryName, "Nome de arquivo inv\xE1lido: " + fileName, fileName) {}
};

enum class TPathOption : std::uint8_t { poNone, poFullPath, poRelative };

class TCustomPack : public TComponent {
 public:
  explicit TCustomPack(TComponent* owner = nullptr);
  ~TCustomPack() override;

  // The run modes (Mode): Create writes, Process(kModeList) lists, Extract is kModeExtract; any
  // other mode only opens the archive and reads its header.
  static constexpr std::uint8_t kModeCreate = 0;
  static constexpr std::uint8_t kModeList = 3;
  static constexpr std::uint8_t kModeExtract = 4;

  // --- Properties -----------------------------------------------------------------------
  std::string PackFileName;           // path of the archive, the same for every volume
  std::string Directory;              // entry names and masks are relative to it
  std::string Password;               // offered for (or written into) a version-2 archive
  std::vector<std::string> Items;     // masks to extract or to store; empty extracts all
  std::vector<std::string> Excludes;  // masks to leave out
  std::vector<std::string> List;      // after a run: every entry read, or every file to store
  std::vector<std::string> Header;    // header text lines of a version-2 archive
  std::int32_t Offset = 0;            // start of the archive inside its first file
  TPathOption PathOption = TPathOption::poNone;  // how Create names stored files
  // Writing: the largest volume file in bytes (for volume 1 counted from Offset); 0 means as
  // large as the disk holds, and unlimited on a fixed disk.
  std::int64_t VolumeSize = 0;
  // Writing: append the checksum block after the last entry (version 2 only).
  bool Checksums = false;
  // Writing: the Stamp of the new archive instead of one from the clock (0: the clock), so the
  // same files can give the same bytes again.
  double FixedStamp = 0;
  // Writing: the latest last-write time stored (MS-DOS date/time; 0: no limit). Later file
  // times are stored as this one.
  std::int32_t LatestTime = 0;
  // Listing: how many bytes of each entry's data OnPeek receives (0: none are read; at most
  // 8192).
  std::size_t PeekSize = 0;

  // --- Events ---------------------------------------------------------------------------
  TOnProgress OnProgress;   // empty name and 0 at the start, each entry, empty name and 100
  TOnPassword OnPassword;   // may supply Password before it is compared
  TNotifyEvent OnPrepared;  // after the entries were walked, or the list to store was built
  TOnList OnList;           // once per entry read
  TOnPeek OnPeek;           // listing with PeekSize > 0: once per entry, after OnList
  TNotifyEvent OnReadHeader;
  TNotifyEvent OnWriteHeader;  // before the archive header is written; may fill Header
  TOnIO OnOpen;                // before a target is created; may change its path
  TOnIO OnClose;               // after the target has been closed
  TOnError OnError;            // an entry failed; the run then returns false

  // --- Runs -----------------------------------------------------------------------------
  // Extracts every selected entry; true on success. Never raises. May be called again.
  bool Extract();
  // kModeList lists (entries read, data skipped), kModeExtract extracts; any other mode only
  // opens the archive and reads its header.
  bool Process(std::uint8_t Mode);
  // Writes the archive PackFileName from the files BuildList finds; true on success. Never
  // raises. A volume left incomplete by a failure is deleted (unless it began at Offset).
  bool Create();
  // Fills List with the full path of every file Items finds under Directory, less Excludes,
  // then fires OnPrepared. Subdirectories are not searched.
  virtual void BuildList();

  // --- State of the last run ------------------------------------------------------------
  std::int32_t GetFileCount() const { return FileCount; }
  std::uint16_t GetVolume() const { return Volume; }
  std::uint8_t GetVersion() const { return Version; }
  double GetStamp() const { return Stamp; }
  std::int32_t GetReserved() const { return Reserved; }
  const std::string& GetStoredPassword() const { return StoredPassword; }
  const std::vector<std::uint8_t>& GetRawHeader() const { return RawHeader; }
  // The message of what ended the last run unsuccessfully (empty after a success).
  const std::string& ErrorMessage() const { return LastError; }
  // What ended it, as raised (null after a success), for a caller that words it otherwise: its
  // type and Kind tell the failure (EPackPassword, EPackVolumeEnds, EInOutError, EAbort, ...).
  const std::exception_ptr& ErrorException() const { return FailureCause; }
  // Whether the last run met the end of the archive where more of it was due: a cut archive.
  bool Cut() const { return Truncated; }
  // The number of entries the archive was written with, as far as the last run could tell: the
  // checksum block's, else the archive header's, else the number read.
  std::size_t EntriesInArchive() const;

 protected:
  // --- Overridable steps ----------------------------------------------------------------
  virtual bool MatchEntry();
  virtual void OpenRead();
  virtual void OpenWrite();
  virtual void CloseArchive();
  // Opens FileName as DataFile for storing.
  virtual void OpenSource(const std::string& FileName);
  virtual void CloseSource();
  // Prepares DataFile to receive the current entry's data for Target.
  virtual void CreateTarget(const std::string& Target);
  // Closes DataFile and finishes Target. Complete is false when the copy failed: then no
  // shortened file may be left looking complete.
  virtual void CloseTarget(const std::string& Target, bool Complete);
  // Whether FileName will be stored with at least one data byte (volume cutting looks ahead
  // over entries without data).
  virtual bool StoresData(const std::string& FileName);
  // After every run, whatever its outcome; releases what the run kept for its entries.
  virtual void FinishRun() {}
  // Whether a run goes on after an entry found damaged (a checksum that differs, a name that
  // cannot be extracted), one whose data was read whole but whose target could not be made,
  // or a damaged archive header, with the next entry; otherwise it stops there. Either way
  // OnError has named it.
  virtual bool GoesOnAfterDamage() const { return false; }
  // Reading: the file holding the archive's last volume when it can be told before the run
  // gets there (a set of disks in folders), so that its checksum block is read first; empty
  // when it cannot.
  virtual std::string LastVolumeName() { return std::string(); }
  // For subclasses that work on entries out of line (expanding behind the reading, compressing
  // ahead of the writing): after each entry read (extracted, skipped or listed) or stored, named
  // as stored; and once after the last entry, before the checksum block is read or written.
  // What they raise fails the run like any step.
  virtual void AfterEntry(const std::string& FileName) { (void)FileName; }
  virtual void BeforeTrailer() {}

  // --- Steps shared with subclasses -----------------------------------------------------
  void CreateVolume();
  void WriteHeader();
  bool IsSameVolume();
  void NextVolume();
  void ResetState();
  void DoPrepared();  // fires OnPrepared, then FileCount := the number of lines in List
  // The name a file of List is stored under, by PathOption.
  std::string StoredName(const std::string& path) const;

  platform::File DataFile;
  std::string DataName;  // path of DataFile, for error messages
  TEntry Entry;
  std::uint8_t Mode = 0;
  std::uint16_t Volume = 0;
  std::uint8_t Version = 0;
  std::int32_t FileCount = 0;
  std::int32_t Reserved = 0;
  double Stamp = 0;
  pck_format::Signature Signature{};
  std::string StoredPassword;
  std::vector<std::uint8_t> RawHeader;
  // The entry of List being stored (Create), or the number of entries read less one.
  std::int32_t EntryIndex = 0;

 private:
  static constexpr std::size_t kCopyBufferSize = 8192;

  // Runs body as mode after resetting the state; the result of Extract, Process and Create.
  bool Run(std::uint8_t mode, void (TCustomPack::*body)());
  // Closes the open volume after a failure; one this run was writing is deleted.
  void AbandonVolume();
  // What fails the entry EntryTarget (or the archive's head) alone, the stream still in step:
  // the run goes on past it when GoesOnAfterDamage, with OnError naming it, and fails with it
  // otherwise.
  void EntryFailed(const std::exception_ptr& failure);
  // OnError with e for EntryTarget.
  void ReportError(const std::exception& e);
  // Raises "not the volume due" for PackFileName.
  [[noreturn]] void WrongVolume() const;
  static bool IsSafeEntryName(const std::string& name);
  void CheckEntryName(const std::string& name) const;
  void ProgressStart();
  void ProgressStep();  // raises EAbort when the handler cancels
  void ProgressDone();

  // Reading (pack_read.cpp).
  void ReadEntries();
  void CheckPassword();
  bool NextEntry();
  void FreeRawHeader();
  void ReadHeader();
  void OpenVolume();
  void SkipData(std::int64_t n);
  void PeekData();
  void ReadData(std::uint8_t* buf, std::uint16_t n);
  void WriteData(const std::uint8_t* buf, std::uint16_t n);
  void ExtractEntry();
  // Closes the target of an entry whose bytes did not all arrive; OnClose if that succeeded.
  void AbandonTarget();
  void LocateChecksums();
  void VerifyChecksums();
  void ArchiveDamaged();
  void ReadArchive(void* data, std::size_t size);

  // Writing (pack_write.cpp).
  void WriteEntries();
  void WriteEntry(std::size_t index);
  void WriteChecksums();
  void WriteArchive(const void* data, std::size_t size);
  std::int64_t VolumeRoom() const;

  platform::File ArchiveFile;
  std::int64_t ArchivePos = 0;            // position in the open volume file
  std::int64_t ArchiveSize = 0;           // its size, when reading
  std::int64_t VolumeStart = 0;           // where the open volume begins in its file (Offset or 0)
  std::int64_t VolumeLimit = 0;           // writing: position the open volume must not pass
  bool VolumeCreated = false;             // writing: the open volume file was made by this run
  std::vector<std::string> WrittenPaths;  // writing: where this run has begun volumes
  std::uint32_t EntryCrc = 0;             // reading: checksum of the current entry's data so far
  std::uint32_t RecordCrc = 0;            // reading: checksum of the current entry's record
  std::uint32_t EntryFullCrc = 0;         // reading: of its record and its data so far
  std::uint32_t HeadCrc = 0;     // reading: of the volume header of volume 1 and archive header
  bool HashHead = false;         // reading: the bytes read now belong to the head
  bool SumsAhead = false;        // reading: the checksum block was found before the entries
  bool Truncated = false;        // reading: the archive ended where more of it was due
  std::int32_t HeaderCount = 0;  // reading: FileCount as the archive header gave it
  TChecksums Sums;               // entries read, or stored, for the checksum block
  std::vector<std::int64_t> Trailing;  // writing: bytes that must follow each entry's data
  std::string EntryTarget;  // the entry under way, as OnError names it; empty between entries
  std::string LastError;
  std::exception_ptr FailureCause;
  std::vector<std::uint8_t> Buffer;  // copy buffer of kCopyBufferSize bytes
};
