// The wait lock on Windows: an SRW lock and a condition variable. MinGW's std::mutex and
// std::condition_variable are winpthreads', whose waits go through kernel objects (under Wine
// a round trip to wineserver each); these wait on an address instead.
#include "platform/wait_lock.h"

#include <windows.h>

namespace sorbel {

struct WaitLock::State {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
};

WaitLock::WaitLock() : state_(std::make_unique<State>()) {}
WaitLock::~WaitLock() = default;

void WaitLock::lock() { ::AcquireSRWLockExclusive(&state_->lock); }
void WaitLock::unlock() { ::ReleaseSRWLockExclusive(&state_->lock); }

void WaitLock::Wait() { ::SleepConditionVariableSRW(&state_->changed, &state_->lock, INFINITE, 0); }

void WaitLock::WakeAll() { ::WakeAllConditionVariable(&state_->changed); }

}  // namespace sorbel
