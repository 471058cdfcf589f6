// SPDX-License-Identifier: GPL-3.0-or-later
// The search run: from Find to the filled result list. StartSearch (user-interface thread) checks
// the preset and starts a worker thread running RunSearch: clear the list, scan (the cache and the
// providers load while the first folders are listed, before any file is looked up), sort and group, keep the grouped files ordered by group, hand them to the list,
// re-sort it, and save the cache. Stop asks a running search to end; a stopped run leaves the list
// empty.
//
// The worker reaches the host and the result list's clear, fill and re-sort through
// UiDispatcher::RunSync. A call the dispatcher did not run (it was shut down) counts as Stop, so a
// host that closes shuts its dispatcher down first and may then wait for the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "engine/folder_scan.h"
#include "engine/matching.h"
#include "engine/preset.h"
#include "engine/search_host.h"
#include "platform/threads.h"
#include "results/result_list.h"
#include "results/totals.h"
#include "analysis/info_cache.h"

namespace tarnq::engine {

// Bits of the main options a search reads.
inline constexpr uint32_t kOptionNoCache = analysis::kOptionNoCache;
inline constexpr uint32_t kOptionShortSizes = 0x4000;

// The search part of the application state. The counters are shared with the deletion worker,
// which counts itself in searchRunning and honours stopRequests the same way.
struct SearchState {
  std::atomic<int32_t> searchRunning{0};  // non-zero while a search (or deletion) runs
  StopCounter stopRequests{0};            // non-zero: the running work should stop
  std::atomic<uint32_t> groupCount{0};    // groups of the last run
  std::atomic<bool> lastCanceled{false};  // the last run was stopped
  std::atomic<bool> lastIncomplete{false};
  std::atomic<uint64_t> totalFiles{0};    // the status totals
  std::atomic<uint64_t> totalBytes{0};
  std::atomic<uint32_t> options{0};       // the main options (`Opt`)
  SearchPreset preset;                    // the current preset (user-interface thread)
  results::ResultList list;
};

class SearchRunner {
 public:
  SearchRunner(SearchState& state, FileAnalyser& analyser, SearchProgressSink& progress, SearchHost& host,
               platform::UiDispatcher& dispatcher);
  // Stops and waits for a running search.
  ~SearchRunner();
  SearchRunner(const SearchRunner&) = delete;
  SearchRunner& operator=(const SearchRunner&) = delete;

  // Command 131 (Find). Ignored while a search runs. Re-reads the preset through the host, asks
  // for folders when there are none, and starts the worker. True when a search started.
  bool StartSearch();
  // Command 132 (Stop): counts a stop request while a search runs; otherwise nothing.
  void Stop();
  // Waits for the worker of the last search to end (command line, tests, shutdown).
  void Wait();
  bool Running() const { return m_state.searchRunning.load() != 0; }
  // How the last finished run ended.
  SearchOutcome LastOutcome() const;

  // The counters as they are now (the status bar's totals).
  SearchProgress Progress() const;

 private:
  void RunSearch();
  void RunSteps(SearchOutcome& outcome, records::FoundFileStore& store);
  // Runs `fn` on the host's thread; false (and a stop request) when the dispatcher did not run it.
  bool Host(const std::function<void()>& fn);
  void Report(SearchPhase phase, uint64_t files, uint64_t bytes);

  SearchState& m_state;
  FileAnalyser& m_analyser;
  SearchProgressSink& m_progress;
  std::atomic<SearchPhase> m_phase{SearchPhase::kIdle};
  std::atomic<bool> m_hostGone{false};  // the dispatcher refused a call during this run
  SearchHost& m_host;
  platform::UiDispatcher& m_dispatcher;
  std::thread m_worker;
  SearchPreset m_runPreset;  // the worker's copy of the preset
  uint32_t m_runOptions = 0;
  mutable std::mutex m_outcomeMutex;
  SearchOutcome m_outcome;
};

// The totals line of the status bar for `progress`: "Total 3 files, 12,345 bytes, 1 group", then
// " - search canceled" or " - incomplete" when they apply. Words from the active catalogue.
std::u16string SearchStatusText(const SearchProgress& progress, bool shortSizes);

}  // namespace tarnq::engine
