// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/command_state.h"

#include <algorithm>

namespace tarnq::appcore {
namespace {

using enum CommandId;

constexpr std::array<CommandId, CommandStates::kEntries> kTable = {
    kPlay,          kFileCopy,       kFileMove,       kFileRename,      kFileDelete,
    kSaveResults,   kExport,         kSelectAll,      kDeselectAll,     kInvertSelection,
    kCopyNames,     kCopyPaths,      kCopySelection,  kCopySelectionWithHeader,
    kRemoveFromList, kProperties,    kFind,           kStop,            kGoTo,
    kSelectDupes,
    // Only while a delete or wipe runs.
    kSortName,      kSortExtension,  kSortPath,       kSortArtist,      kSortTitle,
    kSortAlbum,     kSortTrack,      kSortGenre,      kSortBitrate,     kSortDuration,
    kSortType,      kSortBpm,        kSortComment,    kSortSize,        kSortTime,
    kSortNone,      kSortReversed,
};

// Commands that would change or act on the rows a delete or wipe is working through.
bool BlockedWhileDeleting(CommandId id) {
  switch (id) {
    case kSelectDupes: case kSelectAll: case kDeselectAll: case kInvertSelection:
    case kRemoveFromList: case kFileCopy: case kFileMove: case kFileRename: case kFileDelete:
      return true;
    default:
      return SortKeyOfCommand(id) >= 0 || id == kSortReversed;
  }
}

bool Disabled(size_t index, CommandId id, const CommandConditions& now) {
  if (now.deleting && BlockedWhileDeleting(id)) return true;
  if (index >= CommandStates::kListEntries) return false;
  if (id == kFind) return now.searching;
  if (id == kStop) return !now.searching;
  return now.listEmpty;
}

}  // namespace

CommandStates::CommandStates() {
  for (size_t i = 0; i < kEntries; ++i) m_entries[i].id = kTable[i];
}

std::vector<CommandStateChange> CommandStates::Update(const CommandConditions& now, bool force) {
  std::vector<CommandStateChange> changes;
  for (size_t i = 0; i < kEntries; ++i) {
    CommandStateEntry& entry = m_entries[i];
    entry.disabled = Disabled(i, entry.id, now);
    if (force || entry.disabled != entry.applied) changes.push_back({entry.id, entry.disabled});
    entry.applied = entry.disabled;
  }
  return changes;
}

bool CommandStates::IsAllowed(CommandId id) const {
  const auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                                  [id](const CommandStateEntry& e) { return e.id == id; });
  return entry == m_entries.end() || !entry->disabled;
}

}  // namespace tarnq::appcore
