// A fixed set of threads that run jobs in the order they were handed in.
//
// Each job is told which worker runs it (0 .. Count()-1), so it can use that worker's own
// compressor: a codec object is not shared between threads. Submit returns the job's Pending;
// its Get() gives the job's exception, of its own type, to the thread that waits for it.
// A set of no threads runs each job on the caller's thread as it is handed in, worker 0.
// Destroying the set waits for the jobs running and drops those not yet begun: their Pending
// then holds a broken promise (std::future_error).
//
// The hand-overs go through platform::Mutex and platform::ConditionVariable rather than
// std::future: a future waits and wakes through the C++ runtime's own, which under Wine cost a
// round trip to the server each, and there are two hand-overs per entry of an archive.
#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/sync.h"

namespace pck {

class Workers {
  struct Job;

 public:
  // What a submitted job becomes; it may outlive the set.
  class Pending {
   public:
    Pending() = default;
    // True from Submit until Get.
    bool Valid() const { return job_ != nullptr; }
    // True once the job has run or been dropped, without waiting.
    bool Ready() const;
    // Waits until the job has run or been dropped, makes this invalid and raises what the job
    // raised.
    void Get();

   private:
    friend class Workers;
    explicit Pending(std::shared_ptr<Job> job) : job_(std::move(job)) {}
    std::shared_ptr<Job> job_;
  };

  explicit Workers(int count);
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  // The number of workers a job may be told, at least one.
  int Count() const { return threads_.empty() ? 1 : static_cast<int>(threads_.size()); }
  Pending Submit(std::function<void(int worker)> job);

 private:
  struct Job {
    std::function<void(int)> run;
    platform::Mutex mutex;  // guards what follows
    platform::ConditionVariable finished;
    bool done = false;
    std::exception_ptr error;
    // Runs the job on worker, then finishes it with what it raised.
    void Run(int worker);
    void Finish(std::exception_ptr raised);
  };
  void Serve(int worker);

  platform::Mutex mutex_;  // guards the queue and stopping_
  platform::ConditionVariable ready_;
  std::deque<std::shared_ptr<Job>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// The -j default: one worker per core the system reports (at least one).
int DefaultJobs();

}  // namespace pck
