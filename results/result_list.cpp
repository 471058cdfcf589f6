// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/result_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/paths.h"
#include "platform/per_thread.h"

namespace tarnq::results {
namespace {

bool WellFormed(std::span<const std::byte> record) {
  if (record.size() < row_layout::kFixedSize + 2 || record.size() > 0xFFFF) return false;
  uint16_t length;
  std::memcpy(&length, record.data(), 2);
  return length == record.size() && (length - row_layout::kFixedSize) % 2 == 0;
}

}  // namespace

ResultList::ResultList() = default;

ResultList::~ResultList() = default;  // m_texts frees the rows' blocks

void ResultList::AddObserver(ResultListObserver* observer) {
  if (observer != nullptr && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
    m_observers.push_back(observer);
}

void ResultList::RemoveObserver(ResultListObserver* observer) {
  std::erase(m_observers, observer);
}

void ResultList::ReleaseRow(ResultRow row) {
  if (row && m_texts.Free(row.Info().texts)) records::StorePacked<char*>(row.Data(), row_layout::kInfoTexts, nullptr);
}

bool ResultList::InBatch() const {
  platform::StoreGuard guard(m_rows.Lock());
  return m_batch > 0;
}

int64_t ResultList::AddRow(std::span<const std::byte> record) {
  if (!WellFormed(record)) return -1;
  size_t index;
  bool batch;
  {
    platform::StoreGuard guard(m_rows.Lock());
    // The record goes into the store first: once the observers hear "before", nothing can fail.
    try {
      // Room for one more, growing geometrically (reserve alone would grow by one each time).
      if (m_order.size() == m_order.capacity()) m_order.reserve(std::max<size_t>(64, 2 * m_order.capacity()));
    } catch (const std::bad_alloc&) {
      return -1;
    }
    char* texts;
    std::memcpy(&texts, record.data() + row_layout::kInfoTexts, sizeof texts);
    if (!m_texts.Adopt(texts)) return -1;
    if (m_rows.Append(record.data(), record.size()) != 0) {
      m_texts.Disown(texts);
      return -1;
    }
    index = m_order.size();
    batch = m_batch > 0;
    if (batch) m_order.push_back(m_rows.At(m_rows.Count() - 1));
  }
  if (!batch) {
    Notify([&](ResultListObserver& o) { o.BeforeRowsInserted(index, 1); });
    {
      platform::StoreGuard guard(m_rows.Lock());
      m_order.push_back(m_rows.At(m_rows.Count() - 1));
    }
    Notify([&](ResultListObserver& o) { o.AfterRowsInserted(index, 1); });
  }
  return static_cast<int64_t>(index);
}

int ResultList::SetRow(size_t index, std::span<const std::byte> record) {
  if (m_setRowFault) [[unlikely]] {
    const std::function<void()> fault = std::move(m_setRowFault);
    m_setRowFault = nullptr;
    fault();
    return kSetRowBadIndex;
  }
  if (!WellFormed(record)) return kSetRowBadIndex;
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (index >= m_order.size()) return kSetRowBadIndex;
    ResultRow old(m_order[index]);
    const size_t oldLength = old.Length();
    if (oldLength == record.size() && std::memcmp(old.Data(), record.data(), oldLength) == 0)
      return kSetRowIdentical;
    const records::AudioInfo oldInfo = old.Info();
    records::AudioInfo newInfo;
    std::memcpy(&newInfo, record.data() + row_layout::kInfo, sizeof newInfo);
    if (!m_texts.Adopt(newInfo.texts)) return kSetRowBadIndex;
    if (record.size() <= oldLength) {
      std::memcpy(old.Data(), record.data(), record.size());
    } else {
      if (m_rows.Append(record.data(), record.size()) != 0) {
        if (newInfo.texts != oldInfo.texts) m_texts.Disown(newInfo.texts);
        return kSetRowBadIndex;
      }
      m_order[index] = m_rows.At(m_rows.Count() - 1);
      // The old bytes stay (views may still point at them) but no longer own a text block.
      old.SetInfo(records::AudioInfo{});
    }
    if (oldInfo.texts != newInfo.texts) m_texts.Free(oldInfo.texts);
  }
  if (!InBatch()) Notify([&](ResultListObserver& o) { o.OnRowsChanged(index, 1); });
  return kSetRowDone;
}

bool ResultList::RemoveRow(size_t index) {
  const size_t indexes[] = {index};
  return RemoveRows(indexes) == 1;
}

size_t ResultList::RemoveRows(std::span<const size_t> indexes) {
  // The runs of neighbouring doomed rows, in display order.
  struct Run {
    size_t first, count;
  };
  std::vector<Run> runs;
  bool batch;
  size_t total = 0;
  {
    platform::StoreGuard guard(m_rows.Lock());
    std::vector<char> doomed(m_order.size(), 0);
    for (size_t i : indexes)
      if (i < doomed.size()) doomed[i] = 1;
    for (size_t i = 0; i < doomed.size(); ++i) {
      if (!doomed[i]) continue;
      if (!runs.empty() && runs.back().first + runs.back().count == i) ++runs.back().count;
      else runs.push_back({i, 1});
      ++total;
    }
    batch = m_batch > 0;
  }
  if (total == 0) return 0;

  const bool reset = !batch && runs.size() > kMaxRemovalRuns;
  if (reset) Notify([](ResultListObserver& o) { o.BeforeReset(); });
  int64_t pendingFocus = kNoRow;  // where a removed focus goes, in the indexes of the moment
  // Each run is taken out on its own, the last first, so the earlier runs keep their indexes.
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    const bool tell = !batch && !reset;
    if (tell) Notify([&](ResultListObserver& o) { o.BeforeRowsRemoved(run->first, run->count); });
    {
      platform::StoreGuard guard(m_rows.Lock());
      const auto begin = m_order.begin() + static_cast<std::ptrdiff_t>(run->first);
      const auto end = begin + static_cast<std::ptrdiff_t>(run->count);
      for (auto it = begin; it != end; ++it) {
        ResultRow row(*it);
        ReleaseRow(row);
        row.SetState(0);
      }
      m_order.erase(begin, end);
      const auto first = static_cast<int64_t>(run->first);
      const auto count = static_cast<int64_t>(run->count);
      if (m_focusedRow >= first + count) {
        m_focusedRow -= count;
      } else if (m_focusedRow >= first) {
        m_focusedRow = kNoRow;
        pendingFocus = first;
      } else if (pendingFocus >= first + count) {
        pendingFocus -= count;
      }
    }
    if (tell) Notify([&](ResultListObserver& o) { o.AfterRowsRemoved(run->first, run->count); });
  }
  // A removed focus goes to the row that now stands where it was (or the last row).
  int64_t focusMoved = kNoRow;
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (pendingFocus != kNoRow && !batch && !m_order.empty()) {
      m_focusedRow = std::min(pendingFocus, static_cast<int64_t>(m_order.size()) - 1);
      ResultRow next(m_order[static_cast<size_t>(m_focusedRow)]);
      next.SetState(next.State() | row_state::kFocused);
      focusMoved = m_focusedRow;
    }
  }
  if (reset) Notify([](ResultListObserver& o) { o.AfterReset(); });
  else if (focusMoved != kNoRow) {
    Notify([&](ResultListObserver& o) { o.OnRowsChanged(static_cast<size_t>(focusMoved), 1); });
  }
  return total;
}

void ResultList::Clear() {
  const bool batch = InBatch();
  if (!batch) Notify([](ResultListObserver& o) { o.BeforeReset(); });
  {
    platform::StoreGuard guard(m_rows.Lock());
    m_order.clear();
    m_rows.Clear();
    m_texts.Clear();
    m_focusedRow = kNoRow;
  }
  m_folders.Clear();
  if (!batch) Notify([](ResultListObserver& o) { o.AfterReset(); });
}

size_t ResultList::RowCount() const {
  platform::StoreGuard guard(m_rows.Lock());
  return m_order.size();
}

ResultRow ResultList::RowAt(size_t index) const {
  platform::StoreGuard guard(m_rows.Lock());
  return index < m_order.size() ? ResultRow(m_order[index]) : ResultRow();
}

ResultRow ResultList::SelectedRowAt(size_t index) const {
  const ResultRow row = RowAt(index);
  return row && row.Selected() ? row : ResultRow();
}

std::u16string ResultList::FullPath(ResultRow row) const {
  std::u16string path;
  AppendFullPath(row, path);
  return path;
}

void ResultList::AppendFullPath(ResultRow row, std::u16string& out) const {
  if (!row) return;
  const size_t start = out.size();
  m_folders.AppendPath(row.Folder(), out);
  thread_local platform::PerThread<std::u16string> t_nameHolder;
  std::u16string& name = t_nameHolder.Get();
  row.GetName(name);
  if (out.size() > start && !platform::IsSeparator(out.back()) && !name.empty()) out.push_back(platform::kSeparator);
  out += name;
}

size_t ResultList::SetSelection(int64_t index, int mode) {
  size_t changed = 0;
  std::vector<size_t> changedRows;
  {
    platform::StoreGuard guard(m_rows.Lock());
    auto apply = [&](size_t i) {
      ResultRow row(m_order[i]);
      const uint8_t state = row.State();
      uint8_t next = state;
      if (mode == kDeselect) next = state & ~row_state::kSelected;
      else if (mode == kInvert) next = state ^ row_state::kSelected;
      else next = state | row_state::kSelected;
      if (next == state) return;
      row.SetState(next);
      ++changed;
      if (index != kAllRows) changedRows.push_back(i);
    };
    if (index == kAllRows) {
      for (size_t i = 0; i < m_order.size(); ++i) apply(i);
    } else if (index >= 0 && static_cast<size_t>(index) < m_order.size()) {
      apply(static_cast<size_t>(index));
    }
  }
  if (changed > 0 && !InBatch()) {
    const size_t count = RowCount();
    Notify([&](ResultListObserver& o) {
      if (index == kAllRows) o.OnRowsChanged(0, count);
      for (size_t i : changedRows) o.OnRowsChanged(i, 1);
      o.OnSelectionChanged();
    });
  }
  return changed;
}

size_t ResultList::SelectedCount() const {
  platform::StoreGuard guard(m_rows.Lock());
  size_t n = 0;
  for (std::byte* record : m_order) n += ResultRow(record).Selected() ? 1 : 0;
  return n;
}

int64_t ResultList::FocusedRow() const {
  platform::StoreGuard guard(m_rows.Lock());
  return m_focusedRow;
}

void ResultList::SetFocusedRow(int64_t index) {
  int64_t old;
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (index != kNoRow && (index < 0 || static_cast<size_t>(index) >= m_order.size())) return;
    old = m_focusedRow;
    if (old == index) return;
    if (old >= 0) {
      ResultRow row(m_order[static_cast<size_t>(old)]);
      row.SetState(row.State() & ~row_state::kFocused);
    }
    if (index >= 0) {
      ResultRow row(m_order[static_cast<size_t>(index)]);
      row.SetState(row.State() | row_state::kFocused);
    }
    m_focusedRow = index;
  }
  if (!InBatch()) {
    Notify([&](ResultListObserver& o) {
      if (old >= 0) o.OnRowsChanged(static_cast<size_t>(old), 1);
      if (index >= 0) o.OnRowsChanged(static_cast<size_t>(index), 1);
    });
  }
}

void ResultList::BeginBatch() {
  bool first;
  {
    platform::StoreGuard guard(m_rows.Lock());
    first = m_batch == 0;
  }
  if (first) Notify([](ResultListObserver& o) { o.BeforeReset(); });
  platform::StoreGuard guard(m_rows.Lock());
  ++m_batch;
}

void ResultList::EndBatch() {
  bool last;
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (m_batch == 0) return;
    last = --m_batch == 0;
  }
  if (last) Notify([](ResultListObserver& o) { o.AfterReset(); });
}

void ResultList::SetSortOrder(const SortOrder& order) {
  m_sortKey = order.key >= 0 && order.key < kSortKeyCount ? order.key : kSortNone;
  m_reversed = order.reversed;
}

void ResultList::SetSortKey(int key) {
  if (key < 0 || key >= kSortKeyCount) return;
  m_sortKey = key;
  Sort();
}

void ResultList::ToggleReversed() {
  m_reversed = !m_reversed;
  Sort();
}

bool ResultList::HeaderClick(uint16_t columnId, bool rightHalf) {
  const auto key = SortKeyForHeaderClick(columnId, rightHalf);
  if (!key) return false;
  if (*key == m_sortKey) m_reversed = !m_reversed;
  else m_sortKey = *key;
  Sort();
  return true;
}

void ResultList::Sort() {
  if (RowCount() == 0) return;
  const bool batch = InBatch();
  if (!batch) Notify([](ResultListObserver& o) { o.BeforeLayoutChange(); });
  {
    platform::StoreGuard rowsGuard(m_rows.Lock());
    platform::StoreGuard foldersGuard(m_folders.Lock());
    // Focus follows the row, not the index.
    std::byte* focused = m_focusedRow >= 0 ? m_order[static_cast<size_t>(m_focusedRow)] : nullptr;
    SortSettings settings;
    settings.key = m_sortKey;
    settings.reversed = m_reversed;
    settings.numeric = (m_options & list_option::kNumericNames) != 0;
    SortRows(m_order, settings, m_folders);
    if (focused != nullptr) {
      const auto it = std::find(m_order.begin(), m_order.end(), focused);
      m_focusedRow = it == m_order.end() ? kNoRow : it - m_order.begin();
    }
  }
  if (!batch) Notify([](ResultListObserver& o) { o.AfterLayoutChange(); });
}

size_t ResultList::FillFromSearch(std::span<const records::FoundFile> files, records::FoundFileStore& store) {
  if (files.empty()) return 0;
  BeginBatch();
  size_t added = 0;
  std::vector<std::byte> row;
  for (const records::FoundFile file : files) {
    if (!RowFromFoundFile(file, row)) continue;
    if (AddRow(row) < 0) continue;
    // The list owns the text block now.
    store.HandOver(file);
    ++added;
  }
  EndBatch();
  return added;
}

std::u16string ResultList::CellText(ResultRow row, uint16_t columnId) const {
  return results::CellText(row, columnId, m_folders, m_options);
}

std::u16string ResultList::CellTextAt(size_t index, uint16_t columnId) const {
  platform::StoreGuard guard(m_rows.Lock());
  return CellText(RowAt(index), columnId);
}

TotalCounter ResultList::RecountTotals() const {
  platform::StoreGuard guard(m_rows.Lock());
  TotalCounter total;
  for (std::byte* record : m_order) {
    const ResultRow row(record);
    if (row.Length() != 0) total.Add(row.Size());
  }
  return total;
}

TotalCounter ResultList::RecountSelected() const {
  platform::StoreGuard guard(m_rows.Lock());
  TotalCounter total;
  for (std::byte* record : m_order) {
    const ResultRow row(record);
    if (row.Length() != 0 && row.Selected()) total.Add(row.Size());
  }
  return total;
}

}  // namespace tarnq::results
