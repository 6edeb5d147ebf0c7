// The compressor's work of an archive run spread over workers, with the archive still read and
// written by the engine alone, one entry after the other.
//
// CompressAhead compresses the files of a list into temporary files a few entries ahead of the
// engine storing them; ExpandBehind expands the entries the engine has copied out while it
// copies the next ones, and gives the results back in archive order. Either keeps at most
// jobs + 1 entries in flight, each in a temporary file of its own (PCK*.TMP in the temporary
// directory, listed for the signal handlers), so memory does not grow with the archive. With
// one job everything runs on the caller's thread through one temporary file. A compressed file
// depends only on its input and mode, so an archive is the same byte for byte whatever the
// number of jobs.
//
// Only the caller's thread makes or names files. The workers write through files it opened, and
// the signals that end pck are kept from them: the handler then runs on the caller's thread,
// and no worker can make a file anew behind it once it has deleted the temporary ones.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codecs/lzrw1.h"
#include "platform/file.h"
#include "tools/pck/safe_output.h"
#include "tools/pck/workers.h"

namespace pck {

// A worker's output: a file the caller's thread opened, written where it stands.
class FileOutput final : public TLzrw1Output {
 public:
  explicit FileOutput(platform::File& file) : file_(file) {}
  bool Write(const void* data, std::size_t size) override;

 private:
  platform::File& file_;
};

// The temporary files of a pipeline, each open from the start: the first may be one the caller
// owns (the engine's), the others are made here and deleted with the object.
class TempSlots {
 public:
  TempSlots(std::size_t count, const std::string& first);
  ~TempSlots();
  TempSlots(const TempSlots&) = delete;
  TempSlots& operator=(const TempSlots&) = delete;
  std::size_t Count() const { return paths_.size(); }
  // Raises when no temporary file could be made for the slot.
  const std::string& Path(std::size_t slot) const;
  // The slot's file, open unless it could not be opened; it may be moved out and back.
  platform::File& File(std::size_t slot);

 private:
  std::vector<std::string> paths_;
  std::vector<platform::File> files_;
  std::vector<std::unique_ptr<TrackedPath>> tracked_;
  std::vector<bool> own_;
};

class CompressAhead {
 public:
  // list: the files in the order the engine stores them; it must outlive this object.
  CompressAhead(int jobs, TCompressMode mode, const std::vector<std::string>& list,
                const std::string& engineTemp);
  ~CompressAhead();

  // The compressed form of list[index], named name, once it is ready: an open temporary file at
  // its start; raises what compressing it raised. Asked for in order, each index once, and
  // handed back (GiveBack) before the next is asked for: its slot is then free for an entry
  // further on. Any other index or name raises: one file's bytes are never handed out for
  // another's.
  platform::File Compressed(std::size_t index, const std::string& name);
  void GiveBack(std::size_t index, platform::File file);
  // The name of list[index]'s compressed form, for messages.
  const std::string& PathOf(std::size_t index) const;

 private:
  const std::vector<std::string>& list_;
  TCompressMode mode_;
  TempSlots slots_;
  std::vector<std::unique_ptr<Tlzrw1>> codecs_;
  std::deque<Workers::Pending> pending_;  // the entries under way, the oldest first
  std::size_t submitted_ = 0;
  std::size_t handed_ = 0;    // the entries handed out so far
  SignalsHeld workersStart_;  // the workers start with the signals held, and keep them so
  Workers workers_;           // last: it stops before what its jobs use goes
};

class ExpandBehind {
 public:
  // What an entry's expansion is: expand() runs on a worker with that worker's compressor and
  // the open temporary file holding the entry's compressed bytes from its start; then, on the
  // engine's thread and in archive order, done() after a success, or failed() with what either
  // raised, which tells whether the run goes on.
  struct Job {
    std::function<void(Tlzrw1& codec, platform::File& data)> expand;
    std::function<void()> done;
    std::function<bool(const std::exception& e)> failed;
  };

  ExpandBehind(int jobs, const std::string& engineTemp);
  ~ExpandBehind();

  // An empty temporary file for the next entry's compressed bytes, moved out to the caller;
  // waits for (and finishes) the oldest entry when every slot is in use.
  platform::File Acquire();
  // The name of the temporary file Acquire gave last.
  const std::string& AcquiredPath() const;
  // Hands in the file Acquire gave, now holding the entry's bytes, with what to do with them.
  void Submit(platform::File data, Job job);
  // Takes back the file Acquire gave when the entry's bytes did not arrive whole.
  void GiveBack(platform::File data);
  // Finishes, in order, the entries whose expansion has ended; with wait, every entry handed in.
  // False once an expansion has failed and the run may not go on: the entries after it are then
  // dropped, neither done nor failed, as if the run had stopped at the failure.
  bool Collect(bool wait);
  // What that expansion raised (null while none has stopped the run).
  std::exception_ptr Failure() const { return failure_; }

 private:
  struct Slot {
    Workers::Pending expanded;  // valid while the slot is in use
    Job job;
  };
  void Finish(Slot& slot);

  TempSlots slots_;
  std::vector<Slot> ring_;
  std::vector<std::unique_ptr<Tlzrw1>> codecs_;
  std::size_t next_ = 0;    // the slot Acquire gives next
  std::size_t oldest_ = 0;  // the oldest slot in use
  std::size_t inUse_ = 0;
  std::exception_ptr failure_;
  SignalsHeld workersStart_;
  Workers workers_;
};

}  // namespace pck
