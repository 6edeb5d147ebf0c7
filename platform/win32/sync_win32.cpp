#include "platform/sync.h"

#include <windows.h>

namespace platform {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

namespace {

PSRWLOCK Srw(void*& lock) { return reinterpret_cast<PSRWLOCK>(&lock); }

}  // namespace

void Mutex::lock() { AcquireSRWLockExclusive(Srw(lock_)); }
bool Mutex::try_lock() { return TryAcquireSRWLockExclusive(Srw(lock_)) != 0; }
void Mutex::unlock() { ReleaseSRWLockExclusive(Srw(lock_)); }

void ConditionVariable::wait(std::unique_lock<Mutex>& held) {
  SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&condition_),
                            Srw(held.mutex()->lock_), INFINITE, 0);
}

void ConditionVariable::notify_one() {
  WakeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&condition_));
}

void ConditionVariable::notify_all() {
  WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&condition_));
}

}  // namespace platform
