// SPDX-License-Identifier: GPL-3.0-or-later
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

// --- Folders by identity ---------------------------------------------------------------------------

size_t FolderMatcher::Add(std::u16string_view folder) {
  Entry entry;
  entry.path = folder;
  platform::FileStatus status;
  if (!folder.empty() && platform::IsAbsolutePath(folder) && platform::GetFileStatus(folder, status, true) == 0 &&
      status.isDirectory)
    entry.identity = status.identity;
  m_entries.push_back(std::move(entry));
  return m_entries.size() - 1;
}

const std::vector<platform::FileIdentity>& FolderMatcher::Ancestors(uint32_t folder) {
  const auto found = m_ancestors.find(folder);
  if (found != m_ancestors.end()) return found->second;
  std::vector<platform::FileIdentity>& ancestors = m_ancestors[folder];
  std::u16string resolved;
  if (platform::ResolvedPath(m_list.FolderPath(folder), resolved) != 0) return ancestors;
  // The resolved folder and each folder above it; the identities are shared between the list's
  // folders, which mostly have the same parents.
  std::u16string_view path = resolved;
  while (!path.empty()) {
    auto [it, fresh] = m_identities.try_emplace(std::u16string(path));
    if (fresh) {
      platform::FileStatus status;
      if (platform::GetFileStatus(path, status, true) == 0) it->second = status.identity;
    }
    if (it->second) ancestors.push_back(*it->second);
    if (path.size() == 1) break;
    path = platform::FolderOf(path);
  }
  return ancestors;
}

bool FolderMatcher::Matches(size_t entry, uint32_t folder) {
  const Entry& e = m_entries[entry];
  auto path = m_paths.find(folder);
  if (path == m_paths.end()) path = m_paths.emplace(folder, m_list.FolderPath(folder)).first;
  if (FolderMatches(e.path, path->second)) return true;
  if (!e.identity) return false;
  const std::vector<platform::FileIdentity>& ancestors = Ancestors(folder);
  return std::find(ancestors.begin(), ancestors.end(), *e.identity) != ancestors.end();
}

int32_t FolderMatcher::Score(size_t first, std::span<const FavoriteFolder> folders, uint32_t folder) {
  const auto n = static_cast<int32_t>(folders.size());
  for (int32_t i = 0; i < n; ++i) {
    if (!Matches(first + static_cast<size_t>(i), folder)) continue;
    return folders[static_cast<size_t>(i)].marker == FavoriteFolder::kExcluded ? kScoreExcluded : n - i;
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

bool Readable(ResultRow row) { return row && row.Length() != 0; }

// A group must not keep only copies without audio while it selects a playable one. `order` lists
// the run's rows in the rule's order of preference; the first selected playable row among them is
// kept instead, and the rule's keeper (when `keeper` is not kNoKeeper) is selected in its place.
constexpr size_t kNoKeeper = ~size_t{0};
void KeepPlayable(const ResultList& list, std::vector<int8_t>& modes, std::span<const size_t> order, size_t keeper) {
  bool anyPlayable = false;
  for (const size_t i : order) {
    if (!IsPlayable(list.RowAt(i))) continue;
    if (modes[i] != ResultList::kSelect) return;
    anyPlayable = true;
  }
  if (!anyPlayable) return;
  for (const size_t i : order) {
    if (modes[i] != ResultList::kSelect || !IsPlayable(list.RowAt(i))) continue;
    modes[i] = ResultList::kDeselect;
    if (keeper != kNoKeeper && Readable(list.RowAt(keeper))) modes[keeper] = ResultList::kSelect;
    return;
  }
}

bool StartsWithAsciiNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsTagged(const records::AudioInfo& info) {
  return info.HasText(records::kTextTitle) || info.HasText(records::kTextArtist) ||
         info.HasText(records::kTextAlbum);
}

uint32_t BitrateMagnitude(int32_t bitrate) {
  // Negative rates are variable rates with that average.
  return bitrate < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(bitrate)) : static_cast<uint32_t>(bitrate);
}

// Negative when `a` is the better copy, positive when `b` is, 0 when the order cannot tell.
int CompareCopies(ResultRow a, ResultRow b) {
  auto prefer = [](bool x, bool y) { return x == y ? 0 : x ? -1 : 1; };
  if (const int c = prefer(IsPlayable(a), IsPlayable(b))) return c;
  if (const int c = prefer(IsLossless(a), IsLossless(b))) return c;
  const records::AudioInfo ia = a.Info();
  const records::AudioInfo ib = b.Info();
  const uint32_t ra = BitrateMagnitude(ia.bitrate);
  const uint32_t rb = BitrateMagnitude(ib.bitrate);
  if (ra != rb) return ra > rb ? -1 : 1;
  if (ia.duration != ib.duration) return ia.duration > ib.duration ? -1 : 1;
  if (const int c = prefer(IsTagged(ia), IsTagged(ib))) return c;
  if (a.Modified() != b.Modified()) return a.Modified() < b.Modified() ? -1 : 1;
  return 0;
}

int CompareByRule(KeepRule rule, ResultRow a, ResultRow b) {
  switch (rule) {
    case KeepRule::kBest: return CompareCopies(a, b);
    case KeepRule::kNewest: return a.Modified() == b.Modified() ? 0 : a.Modified() > b.Modified() ? -1 : 1;
    case KeepRule::kOldest: return a.Modified() == b.Modified() ? 0 : a.Modified() < b.Modified() ? -1 : 1;
    case KeepRule::kFirst: break;
  }
  return 0;
}

// Adds `folders` to the matcher; returns the number of the first.
size_t AddAll(FolderMatcher& matcher, std::span<const std::u16string> folders) {
  const size_t first = matcher.Size();
  for (const std::u16string& f : folders) matcher.Add(f);
  return first;
}

bool InAnyFolder(FolderMatcher& matcher, size_t first, size_t count, uint32_t folder) {
  for (size_t i = 0; i < count; ++i)
    if (matcher.Matches(first + i, folder)) return true;
  return false;
}

size_t AddFavorites(FolderMatcher& matcher, std::span<const FavoriteFolder> folders) {
  const size_t first = matcher.Size();
  for (const FavoriteFolder& f : folders) matcher.Add(f.folder);
  return first;
}

}  // namespace

bool IsPlayable(ResultRow row) {
  if (!Readable(row)) return false;
  return row.Info().HasAudio();
}

bool IsLossless(ResultRow row) {
  if (!Readable(row)) return false;
  const records::AudioInfo info = row.Info();
  if (info.FormatCode() == records::kFormatFlac || info.AudioCodec() == records::Codec::kAlac) return true;
  const std::string_view type = info.TextUtf8(records::kTextType);
  return StartsWithAsciiNoCase(type, "FLAC") || StartsWithAsciiNoCase(type, "WAV") ||
         StartsWithAsciiNoCase(type, "ALAC");
}

bool BetterCopy(ResultRow a, ResultRow b) { return CompareCopies(a, b) < 0; }

SelectDupesResult SelectDupesByRule(ResultList& list, const KeepChoice& choice) {
  platform::StoreGuard guard(list.RowsLock());
  std::vector<int8_t> modes;
  struct Member {
    size_t index = 0;
    ResultRow row;
    bool readable = false;
    bool playable = false;
    bool excluded = false;
    bool keepIn = false;
    bool selectable = false;
    int32_t score = 0;
  };
  std::vector<Member> members;
  FolderMatcher matcher(list);
  const size_t favorites = AddFavorites(matcher, choice.favorites);
  const size_t keepIn = AddAll(matcher, choice.keepIn);
  const size_t selectIn = AddAll(matcher, choice.selectIn);
  // True when `a` makes the better keeper than `b` (members come in display order, so display
  // order breaks the remaining ties).
  auto prefer = [&](const Member& a, const Member& b) {
    if (a.playable != b.playable) return a.playable;
    if (a.keepIn != b.keepIn) return a.keepIn;
    if (a.selectable != b.selectable) return !a.selectable;
    if (a.score != b.score) return a.score < b.score;
    return CompareByRule(choice.rule, a.row, b.row) < 0;
  };
  const size_t runs = ForEachGroupRun(list, modes, [&](size_t first, size_t end) {
    members.clear();
    bool anyPlayable = false, anyExcluded = false, excludedPlayable = false, anyKeepIn = false;
    for (size_t i = first; i < end; ++i) {
      Member m;
      m.index = i;
      m.row = list.RowAt(i);
      m.readable = Readable(m.row);
      if (m.readable) {
        const uint32_t folder = m.row.Folder();
        m.score = matcher.Score(favorites, choice.favorites, folder);
        m.excluded = m.score == kScoreExcluded;
        m.keepIn = InAnyFolder(matcher, keepIn, choice.keepIn.size(), folder);
        m.selectable = choice.selectIn.empty() || InAnyFolder(matcher, selectIn, choice.selectIn.size(), folder);
        m.playable = IsPlayable(m.row);
      }
      anyPlayable = anyPlayable || m.playable;
      anyExcluded = anyExcluded || m.excluded;
      excludedPlayable = excludedPlayable || (m.excluded && m.playable);
      anyKeepIn = anyKeepIn || m.keepIn;
      members.push_back(m);
    }
    // Members in excluded folders are kept anyway; another keeper is needed only when none is
    // there, when a keep-in folder asks for its copy, or when the excluded ones have no audio.
    const bool needKeeper = !anyExcluded || anyKeepIn || (anyPlayable && !excludedPlayable);
    const Member* keeper = nullptr;
    if (needKeeper) {
      for (const Member& m : members) {
        if (!m.readable || m.excluded) continue;
        if (keeper == nullptr || prefer(m, *keeper)) keeper = &m;
      }
    }
    for (const Member& m : members) {
      const bool select = m.readable && !m.excluded && m.selectable && &m != keeper;
      modes[m.index] = select ? ResultList::kSelect : ResultList::kDeselect;
    }
  });
  return Apply(list, modes, runs);
}

SelectDupesResult SelectDupesByOrder(ResultList& list) {
  platform::StoreGuard guard(list.RowsLock());
  std::vector<int8_t> modes;
  std::vector<size_t> order;
  const size_t runs = ForEachGroupRun(list, modes, [&](size_t first, size_t end) {
    order.clear();
    for (size_t i = first; i < end; ++i) order.push_back(i);
    for (size_t i = first + 1; i < end; ++i) modes[i] = ResultList::kSelect;
    KeepPlayable(list, modes, order, first);
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
  std::vector<size_t> order;
  FolderMatcher matcher(list);
  const size_t favorites = AddFavorites(matcher, folders);
  const size_t runs = ForEachGroupRun(list, modes, [&](size_t first, size_t end) {
    pairs.clear();
    size_t keeperIndex = kNoKeeper;
    bool anyPositive = false;
    for (size_t i = first; i < end; ++i) {
      const ResultRow row = list.RowAt(i);
      int32_t score = kScoreUnreadable;
      if (row && row.Length() != 0) score = matcher.Score(favorites, folders, row.Folder());
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
      // A keeper in an excluded folder stays unselected whatever happens below.
      if (chosen->score >= 0) keeperIndex = chosen->index;
      chosen->score = kScoreKeeper;
    }
    for (const Pair& p : pairs) modes[p.index] = p.score >= 0 ? ResultList::kSelect : ResultList::kDeselect;
    order.clear();
    for (const Pair& p : pairs) order.push_back(p.index);
    KeepPlayable(list, modes, order, keeperIndex);
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
