#include "tools/pck/workers.h"

namespace pck {

Workers::Workers(int count) {
  for (int i = 0; i < count; ++i) threads_.emplace_back([this, i] { Serve(i); });
}

Workers::~Workers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  ready_.notify_all();
  for (std::thread& t : threads_) t.join();
}

std::future<void> Workers::Submit(std::function<void(int worker)> job) {
  std::packaged_task<void(int)> task(std::move(job));
  std::future<void> done = task.get_future();
  if (threads_.empty()) {
    task(0);
    return done;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(task));
  }
  ready_.notify_one();
  return done;
}

void Workers::Serve(int worker) {
  while (true) {
    std::packaged_task<void(int)> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task(worker);
  }
}

int DefaultJobs() {
  unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace pck
