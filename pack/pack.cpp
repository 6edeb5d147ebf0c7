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
  } catch (...) {
    Fail(std::current_exception());
    result = false;
  }
  FinishRun();
  return result;
}

void TCustomPack::Keep(std::exception_ptr failure) {
  LastFailure = failure;
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    LastError = e.what();
  } catch (...) {
    LastError = EAbort().what();
  }
}

void TCustomPack::Fail(std::exception_ptr failure) {
  // The silent stop only stands for the failure that caused it, when that left no message.
  try {
    std::rethrow_exception(failure);
  } catch (const EAbort&) {
    if (!LastError.empty()) return;
  } catch (...) {
  }
  Keep(failure);
}

void TCustomPack::WrongVolume() {
  Keep(std::make_exception_ptr(EPackException(EPackException::TKind::WrongVolume,
                                              "Volume inesperado: " + PackFileName, PackFileName)));
}

void TCustomPack::FailEntry(std::exception_ptr failure, const std::string& fileName) {
  Fail(failure);
  if (!OnError) return;
  try {
    std::rethrow_exception(failure);
  } catch (const Exception& e) {
    OnError(this, e, fileName);
  } catch (const std::exception& e) {
    OnError(this, Exception(e.what()), fileName);
  } catch (...) {
    OnError(this, EAbort(), fileName);
  }
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
  LastFailure = nullptr;
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
  if (cancel && LastError.empty()) Keep(std::make_exception_ptr(EAbort()));
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
        // No other volume to come: the archive is cut, or this is one disk of a set read
        // where the others are not.
        Keep(std::make_exception_ptr(EPackVolumeEnds(PackFileName)));
        if (Mode != 0) Truncated = true;
        return false;
      }
      std::string prompt = kDiskPrompt + std::to_string(Volume) + "]";
      if (platform::ShowMessage(prompt, platform::MsgType::Information,
                                platform::mbOK | platform::mbCancel) != platform::mrOk) {
        Keep(std::make_exception_ptr(EAbort()));
        return false;
      }
      if (Mode == 0 ? CreateVolume() : OpenVolume()) return true;
    }
  } catch (...) {
    Keep(std::current_exception());
    return false;
  }
}
