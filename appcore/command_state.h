// SPDX-License-Identifier: GPL-3.0-or-later
// Which commands may run now. The menus, the toolbar and the shortcuts all ask IsAllowed before a
// command runs; a front end greys its menu items and buttons from the changes Update reports.
//
// The table holds, in this order, the 20 commands that depend on the list and the search:
//   106 Play, 108 Copy, 109 Move, 110 Rename, 111 Delete, 118 Save results, 113 Export,
//   122 Select all, 123 Deselect all, 124 Invert selection, 126-129 the clipboard copies,
//   114 Remove from list, 112 Properties, 131 Search, 132 Stop, 134 Go to, 121 Select dupes.
// All but Search and Stop are disabled while the result list is empty; Search is disabled while a
// search runs, Stop while none runs.
//
// While a delete or wipe runs ("busy"), the rows it works on must stay as the user confirmed them:
// the selection commands (121-124), Remove from list, Copy, Move, Rename and Delete are disabled
// too, and so are the sort commands 151-167, which follow the 20 entries in the table and are
// disabled only while busy. Commands without an entry are always allowed.
//
// Used on the user-interface thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "lang/command_id.h"

namespace tarnq::appcore {

using lang::CommandId;

struct CommandConditions {
  bool listEmpty = true;  // the result list has no rows
  bool searching = false;  // a search is in progress
  bool deleting = false;   // a permanent delete or wipe is in progress
};

struct CommandStateEntry {
  CommandId id = CommandId::kNone;
  bool disabled = false;
  bool applied = false;  // the disabled state the front end was last told about
};

struct CommandStateChange {
  CommandId id = CommandId::kNone;
  bool disabled = false;
  friend bool operator==(const CommandStateChange&, const CommandStateChange&) = default;
};

class CommandStates {
 public:
  // The entries that depend on the list and the search, in table order.
  static constexpr size_t kListEntries = 20;
  // Followed by the sort commands 151-167.
  static constexpr size_t kEntries = kListEntries + 17;

  // Every entry enabled, as a freshly built menu is.
  CommandStates();

  // Recomputes every entry from `now` and returns the entries whose disabled state differs from
  // what was last applied (all of them when `force`, e.g. after the toolbar was rebuilt), in table
  // order; they count as applied afterwards.
  std::vector<CommandStateChange> Update(const CommandConditions& now, bool force = false);

  // False only for a command whose entry is disabled.
  bool IsAllowed(CommandId id) const;
  bool IsAllowed(int id) const { return IsAllowed(static_cast<CommandId>(id)); }

  const std::array<CommandStateEntry, kEntries>& Entries() const { return m_entries; }

 private:
  std::array<CommandStateEntry, kEntries> m_entries;
};

}  // namespace tarnq::appcore
