// Locks and the bridge to the host's user-interface thread.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>

namespace tarnq::platform {

// The lock of a store (settings, packed stores, the result list). Re-entrant: the owning thread may
// take it again. Data operations wait for it; only work that loses nothing when skipped (a repaint)
// may use TryLockFor.
class StoreLock {
 public:
  void Lock() { m_mutex.lock(); }
  void Unlock() { m_mutex.unlock(); }
  bool TryLockFor(std::chrono::milliseconds wait) { return m_mutex.try_lock_for(wait); }
  // Lockable, so std::lock_guard / std::unique_lock work.
  void lock() { Lock(); }
  void unlock() { Unlock(); }
  bool try_lock() { return m_mutex.try_lock(); }

 private:
  std::recursive_timed_mutex m_mutex;
};
using StoreGuard = std::lock_guard<StoreLock>;

// Runs a function on the host's user-interface thread and waits for it. The GUI queues it to its
// thread (or runs it at once when already there); headless hosts run it directly.
class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  virtual void RunSync(const std::function<void()>& fn) = 0;
};

// For the command line and the tests: there is no separate UI thread.
class DirectDispatcher final : public UiDispatcher {
 public:
  void RunSync(const std::function<void()>& fn) override { fn(); }
};

}  // namespace tarnq::platform
