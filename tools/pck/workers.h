// A fixed set of threads that run jobs in the order they were handed in.
//
// Each job is told which worker runs it (0 .. Count()-1), so it can use that worker's own
// compressor: a codec object is not shared between threads. Submit returns the job's future;
// its get() gives the job's exception, of its own type, to the thread that waits for it.
// A set of no threads runs each job on the caller's thread as it is handed in, worker 0.
// Destroying the set waits for the jobs running and drops those not yet begun: their futures
// then hold a broken promise.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace pck {

class Workers {
 public:
  explicit Workers(int count);
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  // The number of workers a job may be told, at least one.
  int Count() const { return threads_.empty() ? 1 : static_cast<int>(threads_.size()); }
  std::future<void> Submit(std::function<void(int worker)> job);

 private:
  void Serve(int worker);

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::packaged_task<void(int)>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// The -j default: one worker per core the system reports (at least one).
int DefaultJobs();

}  // namespace pck
