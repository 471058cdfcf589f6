// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/threads.h"

#include <pthread.h>

namespace tarnq::platform {
namespace {

// Calls of a DirectDispatcher running on this thread (a call may shut the dispatcher down).
thread_local int t_directCalls = 0;

}  // namespace

bool DirectDispatcher::RunSync(const std::function<void()>& fn) {
  {
    std::lock_guard lock(m_mutex);
    if (m_shutDown) return false;
    ++m_running;
  }
  ++t_directCalls;
  struct Done {
    DirectDispatcher& d;
    ~Done() {
      --t_directCalls;
      std::lock_guard lock(d.m_mutex);
      --d.m_running;
      d.m_idle.notify_all();
    }
  } done{*this};
  fn();
  return true;
}

void DirectDispatcher::Post(std::function<void()> fn) { (void)RunSync(fn); }

void DirectDispatcher::Shutdown() {
  std::unique_lock lock(m_mutex);
  m_shutDown = true;
  // Calls running on other threads finish first; one running on this thread is the caller.
  m_idle.wait(lock, [&] { return m_running <= t_directCalls; });
}

bool DirectDispatcher::IsShutDown() const {
  std::lock_guard lock(m_mutex);
  return m_shutDown;
}

QueuedDispatcher::QueuedDispatcher() : m_owner(std::this_thread::get_id()) {}

QueuedDispatcher::~QueuedDispatcher() { Shutdown(); }

void QueuedDispatcher::Queue(Call call) {
  {
    std::lock_guard lock(m_mutex);
    if (m_shutDown) return;
    m_queue.push_back(std::move(call));
  }
  m_changed.notify_all();
  Wake();
}

bool QueuedDispatcher::RunSync(const std::function<void()>& fn) {
  if (OnOwnerThread()) {
    if (IsShutDown()) return false;
    fn();
    return true;
  }
  auto state = std::make_shared<int>(0);
  {
    std::lock_guard lock(m_mutex);
    if (m_shutDown) return false;
  }
  // `fn` stays alive while we wait, so the queue may refer to it.
  Queue({[&fn] { fn(); }, state});
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return *state != 0 || m_shutDown; });
  // A call that is running when the dispatcher shuts down still finishes before we return: the
  // owner marks it after running it.
  if (*state == 0 && m_shutDown) {
    m_changed.wait(lock, [&] { return *state != 0; });
  }
  return *state == 1;
}

void QueuedDispatcher::Post(std::function<void()> fn) { Queue({std::move(fn), nullptr}); }

void QueuedDispatcher::Shutdown() {
  std::deque<Call> dropped;
  {
    std::lock_guard lock(m_mutex);
    m_shutDown = true;
    dropped.swap(m_queue);
    for (Call& call : dropped)
      if (call.state) *call.state = 2;
  }
  m_changed.notify_all();
}

bool QueuedDispatcher::IsShutDown() const {
  std::lock_guard lock(m_mutex);
  return m_shutDown;
}

size_t QueuedDispatcher::RunPending() {
  size_t ran = 0;
  for (;;) {
    Call call;
    {
      std::lock_guard lock(m_mutex);
      if (m_queue.empty() || m_shutDown) return ran;
      call = std::move(m_queue.front());
      m_queue.pop_front();
    }
    try {
      call.fn();
    } catch (...) {
      // A call that throws must not leave its caller waiting; it counts as run.
    }
    ++ran;
    if (call.state) {
      {
        std::lock_guard lock(m_mutex);
        *call.state = 1;
      }
      m_changed.notify_all();
    }
  }
}

size_t QueuedDispatcher::WaitAndRunPending(std::chrono::milliseconds timeout) {
  {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [&] { return !m_queue.empty() || m_shutDown; });
  }
  return RunPending();
}

namespace {

// The calls of one thread: a plain record (no destructor of its own), run by a thread-specific
// key's destructor.
struct ThreadExitCalls {
  int count = 0;
  void (*fn[kMaxThreadExitCalls])(void*) = {};
  void* arg[kMaxThreadExitCalls] = {};
};
thread_local ThreadExitCalls t_exitCalls;

void RunThreadExitCalls(void* record) {
  auto* calls = static_cast<ThreadExitCalls*>(record);
  while (calls->count > 0) {
    --calls->count;
    calls->fn[calls->count](calls->arg[calls->count]);
  }
}

}  // namespace

bool CallAtThreadExit(void (*fn)(void*), void* arg) {
  static const pthread_key_t key = [] {
    pthread_key_t k{};
    pthread_key_create(&k, &RunThreadExitCalls);
    return k;
  }();
  ThreadExitCalls& calls = t_exitCalls;
  if (calls.count == kMaxThreadExitCalls) return false;
  calls.fn[calls.count] = fn;
  calls.arg[calls.count] = arg;
  ++calls.count;
  pthread_setspecific(key, &calls);
  return true;
}

}  // namespace tarnq::platform
