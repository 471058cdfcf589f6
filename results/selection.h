// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing rows: Select Dupes (one member of every group stays unselected, picked by the display
// order, by the preferred-folders list or by a keep rule such as "keep the best copy"), select all,
// deselect all, invert.
//
// Threads: the user-interface thread (or the command line). Each command changes the list under its
// rows lock and notifies the list's observer once.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "results/result_list.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::results {

// One entry of the preferred-folders list (section `SelFav`, keys "1", "2", ... in list order,
// each value the marker followed by the folder).
struct FavoriteFolder {
  static constexpr char16_t kPreferred = u'+';
  static constexpr char16_t kExcluded = u'-';  // "Exclude from the selection"
  char16_t marker = kPreferred;
  std::u16string folder;
  friend bool operator==(const FavoriteFolder&, const FavoriteFolder&) = default;
};
using FavoriteFolders = std::vector<FavoriteFolder>;

inline constexpr std::string_view kFavoritesSection = "SelFav";

// Reads the list afresh: entries with an empty value are skipped, path macros are expanded.
// A value whose first character is neither marker is taken as a preferred folder.
FavoriteFolders ReadFavoriteFolders(settings::SettingsStore& store);
// Rewrites the section from scratch (the dialog's OK) and flushes the settings.
uint32_t WriteFavoriteFolders(settings::SettingsStore& store, std::span<const FavoriteFolder> folders);

// The entry `folder` matches the folder path `path` when the path is that folder or lies below
// it: /music matches /music and /music/rock, never /musical. An empty entry matches nothing.
bool FolderMatches(std::u16string_view folder, std::u16string_view path);

// Compares folders the user named (preferred, excluded, keep-in, select-in) with the folders of a
// list's rows by path and by what they are on disk: an entry named through a symbolic link (or a
// bind mount) matches the rows in the folder it leads to, and rows reached through a link match
// the entry of the real folder. Each entry is examined once, when added; each folder of the list
// once, when first asked about (its links resolved, then its own identity and its parents'). So a
// command costs a few system calls per folder, never per row and entry.
class FolderMatcher {
 public:
  explicit FolderMatcher(const ResultList& list) : m_list(list) {}
  // Adds an entry; returns its number (0, 1, 2, ... in the order added).
  size_t Add(std::u16string_view folder);
  size_t Size() const { return m_entries.size(); }
  // The entry names a folder that exists now.
  bool Exists(size_t entry) const { return m_entries[entry].identity.has_value(); }
  // Row folder `folder` (an index of the list's folder table) is the entry's folder or lies below it.
  bool Matches(size_t entry, uint32_t folder);
  // The score of FolderScore for `folder`, `folders` having been added as entries first .. first + n.
  int32_t Score(size_t first, std::span<const FavoriteFolder> folders, uint32_t folder);

 private:
  struct Entry {
    std::u16string path;
    std::optional<platform::FileIdentity> identity;
  };
  const std::vector<platform::FileIdentity>& Ancestors(uint32_t folder);
  const ResultList& m_list;
  std::vector<Entry> m_entries;
  std::unordered_map<uint32_t, std::u16string> m_paths;                          // by folder index
  std::unordered_map<uint32_t, std::vector<platform::FileIdentity>> m_ancestors;  // by folder index
  std::unordered_map<std::u16string, std::optional<platform::FileIdentity>> m_identities;  // by resolved path
};

// Scores of a row against the list (the first matching entry in list order decides).
inline constexpr int32_t kScoreExcluded = -1;
inline constexpr int32_t kScoreNoMatch = 0;
inline constexpr int32_t kScoreUnreadable = -3;
inline constexpr int32_t kScoreKeeper = -4;
// Entry i (0-based) of n marked "+" scores n - i; "-" scores -1; no match 0.
int32_t FolderScore(std::u16string_view folderPath, std::span<const FavoriteFolder> folders);

// What Select Dupes did.
struct SelectDupesResult {
  size_t groups = 0;    // runs of two or more rows of one group (group 0 not counted)
  size_t selected = 0;  // rows selected afterwards
  size_t changed = 0;   // rows whose state changed
};

// Select Dupes (command 121). With an empty list of folders the first row of every group in
// display order stays unselected and every other member is selected; otherwise the member with the
// lowest folder score stays unselected (the first in display order among equals), members in
// excluded folders are never selected, and every other member is. Rows of group 0 and groups
// reduced to one row are always deselected, so no group can lose its last member. Whatever the
// rule, a group whose kept members have no audio while a selected one has keeps a playable member
// instead (the empty or broken copy is selected in its place unless its folder is excluded).
SelectDupesResult SelectDupes(ResultList& list, std::span<const FavoriteFolder> folders);
// The two rules on their own.
SelectDupesResult SelectDupesByOrder(ResultList& list);
SelectDupesResult SelectDupesByFolders(ResultList& list, std::span<const FavoriteFolder> folders);

// Which member of a group a keep rule keeps when nothing else decides.
enum class KeepRule : uint8_t {
  kFirst,   // the first in display order
  kBest,    // the best copy (see BetterCopy)
  kNewest,  // the latest modification time
  kOldest,  // the earliest modification time
};

// The keep rule with the folders that steer it.
struct KeepChoice {
  KeepRule rule = KeepRule::kFirst;
  // "+" folders: their members are selected before others; "-" folders: never selected, and a
  // member there is the group's kept copy.
  FavoriteFolders favorites;
  // A group with members in one of these folders keeps exactly one of them (the rule picks which)
  // and selects every other member.
  std::vector<std::u16string> keepIn;
  // When not empty, only members in these folders are selected; a group lying wholly inside them
  // still keeps one member.
  std::vector<std::u16string> selectIn;
};

// A row that holds playable audio: stream properties were found and the duration is above 0.
bool IsPlayable(ResultRow row);
// FLAC, WAV or ALAC: by the format code, the codec the analysis found (an MP4 file's Type text is
// its brand, "M4A", whatever it holds) or the Type text. A row loaded from a results file knows no
// codec, so its ALAC counts as lossy.
bool IsLossless(ResultRow row);
// The "keep the best copy" order: a playable member before one without audio, lossless before
// lossy, the higher bit rate, the longer duration, tagged before untagged, the older modification
// time. True when `a` comes strictly before `b`.
bool BetterCopy(ResultRow a, ResultRow b);

// Select Dupes by a keep rule. In every group: members in excluded folders are kept; otherwise one
// member is kept, chosen in this order of preference: a playable one, one in a keep-in folder, one
// outside the select-in folders, the lowest preferred-folder score, then the rule, then display
// order. Every other member is selected (within the select-in folders when those are given).
SelectDupesResult SelectDupesByRule(ResultList& list, const KeepChoice& choice);

// Commands 122, 123, 124. Return the number of rows whose state changed.
size_t SelectAll(ResultList& list);
size_t DeselectAll(ResultList& list);
size_t InvertSelection(ResultList& list);


}  // namespace tarnq::results
