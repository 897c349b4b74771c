// WaitLock: a lock with one condition to wait on under it, for threads that hand work to each
// other many times a second; the system's own where the C++ library's cost more.
#pragma once

#include <memory>

namespace sorbel {

// Lockable as std::mutex is (std::lock_guard, std::unique_lock); never fails.
class WaitLock {
 public:
  WaitLock();
  ~WaitLock();
  WaitLock(const WaitLock&) = delete;
  WaitLock& operator=(const WaitLock&) = delete;

  void lock();
  void unlock();

  // With the lock held: lets it go until `done()` may have changed, and returns holding it
  // again once `done()` is true.
  template <typename Done>
  void WaitUntil(Done done) {
    while (!done()) Wait();
  }
  // Wakes every thread waiting in WaitUntil to look again; with the lock held or not.
  void WakeAll();

 private:
  void Wait();  // with the lock held; may return without a wake-up

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sorbel
