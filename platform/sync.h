// A mutex and a condition variable for threads that hand work to each other, with the members
// of std::mutex and std::condition_variable (so std::unique_lock and std::lock_guard take them).
//
// Elsewhere they are the standard ones. On Windows they are the system's slim reader/writer lock
// and condition variable: the C++ runtime's there emulate POSIX threads with kernel semaphores,
// and under Wine every wait and every wake-up on those is a round trip to the server, several
// times what the hand-over of one small file's work is worth.
#pragma once

#include <mutex>

#ifdef _WIN32

namespace platform {

class Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void lock();
  bool try_lock();
  void unlock();

 private:
  friend class ConditionVariable;
  void* lock_ = nullptr;  // an SRWLOCK, one pointer that starts out null
};

class ConditionVariable {
 public:
  ConditionVariable() = default;
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;
  // Releases held's mutex, waits for a notification (or wakes spuriously) and locks it again.
  void wait(std::unique_lock<Mutex>& held);
  template <class Predicate>
  void wait(std::unique_lock<Mutex>& held, Predicate ready) {
    while (!ready()) wait(held);
  }
  void notify_one();
  void notify_all();

 private:
  void* condition_ = nullptr;  // a CONDITION_VARIABLE, one pointer that starts out null
};

}  // namespace platform

#else

#include <condition_variable>

namespace platform {

using Mutex = std::mutex;
using ConditionVariable = std::condition_variable;

}  // namespace platform

#endif
