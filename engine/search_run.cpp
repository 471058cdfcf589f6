// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/search_run.h"

#include <chrono>
#include <exception>
#include <memory>
#include <new>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/time.h"

namespace tarnq::engine {

std::u16string SearchStatusText(const SearchProgress& progress, bool shortSizes) {
  results::StatusTextInput input;
  input.textId = results::status_text::kTotal;
  input.counter = {progress.files, progress.bytes};
  input.shortSizes = shortSizes;
  input.groupCount = progress.groups;
  input.canceled = progress.canceled;
  input.incomplete = progress.incomplete;
  return results::FormatStatusText(input);
}

SearchRunner::SearchRunner(SearchState& state, FileAnalyser& analyser, SearchProgressSink& progress,
                           SearchHost& host, platform::UiDispatcher& dispatcher)
    : m_state(state), m_analyser(analyser), m_progress(progress), m_host(host), m_dispatcher(dispatcher) {}

SearchRunner::~SearchRunner() {
  Stop();
  Wait();
}

bool SearchRunner::Host(const std::function<void()>& fn) {
  if (m_dispatcher.RunSync(fn)) return true;
  m_state.stopRequests.fetch_add(1);
  m_hostGone.store(true);
  return false;
}

bool SearchRunner::StartSearch() {
  if (m_state.searchRunning.load() != 0) return false;
  if (m_worker.joinable()) m_worker.join();  // the last run has ended; collect its thread
  SearchPreset& preset = m_state.preset;
  if (m_host.ReloadPreset(preset) != 0) return false;
  if (preset.folders.empty() && (!m_host.EditPreset(preset) || preset.folders.empty())) return false;

  // Raised here, before the worker exists, so a second Find can never slip in between.
  int32_t idle = 0;
  if (!m_state.searchRunning.compare_exchange_strong(idle, 1)) return false;
  m_state.stopRequests.store(0);
  m_hostGone.store(false);
  m_runPreset = preset;
  m_runOptions = m_state.options.load();
  try {
    m_worker = std::thread([this] { RunSearch(); });
  } catch (...) {
    m_state.searchRunning.store(0);
    return false;
  }
  return true;
}

void SearchRunner::Stop() {
  if (m_state.searchRunning.load() != 0) m_state.stopRequests.fetch_add(1);
}

void SearchRunner::Wait() {
  if (m_worker.joinable()) m_worker.join();
}

SearchOutcome SearchRunner::LastOutcome() const {
  std::lock_guard lock(m_outcomeMutex);
  return m_outcome;
}

SearchProgress SearchRunner::Progress() const {
  SearchProgress progress;
  progress.phase = m_state.searchRunning.load() != 0 ? m_phase.load() : SearchPhase::kIdle;
  progress.files = m_state.totalFiles.load();
  progress.bytes = m_state.totalBytes.load();
  progress.groups = m_state.groupCount.load();
  progress.canceled = m_state.stopRequests.load() != 0 || m_state.lastCanceled.load();
  progress.incomplete = m_state.lastIncomplete.load();
  return progress;
}

void SearchRunner::Report(SearchPhase phase, uint64_t files, uint64_t bytes) {
  m_phase.store(phase);
  m_state.totalFiles.store(files);
  m_state.totalBytes.store(bytes);
  SearchProgress progress;
  progress.phase = phase;
  progress.files = files;
  progress.bytes = bytes;
  progress.groups = m_state.groupCount.load();
  progress.canceled = m_state.stopRequests.load() != 0;
  progress.incomplete = m_state.lastIncomplete.load();
  m_progress.OnProgress(progress);
}

void SearchRunner::RunSteps(SearchOutcome& outcome, records::FoundFileStore& store) {
  const bool cacheOn = (m_runOptions & kOptionNoCache) == 0;
  const StopCounter& stop = m_state.stopRequests;
  auto stopped = [&] { return stop.load(std::memory_order_relaxed) != 0; };

  m_state.groupCount.store(0);
  m_state.lastCanceled.store(false);
  m_state.lastIncomplete.store(false);
  Report(SearchPhase::kScanning, 0, 0);
  if (!Host([&] { m_state.list.Clear(); })) return;
  if (!Host([&] { m_host.RefreshCommandStates(); })) return;

  // The scan.
  ScanContext scan(m_runPreset, m_runOptions, store, m_state.list.Folders(), m_analyser);
  scan.progress = &m_progress;
  scan.stop = &stop;
  // The sort's comparison data is made file by file while the walk is still listing.
  const MatchCriteria criteria = CriteriaFromPreset(m_runPreset);
  SortPreparation preparation(criteria);
  scan.preparation = &preparation;
  // The cache and the providers load while the walk lists the first folders; both are ready
  // before the first file is looked up.
  scan.beforeFiles = [&] {
    if (cacheOn) m_analyser.LoadCache();
    m_analyser.LoadProviders();
  };
  // The totals text is shown at most every 100 ms anyway; composing it (catalogue texts, grouped
  // numbers) for each of thousands of small folders costs more than listing them. The text after
  // the scan is composed below in any case.
  auto lastStatus = std::chrono::steady_clock::time_point{};
  scan.onFilesAdded = [&](uint64_t files, uint64_t bytes) {
    m_state.totalFiles.store(files);
    m_state.totalBytes.store(bytes);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastStatus < std::chrono::milliseconds(50)) return;
    lastStatus = now;
    Report(SearchPhase::kScanning, files, bytes);
  };
  ScanFolders(scan, platform::FileTimeNow());
  if (cacheOn) m_analyser.ScanFinished();
  outcome.filesScanned = scan.filesFound;
  outcome.bytesScanned = scan.bytesFound;
  outcome.problems = std::move(scan.problems);
  outcome.filesFailed = scan.entriesFailed + scan.filesFailed;
  outcome.skipped = std::move(scan.walkSkipped);
  outcome.skipped.Merge(scan.fileSkipped);
  outcome.incomplete = scan.incomplete;
  m_state.lastIncomplete.store(scan.incomplete);
  m_state.totalFiles.store(scan.filesFound);
  m_state.totalBytes.store(scan.bytesFound);

  // Sort, group, keep the grouped files in group order.
  std::vector<records::FoundFile> files;
  if (store.Count() > 0 && !stopped()) {
    try {
      files.reserve(store.Count());
      for (uint64_t i = 0; i < store.Count(); ++i) files.emplace_back(store.At(i));
    } catch (const std::bad_alloc&) {
      files.clear();  // as if nothing had been found
    }
  }
  Report(SearchPhase::kGrouping, scan.filesFound, scan.bytesFound);
  SortGroupResult grouped;
  if (!files.empty() && !stopped()) grouped = SortAndGroup(files, criteria, &stop, &preparation);
  if (grouped.groups != 0 && !grouped.stopped && !stopped()) {
    KeepGroupedByGroup(files, store);
    if (!stopped()) {
      m_state.groupCount.store(grouped.groups);
      outcome.listFilled = Host([&] { m_state.list.FillFromSearch(files, store); });
    }
  }
  if (stopped() && !outcome.listFilled) m_state.groupCount.store(0);
  outcome.groups = m_state.groupCount.load();
}

void SearchRunner::RunSearch() {
  SearchOutcome outcome;
  {
    std::unique_ptr<records::FoundFileStore> store;
    try {
      // Inside the guard: without memory for the store the search fails like any other step.
      store = std::make_unique<records::FoundFileStore>();
      RunSteps(outcome, *store);
    } catch (const std::bad_alloc&) {
      outcome.failed = true;
      // The message needs memory too; without it the failure is reported without a text.
      try {
        outcome.error = platform::Utf8ToUtf16(platform::ErrorMessage(platform::err::kNotEnoughMemory));
      } catch (const std::bad_alloc&) {
      }
    } catch (const std::exception& e) {
      outcome.failed = true;
      outcome.error = platform::Utf8ToUtf16(e.what());
    } catch (...) {
      outcome.failed = true;
      outcome.error = u"The search ended because of an unexpected error.";
    }

    // The closing steps run whatever happened above; each is guarded on its own so that one
    // failure cannot skip saving the cache or lowering the running counter.
    auto guarded = [&](const std::function<void()>& step) {
      try {
        step();
      } catch (...) {
        if (!outcome.failed) {
          outcome.failed = true;
          outcome.error = u"The search could not finish cleanly.";
        }
      }
    };
    const bool cacheOn = (m_runOptions & kOptionNoCache) == 0;
    guarded([&] { Host([&] { m_host.BringToFront(); }); });
    guarded([&] {
      // The final line counts the duplicates listed, not every file scanned.
      const results::TotalCounter totals = m_state.list.RecountTotals();
      m_state.totalFiles.store(totals.files);
      m_state.totalBytes.store(totals.bytes);
      // A stop that comes after the list was filled is too late to cancel anything: the result
      // is complete and is not reported as cancelled.
      if (outcome.listFilled) m_state.stopRequests.store(0);
      outcome.canceled = m_state.stopRequests.load() != 0;
      m_state.lastCanceled.store(outcome.canceled);
      Report(SearchPhase::kFinishing, totals.files, totals.bytes);
    });
    guarded([&] { Host([&] { m_state.list.Sort(); }); });
    // The found files go before the cache is written: the list has its own rows by now, and the
    // save needs memory of its own.
    guarded([&] { store.reset(); });
    guarded([&] { m_analyser.UnloadProviders(); });
    if (cacheOn) guarded([&] { outcome.cacheSaveError = m_analyser.SaveCache(); });
  }

  outcome.hostGone = m_hostGone.load();
  {
    std::lock_guard lock(m_outcomeMutex);
    m_outcome = outcome;
  }
  m_state.searchRunning.store(0);
  try {
    // The last word: idle, with the totals of the list.
    Report(SearchPhase::kIdle, m_state.totalFiles.load(), m_state.totalBytes.load());
    if (Host([&] { m_host.RefreshCommandStates(); })) Host([&] { m_host.SearchFinished(outcome); });
  } catch (...) {
    // Nothing is left to clean up; the host just misses its notification.
  }
}

}  // namespace tarnq::engine
