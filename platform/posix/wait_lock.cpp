// The wait lock on POSIX systems: the C++ library's mutex and condition variable, which are
// the system's own here (futexes on Linux).
#include "platform/wait_lock.h"

#include <condition_variable>
#include <mutex>

namespace sorbel {

struct WaitLock::State {
  std::mutex mutex;
  std::condition_variable changed;
};

WaitLock::WaitLock() : state_(std::make_unique<State>()) {}
WaitLock::~WaitLock() = default;

void WaitLock::lock() { state_->mutex.lock(); }
void WaitLock::unlock() { state_->mutex.unlock(); }

void WaitLock::Wait() {
  // The caller holds the mutex; the condition variable takes it over for the wait only.
  std::unique_lock hold(state_->mutex, std::adopt_lock);
  state_->changed.wait(hold);
  hold.release();
}

void WaitLock::WakeAll() { state_->changed.notify_all(); }

}  // namespace sorbel
