// SPDX-License-Identifier: GPL-3.0-or-later
// The result list model: the rows of the duplicates found (or loaded), their folders, the display
// order, the sort order, the selection and the totals. Painting belongs to the GUI, which asks for
// cell texts and listens through a ResultListObserver.
//
// The list owns the text blocks of its rows (a row's record holds only the block's address): a row
// that leaves the list frees its texts at once.
//
// Threads: the search fills the list from its worker (Clear, folders, FillFromSearch); everything
// else runs on the user-interface thread. Every member takes the rows lock or the folders lock
// and waits for it (no operation is skipped because a lock was busy). Views returned by RowAt stay
// valid until Clear(): removed rows keep their bytes (with their text block released).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "records/found_file.h"
#include "records/packed_store.h"
#include "records/text_blocks.h"
#include "results/cell_text.h"
#include "results/columns.h"
#include "results/folder_table.h"
#include "results/result_row.h"
#include "results/sort_order.h"
#include "results/totals.h"

namespace tarnq::results {

// What the list tells its views. Every change brackets itself the way a table model needs it:
// "before" while the rows are still as they were, "after" once the change is done. The calls come on
// the thread that changes the list (its owner, the user-interface thread: the search hands its
// results over through the dispatcher), without any lock held, and always in pairs. Indexes are
// display indexes at the time of the call; removals of several runs come from the last run to the
// first, so each pair's indexes hold when it is made.
class ResultListObserver {
 public:
  virtual ~ResultListObserver() = default;
  virtual void BeforeRowsInserted(size_t /*first*/, size_t /*count*/) {}
  virtual void AfterRowsInserted(size_t /*first*/, size_t /*count*/) {}
  virtual void BeforeRowsRemoved(size_t /*first*/, size_t /*count*/) {}
  virtual void AfterRowsRemoved(size_t /*first*/, size_t /*count*/) {}
  // Everything may change: clear, fill, load.
  virtual void BeforeReset() {}
  virtual void AfterReset() {}
  // The same rows in another order, groups renumbered (sort).
  virtual void BeforeLayoutChange() {}
  virtual void AfterLayoutChange() {}
  // State or content of rows [first, first + count) changed (selection, focus, rename).
  virtual void OnRowsChanged(size_t /*first*/, size_t /*count*/) {}
  // The selection changed (after OnRowsChanged): recount the selected rows.
  virtual void OnSelectionChanged() {}
};

class ResultList {
 public:
  // SetRow results.
  static constexpr int kSetRowDone = 0;
  static constexpr int kSetRowBadIndex = 1;
  static constexpr int kSetRowIdentical = 2;
  // SetSelection modes.
  static constexpr int kSelect = 1;
  static constexpr int kDeselect = 0;
  static constexpr int kInvert = -1;
  static constexpr int64_t kAllRows = -1;
  static constexpr int64_t kNoRow = -1;

  ResultList();
  ~ResultList();  // releases the rows' text blocks; tells no observer

  ResultList(const ResultList&) = delete;
  ResultList& operator=(const ResultList&) = delete;

  // Observers are told in the order they were added. Add and remove them on the owner thread.
  void AddObserver(ResultListObserver* observer);
  void RemoveObserver(ResultListObserver* observer);
  // The main options (`Opt`): numeric names, short sizes, seconds.
  void SetOptions(uint32_t options) { m_options = options; }
  uint32_t Options() const { return m_options; }

  // --- Rows ----------------------------------------------------------------------------------------
  // Appends a packed row (see result_row.h); the list takes over the text block its info points to.
  // Returns the new display index (the last), or -1 when the record is malformed or memory runs out
  // (the text block then still belongs to the caller).
  int64_t AddRow(std::span<const std::byte> record);
  // Replaces the record of row `index`: in place when it fits, else the new record is appended and
  // the display order points at it. When the new text block differs from the old one, the old one
  // is released. kSetRowDone, kSetRowBadIndex, or kSetRowIdentical (nothing done).
  int SetRow(size_t index, std::span<const std::byte> record);
  // For tests of callers: the next SetRow fails (kSetRowBadIndex) as when memory runs out, after
  // calling `before` (which may change the files around the row). Cleared when it fires.
  void FailNextSetRowForTesting(std::function<void()> before = [] {}) { m_setRowFault = std::move(before); }
  // Removes a row (its text block released). When it was focused and no batch runs, the row that
  // now has its index (or the last row) becomes focused.
  bool RemoveRow(size_t index);
  // Removes many rows at once (indexes in any order, duplicates ignored); linear. Observers hear of
  // each run of neighbouring rows, or of one reset when the rows are scattered over many runs.
  size_t RemoveRows(std::span<const size_t> indexes);
  static constexpr size_t kMaxRemovalRuns = 64;
  // Removes every row and every folder (a reset).
  void Clear();

  size_t RowCount() const;
  ResultRow RowAt(size_t index) const;          // null view when out of range
  ResultRow SelectedRowAt(size_t index) const;  // null view unless the row is selected
  // The full path of a row: its folder's path, a separator when needed, the name.
  std::u16string FullPath(ResultRow row) const;
  // The same, appended to `out` (no allocation once `out` has room).
  void AppendFullPath(ResultRow row, std::u16string& out) const;
  std::u16string FullPathAt(size_t index) const { return FullPath(RowAt(index)); }

  // Selection of `index` or of all rows (kAllRows): kSelect (or 2), kDeselect, kInvert. Returns
  // the number of rows whose state changed; notifies the observer when any did.
  size_t SetSelection(int64_t index, int mode);
  // Sets the selected bit of many rows in one step: modes[i] (kSelect, kDeselect, kInvert or
  // kKeepState) for display index i; rows past the span keep their state. The observer hears of
  // it once. Returns the number of rows whose state changed. (Defined in selection.cpp.)
  static constexpr int8_t kKeepState = 9;
  size_t ApplySelection(std::span<const int8_t> modes);
  size_t SelectedCount() const;
  int64_t FocusedRow() const;
  void SetFocusedRow(int64_t index);

  // Batches of changes (a fill, a load): no focus repair and no notifications per row; the whole
  // batch is one reset for the observers. Batches nest.
  void BeginBatch();
  void EndBatch();

  // --- Folders ---------------------------------------------------------------------------------------
  FolderTable& Folders() { return m_folders; }
  const FolderTable& Folders() const { return m_folders; }
  std::u16string FolderPath(uint32_t folder) const { return m_folders.Path(folder); }
  // A whole folder path as a root entry (found when present, else added): results files.
  uint32_t FindFolder(std::u16string_view path) { return m_folders.FindOrAdd(path, 0); }
  // One name under `parent` (parent 0: a whole path): the scan.
  uint32_t AddFolder(std::u16string_view name, uint32_t parent) { return m_folders.Add(name, parent); }

  // --- Sorting ------------------------------------------------------------------------------------
  int SortKey() const { return m_sortKey; }
  bool Reversed() const { return m_reversed; }
  // Takes a stored order without sorting (at creation).
  void SetSortOrder(const SortOrder& order);
  SortOrder GetSortOrder() const { return {m_sortKey, m_reversed}; }
  void SetSortKey(int key);  // 0-15, then re-sorts; other values are ignored
  void ToggleReversed();     // then re-sorts
  // A click on a column header: the same key again flips the direction, another key is taken
  // with the direction kept. Returns false for a column without a sort key.
  bool HeaderClick(uint16_t columnId, bool rightHalf);
  // Sorts stably by the current order, gathers the groups and renumbers them 1, 2, 3 ...
  void Sort();

  // --- The search's hand-over --------------------------------------------------------------------
  // Appends one row per found file of `store`, in array order. Each row takes over its file's text
  // block (the file's pointer becomes null). Returns the number of rows added.
  size_t FillFromSearch(std::span<const records::FoundFile> files, records::FoundFileStore& store);

  // --- Display -------------------------------------------------------------------------------------
  std::u16string CellText(ResultRow row, uint16_t columnId) const;
  std::u16string CellTextAt(size_t index, uint16_t columnId) const;

  // --- Totals ---------------------------------------------------------------------------------------
  TotalCounter RecountTotals() const;
  TotalCounter RecountSelected() const;

  // The lock of the rows and the display order: hold it across several reads that must see one
  // state (for example a walk over all rows while the search may fill the list).
  platform::StoreLock& RowsLock() const { return m_rows.Lock(); }

 private:
  void ReleaseRow(ResultRow row);
  template <class Fn>
  void Notify(Fn&& fn) const {
    for (ResultListObserver* observer : m_observers) fn(*observer);
  }
  bool InBatch() const;

  mutable records::PackedStore m_rows;  // its lock guards m_order, m_texts and the focus too
  records::TextBlockSet m_texts;        // the rows' text blocks
  std::vector<std::byte*> m_order;      // display order
  FolderTable m_folders;
  int m_sortKey = kSortNone;
  bool m_reversed = false;
  int64_t m_focusedRow = kNoRow;
  int m_batch = 0;  // depth of nested batches
  uint32_t m_options = 0;
  std::vector<ResultListObserver*> m_observers;
  std::function<void()> m_setRowFault;  // FailNextSetRowForTesting
};

}  // namespace tarnq::results
