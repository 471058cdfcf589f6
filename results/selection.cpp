#include "results/selection.h"

#include <algorithm>
#include <string>

#include "platform/paths.h"
#include "settings/path_macros.h"
#include "settings/settings_store.h"

namespace tarnq::results {

// --- The list's bulk selection --------------------------------------------------------------------

size_t ResultList::ApplySelection(std::span<const int8_t> modes) {
  size_t changed = 0;
  {
    platform::StoreGuard guard(m_rows.Lock());
    const size_t count = std::min(modes.size(), m_order.size());
    for (size_t i = 0; i < count; ++i) {
      const int8_t mode = modes[i];
      if (mode == kKeepState) continue;
      ResultRow row(m_order[i]);
      const uint8_t state = row.State();
      uint8_t next;
      if (mode == kDeselect) next = state & ~row_state::kSelected;
      else if (mode == kInvert) next = state ^ row_state::kSelected;
      else next = state | row_state::kSelected;
      if (next == state) continue;
      row.SetState(next);
      ++changed;
    }
  }
  if (changed > 0 && !InBatch()) {
    const size_t count = RowCount();
    Notify([&](ResultListObserver& o) {
      o.OnRowsChanged(0, count);
      o.OnSelectionChanged();
    });
  }
  return changed;
}

// --- The preferred-folders list -------------------------------------------------------------------

namespace {

std::u16string CleanFavoriteFolder(std::u16string_view folder) {
  // Windows-made settings may hold long-path prefixes; they mean the same folder without them.
  if (folder.starts_with(u"\\\\?\\UNC\\")) return u"\\\\" + std::u16string(folder.substr(8));
  if (folder.starts_with(u"\\\\?\\")) folder.remove_prefix(4);
  return settings::ExpandPathMacros(folder);
}

}  // namespace

FavoriteFolders ReadFavoriteFolders(settings::SettingsStore& store) {
  FavoriteFolders folders;
  for (const settings::ListEntry& entry : store.ReadList(kFavoritesSection)) {
    std::u16string_view value = entry.value;
    if (value.empty()) continue;
    FavoriteFolder favorite;
    if (value.front() == FavoriteFolder::kPreferred || value.front() == FavoriteFolder::kExcluded) {
      favorite.marker = value.front();
      value.remove_prefix(1);
    }
    favorite.folder = CleanFavoriteFolder(value);
    folders.push_back(std::move(favorite));
  }
  return folders;
}

uint32_t WriteFavoriteFolders(settings::SettingsStore& store, std::span<const FavoriteFolder> folders) {
  std::vector<std::u16string> values;
  values.reserve(folders.size());
  for (const FavoriteFolder& f : folders) values.push_back(f.marker + f.folder);
  store.WriteList(kFavoritesSection, values, values.size());
  return store.Flush();
}

bool FolderMatches(std::u16string_view folder, std::u16string_view path) {
  return !folder.empty() && platform::IsInFolder(path, folder);
}

int32_t FolderScore(std::u16string_view folderPath, std::span<const FavoriteFolder> folders) {
  const auto n = static_cast<int32_t>(folders.size());
  for (int32_t i = 0; i < n; ++i) {
    const FavoriteFolder& f = folders[static_cast<size_t>(i)];
    if (!FolderMatches(f.folder, folderPath)) continue;
    return f.marker == FavoriteFolder::kExcluded ? kScoreExcluded : n - i;
  }
  return kScoreNoMatch;
}

// --- Select Dupes ---------------------------------------------------------------------------------

namespace {

// Calls `run(first, end)` for every run of equal group numbers of two or more rows (group 0
// excluded); every other row is deselected in `modes`.
template <class RunFn>
size_t ForEachGroupRun(const ResultList& list, std::vector<int8_t>& modes, RunFn run) {
  const size_t count = list.RowCount();
  modes.assign(count, ResultList::kDeselect);
  size_t runs = 0;
  size_t first = 0;
  while (first < count) {
    const uint32_t group = list.RowAt(first).Group();
    size_t end = first + 1;
    while (end < count && list.RowAt(end).Group() == group) ++end;
    if (group != 0 && end - first >= 2) {
      run(first, end);
      ++runs;
    }
    first = end;
  }
  return runs;
}

SelectDupesResult Apply(ResultList& list, const std::vector<int8_t>& modes, size_t runs) {
  SelectDupesResult result;
  result.groups = runs;
  result.changed = list.ApplySelection(modes);
  result.selected = static_cast<size_t>(std::count(modes.begin(), modes.end(), ResultList::kSelect));
  return result;
}

}  // namespace

SelectDupesResult SelectDupesByOrder(ResultList& list) {
  platform::StoreGuard guard(list.RowsLock());
  std::vector<int8_t> modes;
  const size_t runs = ForEachGroupRun(list, modes, [&](size_t first, size_t end) {
    for (size_t i = first + 1; i < end; ++i) modes[i] = ResultList::kSelect;
  });
  return Apply(list, modes, runs);
}

SelectDupesResult SelectDupesByFolders(ResultList& list, std::span<const FavoriteFolder> folders) {
  platform::StoreGuard guard(list.RowsLock());
  std::vector<int8_t> modes;
  struct Pair {
    size_t index;
    int32_t score;
  };
  std::vector<Pair> pairs;
  std::u16string folderPath;
  const size_t runs = ForEachGroupRun(list, modes, [&](size_t first, size_t end) {
    pairs.clear();
    bool anyPositive = false;
    for (size_t i = first; i < end; ++i) {
      const ResultRow row = list.RowAt(i);
      int32_t score = kScoreUnreadable;
      if (row && row.Length() != 0) {
        folderPath = list.FolderPath(row.Folder());
        score = FolderScore(folderPath, folders);
      }
      anyPositive = anyPositive || score > 0;
      pairs.push_back({i, score});
    }
    const int32_t firstScore = pairs.front().score;
    if (anyPositive)
      std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.score < b.score; });
    const auto keeper = std::find_if(pairs.begin(), pairs.end(), [](const Pair& p) { return p.score >= kScoreExcluded; });
    if (keeper != pairs.end()) {
      // Among equally low scores the member first in the list stays; the stable sort already put
      // it first, unless the run's first row was not among the lowest.
      auto chosen = keeper;
      if (chosen->index != first && firstScore == chosen->score)
        chosen = std::find_if(pairs.begin(), pairs.end(), [&](const Pair& p) { return p.index == first; });
      chosen->score = kScoreKeeper;
    }
    for (const Pair& p : pairs) modes[p.index] = p.score >= 0 ? ResultList::kSelect : ResultList::kDeselect;
  });
  return Apply(list, modes, runs);
}

SelectDupesResult SelectDupes(ResultList& list, std::span<const FavoriteFolder> folders) {
  return folders.empty() ? SelectDupesByOrder(list) : SelectDupesByFolders(list, folders);
}

size_t SelectAll(ResultList& list) { return list.SetSelection(ResultList::kAllRows, ResultList::kSelect); }
size_t DeselectAll(ResultList& list) { return list.SetSelection(ResultList::kAllRows, ResultList::kDeselect); }
size_t InvertSelection(ResultList& list) { return list.SetSelection(ResultList::kAllRows, ResultList::kInvert); }

}  // namespace tarnq::results
