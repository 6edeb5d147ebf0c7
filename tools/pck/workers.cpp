#include "tools/pck/workers.h"

#include <future>

namespace pck {

void Workers::Job::Run(int worker) {
  std::exception_ptr raised;
  try {
    run(worker);
  } catch (...) {
    raised = std::current_exception();
  }
  run = nullptr;  // what the job captured goes before anyone is told it is done
  Finish(std::move(raised));
}

void Workers::Job::Finish(std::exception_ptr raised) {
  {
    std::lock_guard<platform::Mutex> lock(mutex);
    error = std::move(raised);
    done = true;
  }
  finished.notify_all();
}

bool Workers::Pending::Ready() const {
  std::lock_guard<platform::Mutex> lock(job_->mutex);
  return job_->done;
}

void Workers::Pending::Get() {
  std::shared_ptr<Job> job = std::move(job_);
  std::unique_lock<platform::Mutex> lock(job->mutex);
  job->finished.wait(lock, [&] { return job->done; });
  if (job->error) std::rethrow_exception(job->error);
}

Workers::Workers(int count) {
  for (int i = 0; i < count; ++i) threads_.emplace_back([this, i] { Serve(i); });
}

Workers::~Workers() {
  std::deque<std::shared_ptr<Job>> dropped;
  {
    std::lock_guard<platform::Mutex> lock(mutex_);
    stopping_ = true;
    dropped.swap(queue_);
  }
  ready_.notify_all();
  for (std::thread& t : threads_) t.join();
  for (const std::shared_ptr<Job>& job : dropped)
    job->Finish(std::make_exception_ptr(std::future_error(std::future_errc::broken_promise)));
}

Workers::Pending Workers::Submit(std::function<void(int worker)> run) {
  auto job = std::make_shared<Job>();
  job->run = std::move(run);
  if (threads_.empty()) {
    job->Run(0);
    return Pending(std::move(job));
  }
  {
    std::lock_guard<platform::Mutex> lock(mutex_);
    queue_.push_back(job);
  }
  ready_.notify_one();
  return Pending(std::move(job));
}

void Workers::Serve(int worker) {
  while (true) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock<platform::Mutex> lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    job->Run(worker);
  }
}

int DefaultJobs() {
  unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace pck
