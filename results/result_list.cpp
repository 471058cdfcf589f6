#include "results/result_list.h"

#include <algorithm>
#include <cstring>

#include "platform/paths.h"

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

ResultList::~ResultList() { Clear(); }

void ResultList::ReleaseRow(ResultRow row) {
  if (row) row.ReleaseTexts();
}

void ResultList::NotifyCount() {
  size_t count;
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (m_batch > 0) return;
    count = m_order.size();
    if (count == m_notifiedCount) return;
    m_notifiedCount = count;
  }
  if (m_observer) m_observer->OnCountChanged(count);
}

int64_t ResultList::AddRow(std::span<const std::byte> record) {
  if (!WellFormed(record)) return -1;
  int64_t index;
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (m_rows.Append(record.data(), record.size()) != 0) return -1;
    std::byte* stored = m_rows.At(m_rows.Count() - 1);
    m_order.push_back(stored);
    index = static_cast<int64_t>(m_order.size() - 1);
  }
  NotifyCount();
  return index;
}

int ResultList::SetRow(size_t index, std::span<const std::byte> record) {
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
    if (record.size() <= oldLength) {
      std::memcpy(old.Data(), record.data(), record.size());
    } else {
      if (m_rows.Append(record.data(), record.size()) != 0) return kSetRowBadIndex;
      m_order[index] = m_rows.At(m_rows.Count() - 1);
      // The old bytes stay (views may still point at them) but no longer own a text block.
      old.SetInfo(records::AudioInfo{});
    }
    if (oldInfo.texts != nullptr && oldInfo.texts != newInfo.texts) {
      records::AudioInfo stale = oldInfo;
      stale.Release();
    }
  }
  if (m_observer) m_observer->OnRowChanged(index);
  return kSetRowDone;
}

bool ResultList::RemoveRow(size_t index) {
  bool focusMoved = false;
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (index >= m_order.size()) return false;
    ResultRow row(m_order[index]);
    const bool wasFocused = m_focusedRow == static_cast<int64_t>(index);
    ReleaseRow(row);
    row.SetState(0);
    m_order.erase(m_order.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_focusedRow > static_cast<int64_t>(index)) --m_focusedRow;
    if (wasFocused) {
      m_focusedRow = kNoRow;
      if (m_batch == 0 && !m_order.empty()) {
        m_focusedRow = static_cast<int64_t>(std::min(index, m_order.size() - 1));
        ResultRow next(m_order[static_cast<size_t>(m_focusedRow)]);
        next.SetState(next.State() | row_state::kFocused);
        focusMoved = true;
      }
    }
  }
  if (focusMoved && m_observer) m_observer->OnRowChanged(static_cast<size_t>(m_focusedRow));
  NotifyCount();
  return true;
}

size_t ResultList::RemoveRows(std::span<const size_t> indexes) {
  size_t removed = 0;
  {
    platform::StoreGuard guard(m_rows.Lock());
    std::vector<char> doomed(m_order.size(), 0);
    for (size_t i : indexes)
      if (i < doomed.size()) doomed[i] = 1;
    std::vector<std::byte*> kept;
    kept.reserve(m_order.size());
    int64_t focus = kNoRow;
    for (size_t i = 0; i < m_order.size(); ++i) {
      ResultRow row(m_order[i]);
      if (doomed[i]) {
        ReleaseRow(row);
        row.SetState(0);
        ++removed;
        continue;
      }
      if (static_cast<int64_t>(i) == m_focusedRow) focus = static_cast<int64_t>(kept.size());
      kept.push_back(m_order[i]);
    }
    m_order.swap(kept);
    m_focusedRow = focus;
  }
  if (removed > 0 && m_observer) m_observer->OnOrderChanged();
  NotifyCount();
  return removed;
}

void ResultList::Clear() {
  {
    platform::StoreGuard guard(m_rows.Lock());
    for (std::byte* record : m_order) ReleaseRow(ResultRow(record));
    m_order.clear();
    m_rows.Clear();
    m_focusedRow = kNoRow;
  }
  m_folders.Clear();
  NotifyCount();
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
  thread_local std::u16string name;
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
  if (changed > 0 && m_observer) {
    for (size_t i : changedRows) m_observer->OnRowChanged(i);
    if (index == kAllRows) m_observer->OnOrderChanged();
    m_observer->OnSelectionChanged();
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
  if (m_observer) {
    if (old >= 0) m_observer->OnRowChanged(static_cast<size_t>(old));
    if (index >= 0) m_observer->OnRowChanged(static_cast<size_t>(index));
  }
}

void ResultList::BeginBatch() {
  platform::StoreGuard guard(m_rows.Lock());
  ++m_batch;
}

void ResultList::EndBatch() {
  {
    platform::StoreGuard guard(m_rows.Lock());
    if (m_batch > 0) --m_batch;
  }
  NotifyCount();
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
  {
    platform::StoreGuard rowsGuard(m_rows.Lock());
    if (m_order.empty()) return;
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
  if (m_observer) m_observer->OnOrderChanged();
}

size_t ResultList::FillFromSearch(std::span<const records::FoundFile> files) {
  if (files.empty()) return 0;
  BeginBatch();
  size_t added = 0;
  std::vector<std::byte> row;
  for (const records::FoundFile file : files) {
    if (!RowFromFoundFile(file, row)) continue;
    if (AddRow(row) < 0) continue;
    // The row owns the text block now.
    file.TakeInfo();
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
