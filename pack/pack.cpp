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
  bool result = false;
  try {
    ProgressStart();
    (this->*body)();
    result = true;
    ProgressDone();
  } catch (const std::exception& e) {
    Fail(e);
    result = false;
  } catch (...) {
    result = false;
  }
  FinishRun();
  return result;
}

void TCustomPack::Fail(const std::exception& e) {
  // The silent stop only stands for the failure that caused it, when that left no message.
  if (!dynamic_cast<const EAbort*>(&e) || LastError.empty()) LastError = e.what();
}

void TCustomPack::FailEntry(const std::exception& e, const std::string& fileName) {
  Fail(e);
  if (!OnError) return;
  if (const auto* known = dynamic_cast<const Exception*>(&e))
    OnError(this, *known, fileName);
  else
    OnError(this, Exception(e.what()), fileName);
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
  LastError.clear();
  SumsAhead = Truncated = false;
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

// --- Both directions ---------------------------------------------------------------------

void TCustomPack::CheckEntryName(const std::string& name) const {
  // One leading backslash is part of the format; what remains must be a relative path of
  // plain names, or the entry could be written anywhere. A "/" is no separator of the format
  // but is one to Windows and to every other system: such a name would be another file's, so
  // it is refused, as everything Windows forbids in names is.
  std::string rest = !name.empty() && name.front() == '\\' ? name.substr(1) : name;
  if (rest.empty()) throw EPackEntryName(name);
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    // Windows drops trailing dots and spaces, so "..." and ".. " mean "..", too. An empty
    // part (a doubled or a last backslash) names no file.
    if (part.empty() || (part.find("..") != std::string::npos &&
                         part.find_first_not_of(". ") == std::string::npos))
      throw EPackEntryName(name);
    start = end + 1;
  }
  for (unsigned char c : rest)
    if (c < 0x20 || std::strchr(":*?\"<>|/", c)) throw EPackEntryName(name);
}

bool TCustomPack::NextVolume() {
  try {
    CloseArchive();
    if (Volume == std::numeric_limits<std::uint16_t>::max()) throw EPackCorrupt(PackFileName);
    ++Volume;
    while (true) {
      if (!IsRemovableDrive(PackFileName, Mode != 0)) {
        LastError = EPackReadError().what();
        if (Mode != 0) Truncated = true;  // no other volume to come: the archive is cut
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
