// SPDX-License-Identifier: GPL-3.0-or-later
// How tarnq-cli prints a result list: group by group as the list shows it, or as JSON Lines.
#pragma once

#include <string>
#include <vector>

#include "results/columns.h"
#include "results/result_list.h"

namespace tarnq::cli {

// One JSON object per row: group, path, size, modified, format, type, channels, sampleRate,
// bitrate, duration, track, year, bpm, genre, title, artist, album, comment, selected.
void PrintJsonRows(const results::ResultList& list);
// A header line naming the columns, then per group "Group N: Artist / Title, 3 files" (with
// ", 2 selected, 0.2 MB" when any row is selected) and its rows: the visible columns, the size and
// the full path, tab-separated, control characters escaped. When any row is selected each row
// starts with "[x]" or "[ ]".
void PrintGroups(const results::ResultList& list, const results::ColumnLayout& layout);

// The paths as they are, one per line or NUL-terminated. False when the output failed.
bool PrintPaths(const std::vector<std::u16string>& paths, bool nulSeparated);
std::vector<std::u16string> SelectedPaths(const results::ResultList& list);

// The status line of the list as it is now: "Total 3 files, 12,345 bytes, 1 group", followed by
// ", 2 selected, 0.01 MB to free" when rows are selected.
std::u16string ListStatusLine(const results::ResultList& list, bool shortSizes, bool canceled = false,
                              bool incomplete = false);

}  // namespace tarnq::cli
