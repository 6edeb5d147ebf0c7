#include "tools/pck/lz_pipeline.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/tempfile.h"

namespace pck {
namespace {

// One compressor per worker, and one for the caller's thread when there are none.
std::vector<std::unique_ptr<Tlzrw1>> Codecs(int count) {
  std::vector<std::unique_ptr<Tlzrw1>> codecs;
  for (int i = 0; i < std::max(count, 1); ++i) codecs.push_back(std::make_unique<Tlzrw1>());
  return codecs;
}

// One job runs on the caller's thread: a thread of its own would only add the hand-over.
int Threads(int jobs) { return jobs > 1 ? jobs : 0; }

// Entries in flight: the one the engine is reading or writing, and four per worker, so a worker
// that is done with a small file finds the next one even while a large one holds the others up.
std::size_t SlotCount(int jobs) { return jobs > 1 ? 4 * static_cast<std::size_t>(jobs) + 1 : 1; }

}  // namespace

bool FileOutput::Write(const void* data, std::size_t size) {
  return file_.Write(data, size) == static_cast<std::int64_t>(size);
}

// --- TempSlots -------------------------------------------------------------------------------

TempSlots::TempSlots(std::size_t count, const std::string& first) {
  for (std::size_t i = 0; i < count; ++i) {
    bool own = i > 0 || first.empty();
    SignalsHeld hold;  // a file made and not yet listed would outlive a signal
    paths_.push_back(own ? platform::CreateTempFile(platform::TempDirectory(), "PCK") : first);
    own_.push_back(own && !paths_.back().empty());
    tracked_.push_back(std::make_unique<TrackedPath>(own_.back() ? paths_.back() : ""));
    files_.emplace_back();
    if (!paths_.back().empty()) files_.back().Open(paths_.back(), platform::OpenMode::ReadWrite);
  }
}

TempSlots::~TempSlots() {
  files_.clear();  // closed first: Windows deletes no open file
  for (std::size_t i = 0; i < paths_.size(); ++i)
    if (own_[i]) platform::RemoveFile(paths_[i]);
}

const std::string& TempSlots::Path(std::size_t slot) const {
  if (paths_[slot].empty())
    platform::RaiseIOError(platform::IoAction::Create, platform::TempDirectory() + "PCK*.TMP",
                           platform::IoFault::NoTempName);
  return paths_[slot];
}

platform::File& TempSlots::File(std::size_t slot) { return files_[slot]; }

// --- CompressAhead ---------------------------------------------------------------------------

CompressAhead::CompressAhead(int jobs, TCompressMode mode, const std::vector<std::string>& list,
                             const std::string& engineTemp)
    : list_(list),
      mode_(mode),
      slots_(SlotCount(jobs), engineTemp),
      codecs_(Codecs(Threads(jobs))),
      workers_(Threads(jobs)) {
  workersStart_.Release();
}

CompressAhead::~CompressAhead() = default;

platform::File CompressAhead::Compressed(std::size_t index, const std::string& name) {
  if (index != handed_ || index >= list_.size() || list_[index] != name)
    throw Exception("the file to store, " + name + ", is not the one compressed next, " +
                    (handed_ < list_.size() ? list_[handed_] : std::string("(none)")));
  ++handed_;
  // Each slot's file is free again once the entry before index is stored, so up to a slot
  // count of entries from index on may be under way.
  std::size_t end = std::min(list_.size(), index + slots_.Count());
  for (; submitted_ < end; ++submitted_) {
    std::size_t entry = submitted_;
    const std::string& name = slots_.Path(entry % slots_.Count());
    platform::File& dest = slots_.File(entry % slots_.Count());
    pending_.push_back(workers_.Submit([this, entry, &name, &dest](int worker) {
      Tlzrw1& codec = *codecs_[static_cast<std::size_t>(worker)];
      codec.InputFile = list_[entry];
      codec.OutputFile = name;
      codec.CompressMode = mode_;
      // Written over from the start and cut after, never emptied first: some file systems
      // write out a file's old blocks when it is cut to nothing and written again.
      if (!dest.Seek(0)) platform::RaiseLastOSError(platform::IoAction::Seek, name);
      FileOutput sink(dest);
      codec.Compress(sink);
      if (!dest.Truncate() || !dest.Seek(0))
        platform::RaiseLastOSError(platform::IoAction::Write, name);
    }));
  }
  Workers::Pending ready = std::move(pending_.front());
  pending_.pop_front();
  ready.Get();
  return std::move(slots_.File(index % slots_.Count()));
}

void CompressAhead::GiveBack(std::size_t index, platform::File file) {
  slots_.File(index % slots_.Count()) = std::move(file);
}

const std::string& CompressAhead::PathOf(std::size_t index) const {
  return slots_.Path(index % slots_.Count());
}

// --- ExpandBehind ----------------------------------------------------------------------------

ExpandBehind::ExpandBehind(int jobs, const std::string& engineTemp)
    : slots_(SlotCount(jobs), engineTemp),
      ring_(slots_.Count()),
      codecs_(Codecs(Threads(jobs))),
      workers_(Threads(jobs)) {
  workersStart_.Release();
}

ExpandBehind::~ExpandBehind() = default;

platform::File ExpandBehind::Acquire() {
  while (ring_[next_].expanded.Valid()) Finish(ring_[oldest_]);
  platform::File& file = slots_.File(next_);
  if (!file.Seek(0)) platform::RaiseLastOSError(platform::IoAction::Seek, slots_.Path(next_));
  return std::move(file);
}

const std::string& ExpandBehind::AcquiredPath() const { return slots_.Path(next_); }

void ExpandBehind::Submit(platform::File data, Job job) {
  Slot& slot = ring_[next_];
  platform::File& file = slots_.File(next_) = std::move(data);
  // What an earlier, longer entry left beyond this one's bytes is cut off.
  if (!file.Truncate() || !file.Seek(0))
    platform::RaiseLastOSError(platform::IoAction::Write, slots_.Path(next_));
  slot.job = std::move(job);
  slot.expanded = workers_.Submit([this, &slot, &file](int worker) {
    slot.job.expand(*codecs_[static_cast<std::size_t>(worker)], file);
  });
  next_ = (next_ + 1) % ring_.size();
  ++inUse_;
}

void ExpandBehind::GiveBack(platform::File data) { slots_.File(next_) = std::move(data); }

void ExpandBehind::Finish(Slot& slot) {
  try {
    slot.expanded.Get();
    if (!failure_) slot.job.done();
  } catch (const std::exception& e) {
    if (!failure_ && !slot.job.failed(e)) failure_ = std::current_exception();
  }
  slot.job = Job();
  oldest_ = (oldest_ + 1) % ring_.size();
  --inUse_;
}

bool ExpandBehind::Collect(bool wait) {
  while (inUse_ > 0) {
    Slot& slot = ring_[oldest_];
    if (!wait && !slot.expanded.Ready()) break;
    Finish(slot);
  }
  return !failure_;
}

}  // namespace pck
