// SPDX-License-Identifier: GPL-3.0-or-later
// The file operations on the selected rows: copy and move to a folder, rename in place, delete to
// the desktop Trash, delete permanently or wipe (on a worker thread), remove from the list. The GUI's
// dialogs and the command line both call these.
//
// Every destructive operation works on a FileJob: a snapshot of the selected rows' paths, sizes,
// times and file identities taken when the user confirmed. Before a file is deleted, wiped, trashed
// or moved it must still be the file of the snapshot, with its row's size and modification time,
// and must not be the same file as an unselected row of its group; a file that fails these checks
// goes to the error list untouched. Afterwards exactly the rows whose files are gone leave the list
// (found by their record and path, not by display index); every other row stays.
//
// Threads: the operations run on the calling thread; FileWorker runs any of them on its own thread.
// The list is changed only through the UiDispatcher.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/file_ops.h"
#include "platform/files.h"
#include "platform/threads.h"
#include "results/result_list.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::results {

// Option bits of `Opt` used by Delete.
inline constexpr uint32_t kOptionNoTrash = 0x400;  // inverse of "Use Recycle Bin, if possible"
inline constexpr uint32_t kOptionWipe = 0x800;     // "Wipe (Shredder)"

// Errors of the checks before a destructive operation (the program's own codes, beside those of
// platform/errors.h).
namespace op_error {
inline constexpr uint32_t kFileChanged = 0x20010020;     // not the file the row describes any more
inline constexpr uint32_t kSameAsKeptFile = 0x20010021;  // the same file as an unselected row
inline constexpr uint32_t kTargetInList = 0x20010022;    // overwrite of a file the list keeps
inline constexpr uint32_t kNoKeptCopy = 0x20010023;      // no other copy of its group is left
inline constexpr uint32_t kCopyFailed = 0x20010024;      // not deleted: its copy did not succeed
inline constexpr uint32_t kRowDropped = 0x20010025;      // renamed, but the row could not follow
}  // namespace op_error
// The message for any error code of an operation (UTF-8).
std::string OperationErrorMessage(uint32_t code);

// Section `Copy`: the target folders of copy and move, most recent first, at most 30.
inline constexpr std::string_view kCopyHistorySection = "Copy";
std::vector<std::u16string> ReadCopyHistory(settings::SettingsStore& store);
// Moves `target` to the top of the history (at most 1024 characters kept) and writes it back.
void RememberCopyTarget(settings::SettingsStore& store, std::u16string_view target);

// One selected row as it was when the user confirmed.
struct JobFile {
  const std::byte* row = nullptr;  // the row's record: its identity in the list
  std::u16string path;
  // The path with its folder's links resolved at the snapshot: what delete, wipe, move and trash
  // act on (they follow no link after the user confirmed).
  std::u16string resolved;
  const std::u16string& Target() const { return resolved.empty() ? path : resolved; }
  uint32_t group = 0;
  uint64_t size = 0;
  uint64_t modified = 0;
  platform::FileIdentity identity;
  uint32_t statusError = 0;  // why the file could not be examined at the snapshot (0 = fine)
};

struct FileJob {
  std::vector<JobFile> files;  // the selected rows in display order
  uint64_t totalBytes = 0;     // their known sizes
  size_t rowCount = 0;         // rows of the list at the snapshot
  // Identities of every unselected row: a file listed twice is one file, kept or selected, never
  // both, whatever group each listing stands in.
  std::unordered_set<platform::FileIdentity, platform::FileIdentityHash> keptIdentities;
  // Full paths of every unselected row: copy and move never overwrite one of them.
  std::unordered_set<std::u16string> keptPaths;
  // The unselected members of the groups that have a selected row, as their rows describe them.
  struct KeptMember {
    std::u16string path;
    uint64_t size = 0;
    uint64_t modified = 0;
  };
  std::unordered_map<uint32_t, std::vector<KeptMember>> keptMembers;
  // Groups (other than group 0) whose every member is selected: delete, wipe and trash would leave
  // no copy of them, which needs the user's second confirmation.
  size_t groupsLosingEveryCopy = 0;
  bool Empty() const { return files.empty(); }
};

// Takes the snapshot (each selected row's file and the kept members of its group are examined).
FileJob SnapshotSelection(const ResultList& list);
// 0 when `file` may be changed: it exists, is still the snapshot's file, has the row's size and
// modification time and is not the same file as an unselected row; else the reason.
uint32_t VerifyJobFile(const FileJob& job, const JobFile& file);
// The last-copy guard of delete, wipe and trash: 0 when the group of `file` still has an unselected
// member that exists now as a regular file (links followed) with its row's size and time and is not
// the file at `file.path` itself; also 0 for group 0 and for a group the user selected entirely
// (that choice is confirmed separately). Else op_error::kNoKeptCopy.
uint32_t VerifyKeptCopy(const FileJob& job, const JobFile& file);

struct FileError {
  std::u16string path;
  uint32_t code = 0;
  std::string Message() const { return OperationErrorMessage(code); }
};

// Hears what an operation does; every member is called on the thread that runs the operation.
class FileOperationObserver {
 public:
  virtual ~FileOperationObserver() = default;
  // One file failed; it stays where it was and its row stays in the list.
  virtual void OnError(const FileError& /*error*/) {}
  // One file is done (`target`: where it went for copy and move, else empty).
  virtual void OnDone(const JobFile& /*file*/, std::u16string_view /*target*/) {}
  // Units done of the total: files, plus bytes when copying, moving or wiping. False cancels.
  virtual bool OnProgress(uint64_t /*done*/, uint64_t /*total*/) { return true; }
  // A target of copy or move exists. The default leaves both files as they are.
  virtual platform::ExistsChoice OnExists(std::u16string_view /*source*/, std::u16string_view /*target*/) {
    return platform::ExistsChoice::kSkip;
  }
  // One file was left alone because its target exists and the user chose to skip it.
  virtual void OnSkipped(const JobFile& /*file*/) {}
};

struct OperationOutcome {
  uint32_t code = 0;       // 0, 1235 when cancelled, else the first error
  size_t done = 0;         // files handled
  size_t skipped = 0;      // files the user chose to skip
  size_t removedRows = 0;  // rows taken out of the list
  std::vector<FileError> errors;
  bool Cancelled() const { return code == platform::err::kCancelled; }
};

// The common arguments of the operations.
struct OperationContext {
  ResultList& list;
  platform::UiDispatcher& dispatcher;
  FileOperationObserver* observer = nullptr;
  const std::atomic<int32_t>* stop = nullptr;  // non-zero: stop before the next file or block
  // After a move, trash, delete or wipe the rows that remain keep their selection (the files that
  // failed stay selected for another try); otherwise every remaining row is deselected.
  bool keepSelection = false;
};

// The operations a FileWorker runs.
enum class FileOperation { kCopy, kMove, kTrash, kDelete, kWipe };

// Copy (108): the files of the job into `targetFolder` (created when missing). The list is not
// changed.
OperationOutcome CopyFiles(const OperationContext& context, const FileJob& job, std::u16string_view targetFolder);
// Move (109): like copy, then the files that went leave the list, and the remaining rows are
// deselected. Rows carry the move-pending state while it runs.
OperationOutcome MoveFiles(const OperationContext& context, const FileJob& job, std::u16string_view targetFolder);
// Delete to the desktop's Trash.
OperationOutcome TrashFiles(const OperationContext& context, const FileJob& job);
// Permanent delete (only the directory entry goes) or wipe, file by file.
OperationOutcome DeleteFiles(const OperationContext& context, const FileJob& job, bool wipe);

// Runs one operation of the kind given (`target`: the folder of copy and move).
OperationOutcome RunFileOperation(const OperationContext& context, const FileJob& job, FileOperation operation,
                                  std::u16string_view target = {});

// Runs one file operation at a time on its own thread. `running` is raised while it runs; a `stop`
// already counted when it starts (the command line's interrupt between two actions) ends it before
// the first file. At the end `onFinished` is called (on the worker thread) with the outcome, then
// `stop` is reset and `running` lowered.
class FileWorker {
 public:
  FileWorker() = default;
  ~FileWorker();  // waits
  FileWorker(const FileWorker&) = delete;
  FileWorker& operator=(const FileWorker&) = delete;

  // False (nothing started) while another operation or a search runs (`running` non-zero).
  bool Start(const OperationContext& context, FileJob job, FileOperation operation, std::u16string target,
             std::atomic<int32_t>& running, std::atomic<int32_t>& stop,
             std::function<void(const OperationOutcome&)> onFinished = {});
  // A permanent delete or a wipe.
  bool Start(const OperationContext& context, FileJob job, bool wipe, std::atomic<int32_t>& running,
             std::atomic<int32_t>& stop, std::function<void(const OperationOutcome&)> onFinished = {}) {
    return Start(context, std::move(job), wipe ? FileOperation::kWipe : FileOperation::kDelete, {}, running, stop,
                 std::move(onFinished));
  }
  void Wait();
  // An operation runs; false already while `onFinished` is called.
  bool Running() const { return m_active.load(); }
  const OperationOutcome& Outcome() const { return m_outcome; }  // after Wait()

 private:
  std::thread m_thread;
  std::atomic<bool> m_active{false};
  OperationOutcome m_outcome;
};
using DeleteWorker = FileWorker;

// Rename (110): renames the file of row `index` within its folder and rebuilds the row with the
// new name. A name with a separator, ".", "..", or an existing different target is refused.
// Returns 0 (also for an unchanged name) or the error code. The row never names a file that is
// not there: when the row cannot be rebuilt (no memory), the file gets its old name back (error
// kNotEnoughMemory); when even that fails, the row leaves the list (op_error::kRowDropped).
uint32_t RenameRow(ResultList& list, size_t index, std::u16string_view newName);

// Remove from list (114): drops the selected rows (files untouched) and deselects the rest.
// Returns the number of rows removed.
size_t RemoveSelectedFromList(ResultList& list);

// The question of the Delete dialog: "Are you sure you want to remove "song.mp3" ?" for one file,
// "... remove 3 elements ?" for several.
std::u16string DeleteQuestion(const FileJob& job);
// "%lu errors occured" with the count.
std::u16string ErrorCountText(size_t errors);

}  // namespace tarnq::results
