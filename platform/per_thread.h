// SPDX-License-Identifier: GPL-3.0-or-later
// Per-thread scratch objects that cost no allocation to declare.
#pragma once

#include <new>
#include <type_traits>

namespace tarnq::platform {

// Runs `fn(arg)` when the calling thread ends (not for the main thread, whose memory goes with the
// process). Unlike a thread_local with a destructor, registering allocates nothing, so it cannot
// end the process when memory is short. At most kMaxThreadExitCalls per thread; false when full.
inline constexpr int kMaxThreadExitCalls = 32;
bool CallAtThreadExit(void (*fn)(void*), void* arg);

// A per-thread object made on first use and destroyed when its thread ends. Declare it
// `thread_local PerThread<T> x;` and use x.Get(). The holder itself has no destructor, so declaring it
// allocates nothing; a plain thread_local with a destructor makes glibc allocate on the thread's
// first use and end the process when that allocation fails. When the thread already has
// kMaxThreadExitCalls registered, the object is left for the process's end.
template <typename T>
class PerThread {
 public:
  T& Get() {
    if (!m_made) {
      ::new (static_cast<void*>(m_storage)) T();
      m_made = true;
      if constexpr (!std::is_trivially_destructible_v<T>) CallAtThreadExit(&Destroy, this);
    }
    return *std::launder(reinterpret_cast<T*>(m_storage));
  }

 private:
  static void Destroy(void* self) {
    auto* holder = static_cast<PerThread*>(self);
    std::launder(reinterpret_cast<T*>(holder->m_storage))->~T();
    holder->m_made = false;
  }
  alignas(T) unsigned char m_storage[sizeof(T)] = {};
  bool m_made = false;
};

}  // namespace tarnq::platform
