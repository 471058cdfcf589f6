// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison behind the sixteen sort orders. A SortValueProvider tells, for one row and one
// key, the value to compare and which key breaks a tie; CompareRows walks that chain.
//
// The first key of a comparison is the chosen order and every later key a tie-break, so the chains
// always end: Filename -> extension -> path, Path -> file name, any other key -> file name -> path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "results/result_row.h"

namespace tarnq::results {

class FolderTable;

enum class SortValueType : uint8_t { kNone = 0, kUnsigned32 = 1, kUnsigned64 = 2, kText = 3 };

// What a comparison asks the provider for one row.
struct SortQuery {
  int key = 0;           // the key asked for
  bool chosen = true;    // the key is the chosen order (the first of the chain), not a tie-break
  bool numeric = false;  // texts compare with digit runs as numbers
  uint16_t cls = 0;      // class of the row (keys 1, 2, 3, 14, 15 only; else left as it was)
  SortValueType type = SortValueType::kNone;
  uint64_t number = 0;
  std::u16string text;   // the provider composes texts here
  int nextKey = -1;      // -1 = none
};

// Fills `query` for `row`. The program's provider (the one the list uses).
void ProvideSortValue(SortQuery& query, ResultRow row, const FolderTable& folders);

// The keys a comparison walks for the chosen `key` (empty for Unsorted).
std::vector<int> SortChain(int key);

struct SortSettings {
  int key = 0;
  bool reversed = false;
  bool numeric = false;
};

// -1, 0 or 1: whether `a` comes before `b`. Higher classes come first whatever the direction;
// a row without a value comes before one with a value.
int CompareRows(ResultRow a, ResultRow b, const SortSettings& settings, const FolderTable& folders);

// Sorts `rows` stably (equal rows keep their order; Unsorted keeps the order as it is), then
// gathers each group behind its first member and renumbers the groups 1, 2, 3 ... in display
// order (rows of group 0 are gathered alike but keep 0). Linear after the sort.
void SortRows(std::vector<std::byte*>& rows, const SortSettings& settings, const FolderTable& folders);

// Only the gathering and renumbering of SortRows.
void GatherGroups(std::vector<std::byte*>& rows);

}  // namespace tarnq::results
