// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/app_core.h"

#include <algorithm>
#include <optional>

#include "platform/errors.h"
#include "results/columns.h"
#include "results/sort_order.h"
#include "results/totals.h"
#include "analysis/provider_list.h"
#include "settings/colors.h"
#include "settings/settings_store.h"

namespace tarnq::appcore {

namespace err = platform::err;

// The core's side of its workers. The search calls the sink on its threads and the host through
// RunSync (so on the user-interface thread); the deletion worker calls the file observer on its
// thread. Everything that reaches the observers from a worker goes through Post.
class AppCore::Bridge final : public engine::SearchProgressSink,
                              public engine::SearchHost,
                              public results::FileOperationObserver {
 public:
  explicit Bridge(AppCore& core) : m_core(core) {}

  // --- The search's progress (worker threads) -----------------------------------------------------
  void OnFolder(std::u16string_view folder) override {
    {
      std::lock_guard lock(m_core.m_progressMutex);
      m_core.m_progress.folder.assign(folder);
    }
    m_core.PostProgress();
  }
  void OnProgress(const engine::SearchProgress& progress) override {
    {
      std::lock_guard lock(m_core.m_progressMutex);
      m_core.m_progress.progress = progress;
      if (progress.phase != engine::SearchPhase::kScanning) m_core.m_progress.folder.clear();
    }
    m_core.PostProgress();
  }

  // --- The search's host (user-interface thread) --------------------------------------------------
  void RefreshCommandStates() override {
    m_core.NotifyObservers([](AppCoreObserver& o) { o.OnCommandStatesChanged(); });
  }
  void BringToFront() override {
    m_core.NotifyObservers([](AppCoreObserver& o) { o.OnBringToFront(); });
  }
  void SearchFinished(const engine::SearchOutcome& outcome) override {
    m_core.NotifyObservers([&](AppCoreObserver& o) { o.OnSearchFinished(outcome); });
  }

  // --- The file worker (its thread) ------------------------------------------------------------------
  void StartOperation(FileCommand command, results::FileOperation operation, uint64_t files, uint64_t bytes) {
    std::lock_guard lock(m_fileMutex);
    m_command = command;
    m_operation = operation;
    m_fileProgress = FileProgress{0, files, 0, bytes};
    m_filePosted = false;
    m_forAll.reset();
    m_question.reset();
  }
  FileCommand Command() {
    std::lock_guard lock(m_fileMutex);
    return m_command;
  }
  void OnError(const results::FileError& error) override {
    FileHandled(nullptr);
    const FileCommand command = Command();
    m_core.m_dispatcher.Post([core = &m_core, command, error] {
      core->NotifyObservers([&](AppCoreObserver& o) { o.OnFileError(command, error); });
    });
  }
  void OnDone(const results::JobFile& file, std::u16string_view) override {
    FileHandled(&file);
    const FileCommand command = Command();
    m_core.m_dispatcher.Post([core = &m_core, command, path = file.path] {
      core->NotifyObservers([&](AppCoreObserver& o) { o.OnFileDone(command, path); });
    });
  }
  void OnSkipped(const results::JobFile&) override { FileHandled(nullptr); }
  bool OnProgress(uint64_t done, uint64_t) override {
    {
      std::lock_guard lock(m_fileMutex);
      // Copy and move count bytes; a wipe counts its files and the bytes it wrote; trash and delete
      // count files only (their bytes follow the files handled).
      if (m_operation == results::FileOperation::kCopy || m_operation == results::FileOperation::kMove)
        m_fileProgress.bytes = done;
      else if (m_operation == results::FileOperation::kWipe)
        m_fileProgress.bytes = done > m_fileProgress.files ? done - m_fileProgress.files : 0;
    }
    PostFileProgress();
    return true;  // Stop reaches the worker through the stop counter
  }

  // The question goes to the user-interface thread; this thread waits for the answer.
  platform::ExistsChoice OnExists(std::u16string_view source, std::u16string_view target) override {
    auto reply = std::make_shared<ExistsReply>();
    FileCommand command;
    {
      std::lock_guard lock(m_fileMutex);
      if (m_forAll) return *m_forAll;
      m_question = reply;
      command = m_command;
    }
    // Stop raises the counter before it looks for a question: either it is seen here, or Stop
    // finds the question and answers it.
    if (m_core.m_state.stopRequests.load() != 0) reply->Give(platform::ExistsChoice::kCancel, false);
    m_core.m_dispatcher.Post([core = &m_core, command,
                              question = ExistsQuestion(std::u16string(source), std::u16string(target), reply)] {
      core->NotifyObservers([&](AppCoreObserver& o) { o.OnFileExists(command, question); });
    });
    std::unique_lock wait(reply->mutex);
    reply->answered.wait(wait, [&] { return reply->given; });
    const platform::ExistsChoice choice = reply->choice;
    const bool forAll = reply->forAll;
    wait.unlock();
    std::lock_guard lock(m_fileMutex);
    m_question.reset();
    if (forAll && choice != platform::ExistsChoice::kCancel) m_forAll = choice;
    return choice;
  }
  // Stop and Shutdown: an open question is answered "cancel".
  void CancelQuestion() {
    std::lock_guard lock(m_fileMutex);
    if (m_question) m_question->Give(platform::ExistsChoice::kCancel, false);
  }

 private:
  void FileHandled(const results::JobFile* done) {
    {
      std::lock_guard lock(m_fileMutex);
      ++m_fileProgress.files;
      const bool countsBytes =
          m_operation == results::FileOperation::kTrash || m_operation == results::FileOperation::kDelete;
      if (countsBytes && done != nullptr && done->size != results::kUnknownSize) m_fileProgress.bytes += done->size;
    }
    PostFileProgress();
  }
  void PostFileProgress() {
    {
      std::lock_guard lock(m_fileMutex);
      if (m_filePosted) return;
      m_filePosted = true;
    }
    m_core.m_dispatcher.Post([this] {
      FileProgress progress;
      FileCommand command;
      {
        std::lock_guard lock(m_fileMutex);
        progress = m_fileProgress;
        command = m_command;
        m_filePosted = false;
      }
      m_core.NotifyObservers([&](AppCoreObserver& o) { o.OnFileProgress(command, progress); });
    });
  }

  AppCore& m_core;
  std::mutex m_fileMutex;
  FileCommand m_command = FileCommand::kNone;
  results::FileOperation m_operation = results::FileOperation::kDelete;
  FileProgress m_fileProgress;
  bool m_filePosted = false;
  std::optional<platform::ExistsChoice> m_forAll;  // "for all remaining" of this operation
  std::shared_ptr<ExistsReply> m_question;        // the question the worker waits for
};

// --- The question for an existing target ---------------------------------------------------------

bool ExistsReply::Give(platform::ExistsChoice answer, bool toAll) {
  {
    std::lock_guard lock(mutex);
    if (given) return false;
    given = true;
    choice = answer;
    forAll = toAll;
  }
  answered.notify_all();
  return true;
}

struct ExistsQuestion::Guard {
  explicit Guard(std::shared_ptr<ExistsReply> r) : reply(std::move(r)) {}
  ~Guard() { reply->Give(platform::ExistsChoice::kSkip, false); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;
  std::shared_ptr<ExistsReply> reply;
};

ExistsQuestion::ExistsQuestion(std::u16string source, std::u16string target, std::shared_ptr<ExistsReply> reply)
    : m_source(std::move(source)), m_target(std::move(target)), m_guard(std::make_shared<Guard>(std::move(reply))) {}

void ExistsQuestion::Answer(platform::ExistsChoice choice, bool forAll) const { m_guard->reply->Give(choice, forAll); }

bool ExistsQuestion::Answered() const {
  std::lock_guard lock(m_guard->reply->mutex);
  return m_guard->reply->given;
}

AppCore::AppCore(settings::SettingsStore& settings, platform::UiDispatcher& dispatcher)
    : m_settings(settings),
      m_dispatcher(dispatcher),
      m_analyser(&settings, &m_cache),
      m_bridge(std::make_unique<Bridge>(*this)),
      m_runner(m_state, m_analyser, *m_bridge, *m_bridge, dispatcher) {
  ReadSettings();
}

AppCore::~AppCore() { Shutdown(); }

void AppCore::Shutdown() {
  if (m_shutDown) return;
  m_shutDown = true;
  // Stop first, then release every worker that waits for this thread, then wait for them.
  m_state.stopRequests.fetch_add(1);
  m_bridge->CancelQuestion();
  m_dispatcher.Shutdown();
  m_runner.Wait();
  m_fileWorker.Wait();
}

void AppCore::AddObserver(AppCoreObserver* observer) {
  if (observer != nullptr && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
    m_observers.push_back(observer);
}

void AppCore::RemoveObserver(AppCoreObserver* observer) { std::erase(m_observers, observer); }

template <class Fn>
void AppCore::NotifyObservers(Fn&& fn) {
  // A copy: an observer may remove itself while it is told.
  const std::vector<AppCoreObserver*> observers = m_observers;
  for (AppCoreObserver* observer : observers) fn(*observer);
}

void AppCore::PostProgress() {
  {
    std::lock_guard lock(m_progressMutex);
    if (m_progressPosted) return;
    m_progressPosted = true;
  }
  m_dispatcher.Post([this] {
    SearchProgressEvent event;
    {
      std::lock_guard lock(m_progressMutex);
      event = m_progress;
      m_progressPosted = false;
    }
    NotifyObservers([&](AppCoreObserver& o) { o.OnSearchProgress(event); });
  });
}

size_t AppCore::WriteDefaultProviderEntries() {
  return analysis::WriteDefaultProviderEntries(m_settings);
}

void AppCore::SetOptions(uint32_t options) {
  m_state.options.store(options);
  m_state.list.SetOptions(options);
  m_cache.ApplyOptions(options);
}

void AppCore::ReadSettings() {
  SetOptions(m_settings.ReadOption(settings::SettingsStore::kMainSection, kDefaultOptions));
  m_state.list.SetSortOrder(results::ReadSortOrder(m_settings));
  m_cache.ResolvePath(m_settings);
}

void AppCore::SetCache(const CacheChoice& choice) {
  if (choice.useSettings) m_cache.ResolvePath(m_settings);
  else m_cache.SetPath(choice.path);
}

std::u16string AppCore::StatusText() const {
  return engine::SearchStatusText(Progress(), (Options() & engine::kOptionShortSizes) != 0);
}

std::u16string AppCore::SelectedText() const {
  results::StatusTextInput input;
  input.textId = results::status_text::kSelected;
  input.counter = m_state.list.RecountSelected();
  input.shortSizes = (Options() & engine::kOptionShortSizes) != 0;
  return results::FormatStatusText(input);
}

std::vector<CommandStateChange> AppCore::UpdateCommandStates(bool force) {
  CommandConditions now;
  now.listEmpty = m_state.list.RowCount() == 0;
  now.searching = Searching();
  now.deleting = Deleting();
  return m_commands.Update(now, force);
}

// --- Searching ----------------------------------------------------------------------------------------

FindStart AppCore::Find() {
  if (m_shutDown || Busy()) return {FindResult::kBusy, 0};
  if (m_state.preset.folders.empty()) return {FindResult::kNoFolder, 0};
  if (!m_runner.StartSearch()) return {Busy() ? FindResult::kBusy : FindResult::kFailed, 0};
  return {FindResult::kStarted, 0};
}

FindStart AppCore::FindWithPresetBox(std::u16string_view presetBoxText) {
  if (m_shutDown || Busy()) return {FindResult::kBusy, 0};
  if (const uint32_t code = m_state.preset.LoadCurrent(presetBoxText, m_settings))
    return {FindResult::kPresetError, code};
  return Find();
}

void AppCore::Stop() {
  // The search and the file worker share the counters: Stop ends whichever runs.
  if (m_state.searchRunning.load() != 0) {
    m_state.stopRequests.fetch_add(1);
    m_bridge->CancelQuestion();
  }
}

void AppCore::Wait() {
  m_runner.Wait();
  m_fileWorker.Wait();
}

// --- Results files ------------------------------------------------------------------------------------

uint32_t AppCore::LoadResults(std::u16string_view path, results::LoadReport* report) {
  if (m_shutDown || Busy()) return err::kAccessDenied;
  // Loaded rows keep the file's order (the display order when it was saved).
  const uint32_t code = results::LoadResults(m_state.list, path, report);
  if (code == 0) NotifyObservers([](AppCoreObserver& o) { o.OnCommandStatesChanged(); });
  return code;
}

uint32_t AppCore::SaveResults(std::u16string_view path, size_t* written, size_t* unstorable) const {
  return results::SaveResults(m_state.list, path, written, unstorable);
}

// --- Selection --------------------------------------------------------------------------------------

results::SelectDupesResult AppCore::SelectDupes() {
  const results::FavoriteFolders folders = results::ReadFavoriteFolders(m_settings);
  return SelectDupes(folders);
}

results::SelectDupesResult AppCore::SelectDupes(std::span<const results::FavoriteFolder> folders) {
  if (Deleting()) return {};
  return results::SelectDupes(m_state.list, folders);
}

results::SelectDupesResult AppCore::SelectDupes(const results::KeepChoice& choice) {
  if (Deleting()) return {};
  return results::SelectDupesByRule(m_state.list, choice);
}

size_t AppCore::SelectAll() { return Deleting() ? 0 : results::SelectAll(m_state.list); }
size_t AppCore::DeselectAll() { return Deleting() ? 0 : results::DeselectAll(m_state.list); }
size_t AppCore::InvertSelection() { return Deleting() ? 0 : results::InvertSelection(m_state.list); }

bool AppCore::SortCommand(lang::CommandId command) {
  if (Deleting()) return false;
  if (command == lang::CommandId::kSortReversed) {
    m_state.list.ToggleReversed();
    return true;
  }
  const int key = lang::SortKeyOfCommand(command);
  if (key < 0) return false;
  m_state.list.SetSortKey(key);
  return true;
}

// --- File operations ------------------------------------------------------------------------------

template <class Fn>
results::OperationOutcome AppCore::RunOperation(results::FileOperationObserver* observer, Fn&& operation) {
  results::OperationOutcome outcome;
  if (m_shutDown || Busy()) {
    outcome.code = err::kAccessDenied;
    return outcome;
  }
  outcome = operation(results::OperationContext{m_state.list, m_dispatcher, observer, &m_state.stopRequests});
  NotifyObservers([](AppCoreObserver& o) { o.OnCommandStatesChanged(); });
  return outcome;
}

results::OperationOutcome AppCore::CopyFiles(const results::FileJob& job, std::u16string_view target,
                                             results::FileOperationObserver* observer) {
  return RunOperation(observer, [&](const results::OperationContext& context) {
    results::OperationOutcome outcome = results::CopyFiles(context, job, target);
    results::RememberCopyTarget(m_settings, target);
    return outcome;
  });
}

results::OperationOutcome AppCore::MoveFiles(const results::FileJob& job, std::u16string_view target,
                                             results::FileOperationObserver* observer) {
  return RunOperation(observer, [&](const results::OperationContext& context) {
    results::OperationOutcome outcome = results::MoveFiles(context, job, target);
    results::RememberCopyTarget(m_settings, target);
    return outcome;
  });
}

results::OperationOutcome AppCore::TrashFiles(const results::FileJob& job, results::FileOperationObserver* observer) {
  return RunOperation(observer, [&](const results::OperationContext& context) { return results::TrashFiles(context, job); });
}

bool AppCore::StartFileOperation(results::FileOperation operation, results::FileJob job, std::u16string_view target,
                                 bool keepSelection) {
  using results::FileOperation;
  const bool transfer = operation == FileOperation::kCopy || operation == FileOperation::kMove;
  if (m_shutDown || job.Empty() || (transfer && target.empty())) return false;
  const FileCommand command = operation == FileOperation::kCopy   ? FileCommand::kFileCopy
                              : operation == FileOperation::kMove ? FileCommand::kFileMove
                                                                  : FileCommand::kFileDelete;
  if (m_state.searchRunning.load() != 0) return false;
  m_bridge->StartOperation(command, operation, job.files.size(), job.totalBytes);
  results::OperationContext context{m_state.list, m_dispatcher, m_bridge.get(), nullptr};
  context.keepSelection = keepSelection;
  const bool started = m_fileWorker.Start(
      context, std::move(job), operation, std::u16string(target), m_state.searchRunning, m_state.stopRequests,
      [this, command](const results::OperationOutcome& outcome) {
        // The worker ends after this: the host hears of it on its own thread.
        m_dispatcher.Post([this, command, outcome] {
          NotifyObservers([&](AppCoreObserver& o) {
            o.OnFileOperationFinished(command, outcome);
            o.OnCommandStatesChanged();
          });
        });
      });
  if (!started) return false;
  if (transfer) results::RememberCopyTarget(m_settings, target);
  NotifyObservers([](AppCoreObserver& o) { o.OnCommandStatesChanged(); });
  return true;
}

uint32_t AppCore::RenameRow(size_t index, std::u16string_view newName) {
  if (m_shutDown || Busy()) return err::kAccessDenied;
  return results::RenameRow(m_state.list, index, newName);
}

size_t AppCore::RemoveSelectedFromList() {
  if (m_shutDown || Deleting()) return 0;
  const size_t removed = results::RemoveSelectedFromList(m_state.list);
  if (removed > 0) NotifyObservers([](AppCoreObserver& o) { o.OnCommandStatesChanged(); });
  return removed;
}

// --- Export and clipboard -------------------------------------------------------------------------

uint32_t AppCore::Export(std::u16string_view path, results::ExportFormat format,
                         const results::ExportExtras& extras) const {
  const results::ColumnLayout layout = results::ReadLayout(m_settings);
  const std::vector<uint32_t> colors = results::SchemeBackgrounds(settings::ReadColorScheme(m_settings, "Color"));
  return results::ExportList(m_state.list, layout, colors, format, path, extras);
}

std::string AppCore::ComposeExport(results::ExportFormat format, const results::ExportExtras& extras) const {
  const std::vector<uint32_t> colors = results::SchemeBackgrounds(settings::ReadColorScheme(m_settings, "Color"));
  return results::ComposeExport(
      results::BuildExportTable(m_state.list, results::ReadLayout(m_settings), colors, extras), format);
}

std::u16string AppCore::ClipboardText(lang::CommandId command) const {
  switch (command) {
    case lang::CommandId::kCopyNames: return results::SelectedNamesText(m_state.list);
    case lang::CommandId::kCopyPaths: return results::SelectedPathsText(m_state.list);
    case lang::CommandId::kCopySelection:
    case lang::CommandId::kCopySelectionWithHeader:
      return results::SelectionText(m_state.list, results::ReadLayout(m_settings),
                                    command == lang::CommandId::kCopySelectionWithHeader);
    default: return {};
  }
}

}  // namespace tarnq::appcore
