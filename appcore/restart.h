// SPDX-License-Identifier: GPL-3.0-or-later
// The in-process restart. Restore Settings, Reset Settings and a change of the effective dark mode
// need the whole main window built again from the settings: they call Request() (after freezing
// the settings store, so that the closing window writes nothing over the file just restored) and
// then close the main window.
//
// The loop contract: RunWithRestarts runs the main window; when it returns with a restart
// requested, the settings store is thawed, the request cleared and the main window run again with
// fresh application state; otherwise the last run's exit code is returned. The callback must
// build all state of a run itself (the front end's application state object lives inside it), so
// every run starts from zero; only the settings store and the language library live across runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "settings/settings_store.h"

namespace tarnq::appcore {

// Any thread may request; the loop reads it on the user-interface thread after the window closed.
class RestartRequest {
 public:
  void Request() { m_count.fetch_add(1, std::memory_order_relaxed); }
  bool Pending() const { return m_count.load(std::memory_order_relaxed) != 0; }
  uint32_t Count() const { return m_count.load(std::memory_order_relaxed); }
  void Clear() { m_count.store(0, std::memory_order_relaxed); }

 private:
  std::atomic<uint32_t> m_count{0};
};

// Runs `runMainWindow` (which returns the exit code of its event loop) until a run ends without
// a restart request; returns that run's exit code.
int RunWithRestarts(RestartRequest& request, settings::SettingsStore& store,
                    const std::function<int()>& runMainWindow);

}  // namespace tarnq::appcore
