// SPDX-License-Identifier: GPL-3.0-or-later
// Locks and the bridge to the host's user-interface thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/per_thread.h"

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

// How workers reach the host's user-interface thread.
//
// RunSync runs a function there and waits for it; Post queues one without waiting (status,
// progress, notifications). After Shutdown() nothing more is run: pending and later RunSync calls
// return false at once, and a worker takes that as an order to stop. So a host that is closing
// calls Shutdown() before it waits for its workers, and can never deadlock on a worker that waits
// for it.
class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  // True when `fn` ran; false when the dispatcher is shut down (then `fn` did not run).
  [[nodiscard]] virtual bool RunSync(const std::function<void()>& fn) = 0;
  // Queues `fn`; it runs later on the user-interface thread, or never after Shutdown().
  virtual void Post(std::function<void()> fn) = 0;
  virtual void Shutdown() = 0;
  virtual bool IsShutDown() const = 0;
};

// For the command line and the tests: there is no separate user-interface thread, so every call
// runs at once on the calling thread (posted calls too, so their code must be thread-safe).
class DirectDispatcher final : public UiDispatcher {
 public:
  bool RunSync(const std::function<void()>& fn) override;
  void Post(std::function<void()> fn) override;
  void Shutdown() override;
  bool IsShutDown() const override;

 private:
  // Calls in progress finish before Shutdown returns; none starts afterwards.
  mutable std::mutex m_mutex;
  std::condition_variable m_idle;
  int m_running = 0;
  bool m_shutDown = false;
};

// A dispatcher with a queue, owned by one thread (the one that constructs it): calls from that
// thread run at once, calls from other threads wait in the queue until the owner runs
// RunPending(). A host with an event loop derives from it and, in Wake(), asks its loop to call
// RunPending() soon (a queued event); it needs no locking of its own.
class QueuedDispatcher : public UiDispatcher {
 public:
  QueuedDispatcher();
  ~QueuedDispatcher() override;  // shuts down

  bool RunSync(const std::function<void()>& fn) override;
  void Post(std::function<void()> fn) override;
  void Shutdown() override;
  bool IsShutDown() const override;

  // Runs every queued call (on the owner thread). Returns how many ran.
  size_t RunPending();
  // Waits up to `timeout` for a call to be queued, then runs what is queued (loops without events).
  size_t WaitAndRunPending(std::chrono::milliseconds timeout);
  bool OnOwnerThread() const { return std::this_thread::get_id() == m_owner; }

 protected:
  // Called on the posting thread after a call was queued (the host schedules RunPending()).
  virtual void Wake() {}

 private:
  struct Call {
    std::function<void()> fn;
    std::shared_ptr<int> state;  // for RunSync: 0 waiting, 1 ran, 2 dropped; null for Post
  };
  void Queue(Call call);

  const std::thread::id m_owner;
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Call> m_queue;
  bool m_shutDown = false;
};

}  // namespace tarnq::platform
