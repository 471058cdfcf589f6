// How tarnq-cli prints a result list: group by group as the list shows it, or as JSON Lines.
#pragma once

#include "results/columns.h"
#include "results/result_list.h"

namespace tarnq::cli {

// One JSON object per row: group, path, size, modified, format, type, channels, sampleRate,
// bitrate, duration, track, year, bpm, genre, title, artist, album, comment, selected.
void PrintJsonRows(const results::ResultList& list);
// "Group N:" and the visible columns of each row; when any row is selected each row starts with
// "[x]" or "[ ]".
void PrintGroups(const results::ResultList& list, const results::ColumnLayout& layout);

}  // namespace tarnq::cli
