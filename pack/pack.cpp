#include "pack/pack.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "pack/paths.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/ui.h"

using namespace pck_format;

namespace {

const char kDiskPrompt[] = "Por favor, insira o pr\xF3ximo disco [";

}  // namespace

TCustomPack::TCustomPack(TComponent* owner) : TComponent(owner), Buffer(kCopyBufferSize) {}

TCustomPack::~TCustomPack() { FreeRawHeader(); }

// --- Runs ----------------------------------------------------------------------------------

bool TCustomPack::Run(std::uint8_t mode, void (TCustomPack::*body)()) {
  ResetState();
  Mode = mode;
  platform::FailCriticalErrors errorMode;
  // The one place a failure ends: it is kept, and named to OnError when it ended an entry. A
  // handler of OnError that raises in turn still leaves the run failed, and goes no further.
  try {
    try {
      ProgressStart();
      (this->*body)();
      ProgressDone();
    } catch (const std::exception& e) {
      FailureCause = std::current_exception();
      LastError = e.what();
      if (!EntryTarget.empty()) ReportError(e);
    }
  } catch (...) {
    // A handler of OnError that raised, or something no std::exception: the latter stops the
    // run without a message of its own.
    if (!FailureCause) {
      FailureCause = std::current_exception();
      LastError = EAbort().what();
    }
  }
  if (FailureCause) AbandonVolume();
  FinishRun();
  return !FailureCause;
}

void TCustomPack::WrongVolume() const {
  throw EPackException(EPackException::TKind::WrongVolume, "Volume inesperado: " + PackFileName,
                       PackFileName);
}

void TCustomPack::ReportError(const std::exception& e) {
  if (!OnError) return;
  if (const auto* known = dynamic_cast<const Exception*>(&e))
    OnError(this, *known, EntryTarget);
  else
    OnError(this, Exception(e.what()), EntryTarget);
}

void TCustomPack::AbandonVolume() {
  CloseArchive();
  if (Mode == kModeCreate && VolumeCreated) platform::RemoveFile(PackFileName);
  VolumeCreated = false;
}

void TCustomPack::ResetState() {
  Signature = {};
  Stamp = 0;
  Volume = 0;
  List.clear();
  Entry.Clear();
  Version = 0;
  Sums.Clear();
  WrittenPaths.clear();
  EntryIndex = -1;
  EntryTarget.clear();
  LastError.clear();
  FailureCause = nullptr;
  SumsAhead = Truncated = HashHead = VolumeCreated = false;
  HeaderCount = 0;
}

std::size_t TCustomPack::EntriesInArchive() const {
  if (Sums.Loaded()) return Sums.Count();
  if (Version == 2) return HeaderCount > 0 ? static_cast<std::size_t>(HeaderCount) : 0;
  return List.size();
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

void TCustomPack::ProgressStep() {
  if (!OnProgress) return;
  bool cancel = false;
  try {
    std::int64_t percent = 0;
    if (Mode == kModeCreate) {
      // Writing: the share of entries stored so far.
      if (FileCount > 0) percent = std::max<std::int64_t>(EntryIndex, 0) * 100 / FileCount;
    } else if (ArchiveSize > 0) {
      percent = ArchivePos * 100 / ArchiveSize;
    }
    percent = std::clamp<std::int64_t>(percent, 0, 100);
    OnProgress(this, Entry.FileName, static_cast<std::int32_t>(percent), cancel);
  } catch (...) {
    cancel = true;  // a handler that fails asks to stop as Cancel does
  }
  if (cancel) throw EAbort();
}

void TCustomPack::ProgressDone() {
  bool cancel = false;
  if (OnProgress) OnProgress(this, std::string(), 100, cancel);
}

// --- Both directions ---------------------------------------------------------------------

bool TCustomPack::IsSafeEntryName(const std::string& name) {
  // One leading backslash is part of the format; what remains must be a relative path of
  // plain names, or the entry could be written anywhere. A "/" is no separator of the format
  // but is one to Windows and to every other system: such a name would be another file's, so
  // it is refused, as everything Windows forbids in names is.
  std::string rest = !name.empty() && name.front() == '\\' ? name.substr(1) : name;
  if (rest.empty()) return false;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    // Windows drops trailing dots and spaces, so "..." and ".. " mean "..", too. An empty
    // part (a doubled or a last backslash) names no file.
    if (part.empty() ||
        (part.find("..") != std::string::npos && part.find_first_not_of(". ") == std::string::npos))
      return false;
    start = end + 1;
  }
  for (unsigned char c : rest)
    if (c < 0x20 || std::strchr(":*?\"<>|/", c)) return false;
  return true;
}

void TCustomPack::CheckEntryName(const std::string& name) const {
  if (!IsSafeEntryName(name)) throw EPackEntryName(name);
}

void TCustomPack::NextVolume() {
  // Writing, the volume just closed stays the one a failed run deletes: the archive it begins
  // is incomplete.
  CloseArchive();
  if (Volume == std::numeric_limits<std::uint16_t>::max()) throw EPackCorrupt(PackFileName);
  ++Volume;
  while (true) {
    if (!IsRemovableDrive(PackFileName, Mode != kModeCreate)) {
      // Reading, no other volume can come: the archive is cut, or this is one disk of a set
      // read where the others are not.
      if (Mode == kModeCreate) throw EAbort();
      Truncated = true;
      throw EPackVolumeEnds(PackFileName);
    }
    std::string prompt = kDiskPrompt + std::to_string(Volume) + "]";
    if (platform::ShowMessage(prompt, platform::MsgType::Information,
                              platform::mbOK | platform::mbCancel) != platform::mrOk)
      throw EAbort();
    try {
      if (Mode == kModeCreate)
        CreateVolume();
      else
        OpenVolume();
      return;
    } catch (const std::exception&) {
      // A wrong or unreadable disk is asked for again; a volume begun on it goes.
      const bool begun = ArchiveFile.IsOpen();
      CloseArchive();
      if (begun && Mode == kModeCreate && VolumeCreated) platform::RemoveFile(PackFileName);
    }
  }
}
