// SPDX-License-Identifier: GPL-3.0-or-later
// The application core: what both front ends (the desktop program and tarnq-cli) share of the
// program's state and commands. It owns the current preset, the result list, the option bits, the
// search and deletion counters, the information cache, the analyser and the search runner, and it
// offers the commands that work on them: Find and Stop, loading and saving results, Select Dupes and
// the other selections, the file operations, export and the clipboard texts.
//
// Threads: the core belongs to the host's user-interface thread, which calls every member. Workers
// (the search, the deletion) reach that thread only through the host's dispatcher: they Post their
// progress and run list changes with RunSync. Observers are therefore called on the user-interface
// thread (with a DirectDispatcher, which has none, on the worker that reports).
//
// Closing: Shutdown() (also run by the destructor) stops the workers, shuts the dispatcher down and
// waits for them. Since a shut-down dispatcher refuses every call, a worker waiting for the
// user-interface thread is released at once: closing never deadlocks, whatever the host's loop does.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/info_cache.h"
#include "appcore/command_state.h"
#include "engine/preset.h"
#include "engine/provider_analyser.h"
#include "engine/search_host.h"
#include "engine/search_run.h"
#include "lang/command_id.h"
#include "platform/threads.h"
#include "results/export.h"
#include "results/file_operations.h"
#include "results/result_list.h"
#include "results/results_file.h"
#include "results/selection.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::appcore {

// The main options when the settings have none (`Opt`).
inline constexpr uint32_t kDefaultOptions = 64;

// A search's progress as the status bar shows it: the folder being listed and the counters.
struct SearchProgressEvent {
  engine::SearchProgress progress;
  std::u16string folder;  // empty outside the scan
};

// Which file operation an event belongs to: the command that started it.
using FileCommand = lang::CommandId;

// How far a file operation is: files handled (done, failed or skipped) and bytes (copied, moved or
// overwritten by a wipe; for trash and delete the sizes of the files handled) of the totals.
struct FileProgress {
  uint64_t files = 0;
  uint64_t filesTotal = 0;
  uint64_t bytes = 0;
  uint64_t bytesTotal = 0;
};

// The answer slot of an ExistsQuestion; shared by the waiting worker and the question's copies.
struct ExistsReply {
  std::mutex mutex;
  std::condition_variable answered;
  bool given = false;
  platform::ExistsChoice choice = platform::ExistsChoice::kSkip;
  bool forAll = false;
  // The first answer counts; false when one was given before.
  bool Give(platform::ExistsChoice answer, bool toAll);
};

// A target of a running copy or move exists. The worker waits until the host answers (from its
// own loop: the question may stay open as long as the user needs). A question whose every copy is
// dropped unanswered counts as "skip"; Stop and Shutdown answer it with "cancel".
class ExistsQuestion {
 public:
  ExistsQuestion(std::u16string source, std::u16string target, std::shared_ptr<ExistsReply> reply);
  const std::u16string& Source() const { return m_source; }
  const std::u16string& Target() const { return m_target; }
  // `forAll`: the same answer for every further existing target of this operation.
  void Answer(platform::ExistsChoice choice, bool forAll = false) const;
  bool Answered() const;

 private:
  struct Guard;  // answers "skip" when the last copy goes
  std::u16string m_source, m_target;
  std::shared_ptr<Guard> m_guard;
};

// What the core tells its host. Every call comes on the user-interface thread (see above).
class AppCoreObserver {
 public:
  virtual ~AppCoreObserver() = default;
  // Progress of the running search; coalesced (the latest values, not every step).
  virtual void OnSearchProgress(const SearchProgressEvent& /*event*/) {}
  // A search ended (the list holds its groups, or nothing when it was stopped or failed).
  virtual void OnSearchFinished(const engine::SearchOutcome& /*outcome*/) {}
  // The search wants the window in front (it has just finished).
  virtual void OnBringToFront() {}
  // Find, Stop and the list commands may have changed their state: ask CommandsEnabled().
  virtual void OnCommandStatesChanged() {}
  // One file of a running copy, move, trash, delete or wipe is done, or failed (it stays where it
  // was, with its row). `command`: 108 copy, 109 move, 111 the others.
  virtual void OnFileDone(FileCommand /*command*/, std::u16string_view /*path*/) {}
  virtual void OnFileError(FileCommand /*command*/, const results::FileError& /*error*/) {}
  // Progress of a file operation; coalesced (the latest values, not every step).
  virtual void OnFileProgress(FileCommand /*command*/, const FileProgress& /*progress*/) {}
  // A target of a copy or move exists: answer `question` (now or later; see ExistsQuestion).
  virtual void OnFileExists(FileCommand /*command*/, const ExistsQuestion& /*question*/) {}
  // A file operation has ended.
  virtual void OnFileOperationFinished(FileCommand /*command*/, const results::OperationOutcome& /*outcome*/) {}
};

// Why Find did not start.
enum class FindResult {
  kStarted,
  kBusy,        // a search or a deletion runs
  kNoFolder,    // the preset has no folder to search: the host shows the preset dialog
  kPresetError, // the preset file could not be read (see the code)
  kFailed,      // the worker could not be started
};

struct FindStart {
  FindResult result = FindResult::kFailed;
  uint32_t code = 0;  // for kPresetError
};

// Where the information cache lives for this core.
struct CacheChoice {
  bool useSettings = true;   // the settings' MP3Cache, else the per-user default
  std::u16string path;       // used when useSettings is false
};

class AppCore {
 public:
  // `settings` is the program's settings store (the core reads its options, sort order, cache
  // location, provider entries and preferred folders from it); `dispatcher` reaches the host's
  // user-interface thread. Both must outlive the core.
  AppCore(settings::SettingsStore& settings, platform::UiDispatcher& dispatcher);
  ~AppCore();
  AppCore(const AppCore&) = delete;
  AppCore& operator=(const AppCore&) = delete;

  // Stops the search and the deletion, refuses further dispatching and waits for the workers.
  // Idempotent. After it no command starts anything.
  void Shutdown();

  void AddObserver(AppCoreObserver* observer);
  void RemoveObserver(AppCoreObserver* observer);

  // --- State ----------------------------------------------------------------------------------------
  settings::SettingsStore& Settings() { return m_settings; }
  // The host's user-interface thread, for the host's own workers (a dialog's listing).
  platform::UiDispatcher& Dispatcher() { return m_dispatcher; }
  engine::SearchPreset& Preset() { return m_state.preset; }
  results::ResultList& List() { return m_state.list; }
  const results::ResultList& List() const { return m_state.list; }
  // The main options (`Opt`): read from the settings at construction.
  uint32_t Options() const { return m_state.options.load(); }
  void SetOptions(uint32_t options);
  // Re-reads the options, the sort order and the cache location from the settings.
  void ReadSettings();
  void SetCache(const CacheChoice& choice);
  // The desktop program's start-up step: writes the default information providers into section
  // `pgnMediaInfo` when it holds no enabled entry (existing values are never replaced). Returns the
  // number written. The command line keeps the defaults in memory and never writes them.
  size_t WriteDefaultProviderEntries();
  const analysis::InfoCache& Cache() const { return m_cache; }
  // The configuration's "Delete now": empties the cache and deletes its file (0 or the error;
  // busy while a search uses the cache).
  uint32_t DeleteCacheNow() { return m_cache.DeleteNow(); }
  // A search runs.
  bool Searching() const { return m_runner.Running(); }
  // A search or a deletion runs (they share the running counter).
  bool Busy() const { return m_state.searchRunning.load() != 0; }
  uint32_t GroupCount() const { return m_state.groupCount.load(); }
  engine::SearchProgress Progress() const { return m_runner.Progress(); }
  // The stop counter of the search and the deletion (an interrupt handler may raise it).
  std::atomic<int32_t>& StopRequests() { return m_state.stopRequests; }
  engine::SearchOutcome LastOutcome() const { return m_runner.LastOutcome(); }
  // The totals line of the status bar for the current counters.
  std::u16string StatusText() const;
  // The "Selected" line: the selected rows' count and size ("" when none is selected).
  std::u16string SelectedText() const;

  // --- Command states ------------------------------------------------------------------------------
  // Recomputes which commands may run now (list empty, search running, deletion running) and returns
  // the entries whose state changed since the last call (all with `force`): a window greys exactly
  // those menu items and buttons. Hosts call it on OnCommandStatesChanged.
  std::vector<CommandStateChange> UpdateCommandStates(bool force = false);
  // Whether a command may run, as of the last update (menus, toolbar and shortcuts all ask).
  bool IsAllowed(lang::CommandId command) const { return m_commands.IsAllowed(command); }

  // --- Searching --------------------------------------------------------------------------------
  // Find with the preset as it is.
  FindStart Find();
  // Find as the window does it: takes `presetBoxText` as the preset file (empty: the settings) and
  // re-reads the preset from it first.
  FindStart FindWithPresetBox(std::u16string_view presetBoxText);
  // Stop: the running search, or the running deletion.
  void Stop();
  // Waits for the running search and deletion (hosts without an event loop only: a GUI waits for
  // OnSearchFinished instead).
  void Wait();

  // --- Results files ------------------------------------------------------------------------------
  // Refused (5) while busy. The report says how many rows were skipped and why.
  uint32_t LoadResults(std::u16string_view path, results::LoadReport* report = nullptr);
  // `unstorable`: rows left out because their paths hold a line break (say so to the user).
  uint32_t SaveResults(std::u16string_view path, size_t* written = nullptr, size_t* unstorable = nullptr) const;

  // --- Selection ----------------------------------------------------------------------------------
  // Select Dupes with the preferred folders of section `SelFav` (or the given ones).
  results::SelectDupesResult SelectDupes();
  results::SelectDupesResult SelectDupes(std::span<const results::FavoriteFolder> folders);
  // Select Dupes by a keep rule ("keep the best copy", newest, oldest, first) and its folders.
  results::SelectDupesResult SelectDupes(const results::KeepChoice& choice);
  size_t SelectAll();
  size_t DeselectAll();
  size_t InvertSelection();

  // --- Sorting ----------------------------------------------------------------------------------------
  // A sort command (151-166) or Reversed order (167). False for other commands or while busy.
  bool SortCommand(lang::CommandId command);

  // --- File operations ----------------------------------------------------------------------------
  // The selected rows as they are now: what a destructive operation will work on.
  results::FileJob Snapshot() const { return results::SnapshotSelection(m_state.list); }
  // Copy, move and trash on the calling thread, for hosts without an event loop; `observer` may be
  // null. Refused (5) while busy.
  results::OperationOutcome CopyFiles(const results::FileJob& job, std::u16string_view target,
                                      results::FileOperationObserver* observer);
  results::OperationOutcome MoveFiles(const results::FileJob& job, std::u16string_view target,
                                      results::FileOperationObserver* observer);
  results::OperationOutcome TrashFiles(const results::FileJob& job, results::FileOperationObserver* observer);
  // Copy, move, trash, permanent delete or wipe on the file worker: the observers hear of each
  // file, of the progress, of existing targets and of the end. `target`: the folder of copy and move
  // (remembered in the `Copy` history). The rows whose files are gone leave the list; the others are
  // deselected, or with `keepSelection` keep their selection (what failed can be tried again).
  // False when a search or another operation runs (or nothing is to be done).
  bool StartFileOperation(results::FileOperation operation, results::FileJob job, std::u16string_view target = {},
                          bool keepSelection = false);
  bool StartDelete(results::FileJob job, bool wipe) {
    return StartFileOperation(wipe ? results::FileOperation::kWipe : results::FileOperation::kDelete, std::move(job));
  }
  // A file operation runs on the worker.
  bool Deleting() const { return m_fileWorker.Running(); }
  uint32_t RenameRow(size_t index, std::u16string_view newName);
  size_t RemoveSelectedFromList();

  // --- Export and clipboard -------------------------------------------------------------------------
  uint32_t Export(std::u16string_view path, results::ExportFormat format,
                  const results::ExportExtras& extras = {}) const;
  // The export's bytes, for a host that writes them elsewhere (standard output).
  std::string ComposeExport(results::ExportFormat format, const results::ExportExtras& extras = {}) const;
  // The text of a clipboard command (126-129); empty for other commands.
  std::u16string ClipboardText(lang::CommandId command) const;

 private:
  class Bridge;  // the core's side of the search and the file worker (sink, host, observer)
  template <class Fn>
  void NotifyObservers(Fn&& fn);
  void PostProgress();
  // Runs a copy, move or trash on this thread unless the core is busy or closed.
  template <class Fn>
  results::OperationOutcome RunOperation(results::FileOperationObserver* observer, Fn&& operation);

  settings::SettingsStore& m_settings;
  platform::UiDispatcher& m_dispatcher;
  std::vector<AppCoreObserver*> m_observers;
  engine::SearchState m_state;
  analysis::InfoCache m_cache;
  engine::ProviderAnalyser m_analyser;
  std::unique_ptr<Bridge> m_bridge;
  engine::SearchRunner m_runner;
  results::FileWorker m_fileWorker;
  CommandStates m_commands;
  bool m_shutDown = false;

  // The latest search progress, handed to the user-interface thread by one posted call at a time.
  std::mutex m_progressMutex;
  SearchProgressEvent m_progress;
  bool m_progressPosted = false;
};

}  // namespace tarnq::appcore
