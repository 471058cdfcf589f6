// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/command_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace tarnq::appcore {
namespace {

using enum CommandId;

std::set<CommandId> DisabledOf(const CommandStates& states) {
  std::set<CommandId> disabled;
  for (const CommandStateEntry& e : states.Entries()) {
    if (e.disabled) disabled.insert(e.id);
  }
  return disabled;
}

const std::set<CommandId> kListCommands = {
    kPlay, kFileCopy, kFileMove, kFileRename, kFileDelete, kSaveResults, kExport, kSelectAll, kDeselectAll,
    kInvertSelection, kCopyNames, kCopyPaths, kCopySelection, kCopySelectionWithHeader, kRemoveFromList,
    kProperties, kGoTo, kSelectDupes};

std::set<CommandId> Union(std::set<CommandId> a, const std::set<CommandId>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

std::set<CommandId> SortCommands() {
  std::set<CommandId> sort = {kSortReversed};
  for (int key = 0; key < 16; ++key) sort.insert(lang::SortCommandOfKey(key));
  return sort;
}

TEST(CommandStates, TwentyListEntriesInTableOrderThenTheSortCommands) {
  const CommandStates states;
  const CommandId expected[] = {kPlay,         kFileCopy,       kFileMove,   kFileRename,  kFileDelete,
                                kSaveResults,  kExport,         kSelectAll,  kDeselectAll, kInvertSelection,
                                kCopyNames,    kCopyPaths,      kCopySelection, kCopySelectionWithHeader,
                                kRemoveFromList, kProperties,   kFind,       kStop,        kGoTo,
                                kSelectDupes};
  for (size_t i = 0; i < CommandStates::kListEntries; ++i) EXPECT_EQ(states.Entries()[i].id, expected[i]) << i;
  std::set<CommandId> rest;
  for (size_t i = CommandStates::kListEntries; i < CommandStates::kEntries; ++i) rest.insert(states.Entries()[i].id);
  EXPECT_EQ(rest, SortCommands());
}

struct StateCase {
  const char* name;
  CommandConditions conditions;
  std::set<CommandId> disabled;
};

TEST(CommandStates, DisabledCommandsFollowListSearchAndDelete) {
  const std::set<CommandId> deleteBlocked = Union(
      {kSelectDupes, kSelectAll, kDeselectAll, kInvertSelection, kRemoveFromList, kFileCopy, kFileMove,
       kFileRename, kFileDelete},
      SortCommands());
  const StateCase cases[] = {
      {"empty list", {true, false, false}, Union(kListCommands, {kStop})},
      {"rows, idle", {false, false, false}, {kStop}},
      {"rows, searching", {false, true, false}, {kFind}},
      {"empty, searching", {true, true, false}, Union(kListCommands, {kFind})},
      {"rows, deleting", {false, false, true}, Union(deleteBlocked, {kStop})},
  };
  for (const StateCase& c : cases) {
    CommandStates states;
    states.Update(c.conditions);
    EXPECT_EQ(DisabledOf(states), c.disabled) << c.name;
    for (const CommandStateEntry& e : states.Entries()) EXPECT_EQ(states.IsAllowed(e.id), !e.disabled) << c.name;
    // Commands without an entry are never held back.
    for (const CommandId free : {kExit, kPresetEdit, kLoadResults, kHelp, kEscape}) {
      EXPECT_TRUE(states.IsAllowed(free)) << c.name;
    }
  }
}

TEST(CommandStates, UpdateReportsOnlyChangesUnlessForced) {
  CommandStates states;  // all enabled, as a new menu
  EXPECT_EQ(states.Update({false, false, false}),
            (std::vector<CommandStateChange>{{kStop, true}}));
  EXPECT_TRUE(states.Update({false, false, false}).empty());
  EXPECT_EQ(states.Update({false, true, false}),
            (std::vector<CommandStateChange>{{kFind, true}, {kStop, false}}));
  const std::vector<CommandStateChange> emptied = states.Update({true, true, false});
  EXPECT_EQ(emptied.size(), kListCommands.size());
  EXPECT_TRUE(std::all_of(emptied.begin(), emptied.end(), [](const CommandStateChange& c) { return c.disabled; }));
  const std::vector<CommandStateChange> forced = states.Update({true, true, false}, true);
  ASSERT_EQ(forced.size(), CommandStates::kEntries);
  EXPECT_EQ(forced.front(), (CommandStateChange{kPlay, true}));
}

}  // namespace
}  // namespace tarnq::appcore
