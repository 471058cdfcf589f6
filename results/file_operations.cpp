// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/file_operations.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "lang/format.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

namespace err = platform::err;

constexpr int kTextDeleteQuestion = 6601;
constexpr int kTextElements = 1227;
constexpr int kTextErrorCount = 6611;
constexpr size_t kMaxTargetUnits = 1024;

bool Stopped(const OperationContext& context) {
  return context.stop != nullptr && context.stop->load() != 0;
}

void Fail(const OperationContext& context, OperationOutcome& outcome, const JobFile& file, uint32_t code) {
  FileError error{file.path, code};
  if (context.observer) context.observer->OnError(error);
  if (outcome.code == 0) outcome.code = code;
  outcome.errors.push_back(std::move(error));
}

// Takes the rows of `gone` out of the list, each only when the row at that record still shows the
// snapshot's path; with `deselectRest` the remaining rows are deselected. Runs on the UI thread.
size_t RemoveGoneRows(const OperationContext& context, const std::vector<const JobFile*>& gone, bool deselectRest) {
  deselectRest = deselectRest && !context.keepSelection;
  size_t removed = 0;
  // When the host is gone the rows simply stay: nobody looks at the list any more.
  (void)context.dispatcher.RunSync([&] {
    ResultList& list = context.list;
    std::vector<size_t> indexes;
    {
      platform::StoreGuard guard(list.RowsLock());
      std::unordered_map<const std::byte*, const JobFile*> byRow;
      byRow.reserve(gone.size());
      for (const JobFile* file : gone) byRow.emplace(file->row, file);
      const size_t count = list.RowCount();
      for (size_t i = 0; i < count && !byRow.empty(); ++i) {
        const ResultRow row = list.RowAt(i);
        const auto it = byRow.find(row.Data());
        if (it == byRow.end() || list.FullPath(row) != it->second->path) continue;
        indexes.push_back(i);
        byRow.erase(it);
      }
    }
    removed = list.RemoveRows(indexes);
    if (deselectRest) list.SetSelection(ResultList::kAllRows, ResultList::kDeselect);
  });
  return removed;
}

// Sets or clears the move-pending state of the job's rows that are still in the list.
void MarkMovePending(const OperationContext& context, const FileJob& job, bool pending) {
  (void)context.dispatcher.RunSync([&] {
    ResultList& list = context.list;
    platform::StoreGuard guard(list.RowsLock());
    std::unordered_set<const std::byte*> rows;
    for (const JobFile& file : job.files) rows.insert(file.row);
    const size_t count = list.RowCount();
    for (size_t i = 0; i < count; ++i) {
      const ResultRow row = list.RowAt(i);
      if (!rows.contains(row.Data())) continue;
      const uint8_t state = row.State();
      row.SetState(pending ? state | row_state::kMovePending : state & ~row_state::kMovePending);
    }
  });
}

OperationOutcome Transfer(const OperationContext& context, const FileJob& job, std::u16string_view targetFolder,
                          bool move) {
  OperationOutcome outcome;
  std::vector<const JobFile*> gone;
  uint64_t bytesBefore = 0;
  if (move) MarkMovePending(context, job, true);
  for (const JobFile& file : job.files) {
    if (Stopped(context)) {
      outcome.code = err::kCancelled;
      break;
    }
    // Copying reads the file only; moving takes it away, so it must be the file the row shows.
    uint32_t check = platform::IsAbsolutePath(file.path) ? 0 : err::kPathNotFound;
    if (check == 0 && move) check = VerifyJobFile(job, file);
    if (check != 0) {
      Fail(context, outcome, file, check);
      continue;
    }
    bool refusedOverwrite = false;
    platform::TransferCallbacks callbacks;
    callbacks.onExists = [&](std::u16string_view source, std::u16string_view target) {
      const platform::ExistsChoice choice =
          context.observer ? context.observer->OnExists(source, target) : platform::ExistsChoice::kSkip;
      if (choice == platform::ExistsChoice::kOverwrite) {
        // A kept row's file is never replaced, however the target names it (a folder reached
        // through a link names the same entry by another path).
        platform::FileStatus existing;
        if (job.keptPaths.contains(std::u16string(target)) ||
            (platform::GetFileStatus(target, existing) == 0 && job.keptIdentities.contains(existing.identity))) {
          refusedOverwrite = true;
          return platform::ExistsChoice::kSkip;
        }
      }
      return choice;
    };
    callbacks.onProgress = [&](uint64_t done, uint64_t) {
      if (Stopped(context)) return false;
      return context.observer == nullptr || context.observer->OnProgress(bytesBefore + done, job.totalBytes);
    };
    std::vector<platform::TransferOutcome> outcomes;
    const std::u16string source = move ? file.Target() : file.path;
    platform::TransferFiles(std::span(&source, 1), targetFolder, move, callbacks, outcomes,
                            move ? std::span(&file.identity, 1) : std::span<const platform::FileIdentity>{});
    const platform::TransferOutcome result = outcomes.empty() ? platform::TransferOutcome{{}, err::kGenFailure} : outcomes[0];
    if (file.size != kUnknownSize) bytesBefore += file.size;
    if (result.code == err::kCancelled) {
      outcome.code = err::kCancelled;
      break;
    }
    if (result.code == err::kSkippedByUser && refusedOverwrite) {
      Fail(context, outcome, file, op_error::kTargetInList);
    } else if (result.code == err::kSkippedByUser) {
      ++outcome.skipped;
      if (context.observer) context.observer->OnSkipped(file);
    } else if (result.code != 0) {
      Fail(context, outcome, file, result.code);
    } else {
      ++outcome.done;
      if (move) gone.push_back(&file);
      if (context.observer) context.observer->OnDone(file, result.target);
    }
  }
  if (move) {
    MarkMovePending(context, job, false);
    if (!gone.empty()) outcome.removedRows = RemoveGoneRows(context, gone, true);
  }
  return outcome;
}

}  // namespace

// --- Messages and texts ---------------------------------------------------------------------------

std::string OperationErrorMessage(uint32_t code) {
  switch (code) {
    case op_error::kFileChanged:
      return "The file has changed since the list was made (size, modification time or identity).";
    case op_error::kSameAsKeptFile:
      return "The file is the same file as an unselected member of its group.";
    case op_error::kTargetInList:
      return "The target is a file of the list that is not selected; it was not overwritten.";
    case op_error::kNoKeptCopy:
      return "No other copy of its group is left (the unselected members are gone, changed or the same file); "
             "it was kept.";
    case op_error::kCopyFailed:
      return "Its copy did not succeed; it was kept.";
    case op_error::kRowDropped:
      return "The file was renamed, but its row could not be updated; the row was removed from the list.";
    default:
      return platform::ErrorMessage(code);
  }
}

std::u16string DeleteQuestion(const FileJob& job) {
  std::u16string what;
  if (job.files.size() == 1) {
    what = u"\"";
    for (char16_t c : platform::FileNameOf(job.files[0].path)) {
      if (c == u'"') what += u'\\';
      what += c;
    }
    what += u'"';
  } else {
    what = platform::FormatNumberGrouped(static_cast<int64_t>(job.files.size())) + u" " + lang::GetText(kTextElements);
  }
  return lang::FormatText(lang::GetText(kTextDeleteQuestion), {what});
}

std::u16string ErrorCountText(size_t errors) {
  return lang::FormatText(lang::GetText(kTextErrorCount), {static_cast<uint64_t>(errors)});
}

// --- The copy history -----------------------------------------------------------------------------

std::vector<std::u16string> ReadCopyHistory(settings::SettingsStore& store) {
  std::vector<std::u16string> history;
  for (settings::ListEntry& entry : store.ReadList(kCopyHistorySection)) {
    if (history.size() == settings::kHistoryLimit) break;
    history.push_back(std::move(entry.value));
  }
  return history;
}

void RememberCopyTarget(settings::SettingsStore& store, std::u16string_view target) {
  const std::u16string chosen(platform::CutUtf16(target, kMaxTargetUnits));
  if (chosen.empty()) return;
  std::vector<std::u16string> history = ReadCopyHistory(store);
  std::erase(history, chosen);
  history.insert(history.begin(), chosen);
  store.WriteList(kCopyHistorySection, history, settings::kHistoryLimit);
}

// --- Snapshot and checks --------------------------------------------------------------------------

FileJob SnapshotSelection(const ResultList& list) {
  FileJob job;
  struct Other {
    uint32_t group;
    std::u16string path;
    uint64_t size;
    uint64_t modified;
  };
  std::vector<Other> others;
  std::unordered_set<uint32_t> groups;
  {
    platform::StoreGuard guard(list.RowsLock());
    job.rowCount = list.RowCount();
    for (size_t i = 0; i < job.rowCount; ++i) {
      const ResultRow row = list.RowAt(i);
      if (!row || row.Length() == 0) continue;
      if (!row.Selected()) {
        others.push_back({row.Group(), list.FullPath(row), row.Size(), row.Modified()});
        continue;
      }
      JobFile file;
      file.row = row.Data();
      file.path = list.FullPath(row);
      file.group = row.Group();
      file.size = row.Size();
      file.modified = row.Modified();
      if (file.size != kUnknownSize) job.totalBytes += file.size;
      if (file.group != 0) groups.insert(file.group);
      job.files.push_back(std::move(file));
    }
  }
  // The files are examined outside the list's lock: the list stays usable meanwhile.
  for (JobFile& file : job.files) {
    platform::FileStatus status;
    file.statusError = platform::IsAbsolutePath(file.path) ? platform::GetFileStatus(file.path, status)
                                                           : err::kPathNotFound;
    if (file.statusError == 0) {
      file.identity = status.identity;
      file.resolved = platform::ResolveFolderLinks(file.path);
    }
  }
  for (Other& other : others) {
    if (platform::IsAbsolutePath(other.path)) {
      platform::FileStatus status;
      if (platform::GetFileStatus(other.path, status) == 0) job.keptIdentities.insert(status.identity);
    }
    if (other.group != 0 && groups.contains(other.group))
      job.keptMembers[other.group].push_back({other.path, other.size, other.modified});
    job.keptPaths.insert(std::move(other.path));
  }
  for (const uint32_t group : groups)
    if (!job.keptMembers.contains(group)) ++job.groupsLosingEveryCopy;
  return job;
}

uint32_t VerifyJobFile(const FileJob& job, const JobFile& file) {
  if (!platform::IsAbsolutePath(file.path)) return err::kPathNotFound;
  platform::FileStatus status;
  if (const uint32_t code = platform::GetFileStatus(file.path, status)) return code;
  if (file.statusError != 0 || status.identity != file.identity) return op_error::kFileChanged;
  if (!status.isRegular) return err::kNotRegularFile;
  if (status.size != file.size || status.lastWriteTime != file.modified) return op_error::kFileChanged;
  if (job.keptIdentities.contains(status.identity) || job.keptPaths.contains(file.path))
    return op_error::kSameAsKeptFile;
  return 0;
}

uint32_t VerifyKeptCopy(const FileJob& job, const JobFile& file) {
  if (file.group == 0) return 0;
  const auto members = job.keptMembers.find(file.group);
  if (members == job.keptMembers.end()) return 0;
  platform::FileStatus selected;
  if (platform::GetFileStatus(file.path, selected) != 0) return op_error::kNoKeptCopy;
  for (const FileJob::KeptMember& member : members->second) {
    if (!platform::IsAbsolutePath(member.path)) continue;
    // A link counts only by what it points to: a kept "copy" that is a link to the selected file
    // (or lies below a folder now linked to the selected file's folder) is no copy.
    platform::FileStatus status;
    if (platform::GetFileStatus(member.path, status, true) != 0 || !status.isRegular) continue;
    if (status.identity == selected.identity) continue;
    if (status.size != member.size || status.lastWriteTime != member.modified) continue;
    return 0;
  }
  return op_error::kNoKeptCopy;
}

// --- The operations -------------------------------------------------------------------------------

OperationOutcome CopyFiles(const OperationContext& context, const FileJob& job, std::u16string_view targetFolder) {
  return Transfer(context, job, targetFolder, false);
}

OperationOutcome MoveFiles(const OperationContext& context, const FileJob& job, std::u16string_view targetFolder) {
  return Transfer(context, job, targetFolder, true);
}

OperationOutcome TrashFiles(const OperationContext& context, const FileJob& job) {
  OperationOutcome outcome;
  std::vector<const JobFile*> gone;
  uint64_t done = 0;
  for (const JobFile& file : job.files) {
    if (Stopped(context)) {
      outcome.code = err::kCancelled;
      break;
    }
    uint32_t code = VerifyJobFile(job, file);
    if (code == 0) code = VerifyKeptCopy(job, file);
    if (code == 0) code = platform::MoveToTrash(file.Target(), &file.identity);
    if (code != 0) {
      Fail(context, outcome, file, code);
    } else {
      ++outcome.done;
      gone.push_back(&file);
      if (context.observer) context.observer->OnDone(file, {});
    }
    if (context.observer && !context.observer->OnProgress(++done, job.files.size())) {
      outcome.code = err::kCancelled;
      break;
    }
  }
  if (!gone.empty()) outcome.removedRows = RemoveGoneRows(context, gone, true);
  return outcome;
}

OperationOutcome DeleteFiles(const OperationContext& context, const FileJob& job, bool wipe) {
  OperationOutcome outcome;
  std::vector<const JobFile*> gone;
  const uint64_t total = job.files.size() + (wipe ? job.totalBytes : 0);
  uint64_t done = 0;
  bool cancelled = false;
  auto advance = [&](uint64_t units) {
    done += units;
    if (Stopped(context) || (context.observer && !context.observer->OnProgress(done, total))) cancelled = true;
    return !cancelled;
  };
  for (const JobFile& file : job.files) {
    if (cancelled || Stopped(context)) {
      cancelled = true;
      break;
    }
    uint32_t code = VerifyJobFile(job, file);
    if (code == 0) code = VerifyKeptCopy(job, file);
    if (code == 0)
      code = wipe ? platform::WipeFile(file.Target(), advance, &file.identity)
                  : platform::DeleteFilePermanently(file.Target(), &file.identity);
    if (code == err::kCancelled) {
      // Stopped in the middle of a wipe: the file stays (overwritten, under its '@' name).
      Fail(context, outcome, file, code);
      cancelled = true;
      break;
    }
    if (code != 0) {
      Fail(context, outcome, file, code);
    } else {
      ++outcome.done;
      gone.push_back(&file);
      if (context.observer) context.observer->OnDone(file, {});
    }
    advance(1);
  }
  if (cancelled) outcome.code = err::kCancelled;
  if (!gone.empty()) outcome.removedRows = RemoveGoneRows(context, gone, true);
  return outcome;
}

OperationOutcome RunFileOperation(const OperationContext& context, const FileJob& job, FileOperation operation,
                                  std::u16string_view target) {
  switch (operation) {
    case FileOperation::kCopy: return CopyFiles(context, job, target);
    case FileOperation::kMove: return MoveFiles(context, job, target);
    case FileOperation::kTrash: return TrashFiles(context, job);
    case FileOperation::kDelete: return DeleteFiles(context, job, false);
    case FileOperation::kWipe: return DeleteFiles(context, job, true);
  }
  OperationOutcome outcome;
  outcome.code = err::kInvalidParameter;
  return outcome;
}

// --- The worker -----------------------------------------------------------------------------------

FileWorker::~FileWorker() { Wait(); }

bool FileWorker::Start(const OperationContext& context, FileJob job, FileOperation operation, std::u16string target,
                       std::atomic<int32_t>& running, std::atomic<int32_t>& stop,
                       std::function<void(const OperationOutcome&)> onFinished) {
  int32_t idle = 0;
  if (!running.compare_exchange_strong(idle, 1)) return false;
  Wait();
  m_active = true;
  OperationContext workerContext = context;
  workerContext.stop = &stop;
  try {
    m_thread = std::thread([this, workerContext, job = std::move(job), operation, target = std::move(target),
                            &running, &stop, onFinished = std::move(onFinished)] {
      try {
        m_outcome = RunFileOperation(workerContext, job, operation, target);
      } catch (...) {
        m_outcome = OperationOutcome{};
        m_outcome.code = err::kNotEnoughMemory;
      }
      // The owner hears of the end while the counter still says "running", so nothing new can
      // start before it has taken the outcome in; but Running() already says done, so that the
      // commands the owner enables on hearing it are enabled.
      m_active = false;
      if (onFinished) {
        try {
          onFinished(m_outcome);
        } catch (...) {
        }
      }
      stop.store(0);
      running.store(0);
    });
  } catch (...) {
    // No thread: nothing runs, and the counter must not say otherwise.
    m_active = false;
    running.store(0);
    return false;
  }
  return true;
}

void FileWorker::Wait() {
  if (m_thread.joinable()) m_thread.join();
}

// --- Rename and remove ----------------------------------------------------------------------------

uint32_t RenameRow(ResultList& list, size_t index, std::u16string_view newName) {
  std::vector<std::byte> record;
  std::u16string oldPath, newPath;
  {
    platform::StoreGuard guard(list.RowsLock());
    const ResultRow row = list.RowAt(index);
    if (!row) return err::kInvalidParameter;
    if (newName == row.Name()) return 0;
    oldPath = list.FullPath(row);
    if (!platform::IsAbsolutePath(oldPath)) return err::kPathNotFound;
    if (newName.size() > row_layout::kMaxNameUnits) return err::kFilenameExceedRange;
    RowFields fields;
    fields.state = row.State();
    fields.group = row.Group();
    fields.folder = row.Folder();
    fields.attributes = row.Attributes();
    fields.size = row.Size();
    fields.created = row.Created();
    fields.accessed = row.Accessed();
    fields.modified = row.Modified();
    // The text block stays with the row: the new record carries the same pointer. The record is
    // made before the file changes, so that running out of memory here changes nothing.
    try {
      if (!EncodeRow(fields, row.Info(), newName, record)) return err::kFilenameExceedRange;
    } catch (const std::bad_alloc&) {
      return err::kNotEnoughMemory;
    }
    if (const uint32_t code = platform::RenameInFolder(oldPath, newName, &newPath)) return code;
  }
  if (list.SetRow(index, record) != ResultList::kSetRowBadIndex) return 0;
  // The file has its new name but the row still shows the old one: give the file its old name
  // back, or else take the row out, so that the list never points at a file that is not there.
  if (platform::RenameFile(newPath, oldPath) == 0) return err::kNotEnoughMemory;
  try {
    list.RemoveRow(index);
  } catch (const std::bad_alloc&) {
  }
  return op_error::kRowDropped;
}

size_t RemoveSelectedFromList(ResultList& list) {
  std::vector<size_t> indexes;
  {
    platform::StoreGuard guard(list.RowsLock());
    const size_t count = list.RowCount();
    for (size_t i = 0; i < count; ++i)
      if (list.RowAt(i).Selected()) indexes.push_back(i);
  }
  if (indexes.empty()) return 0;
  const size_t removed = list.RemoveRows(indexes);
  list.SetSelection(ResultList::kAllRows, ResultList::kDeselect);
  return removed;
}

}  // namespace tarnq::results
