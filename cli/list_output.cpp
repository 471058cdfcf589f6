// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/list_output.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "engine/search_run.h"
#include "lang/languages.h"
#include "platform/text.h"
#include "platform/time.h"
#include "settings/field_line.h"

namespace tarnq::cli {

namespace {

// "YYYY-MM-DDThh:mm:ssZ", or null for no time.
void AppendIso8601(std::string& out, platform::FileTime time) {
  if (time == 0) {
    out += "null";
    return;
  }
  const platform::CalendarTime t = platform::FileTimeToCalendarUtc(time);
  auto two = [&](int value, char after) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
    if (after != 0) out += after;
  };
  out += '"';
  if (t.year < 0 || t.year > 9999) {
    settings::AppendNumber(out, static_cast<int64_t>(t.year));
  } else {
    two(t.year / 100, 0);
    two(t.year % 100, 0);
  }
  out += '-';
  two(t.month, '-');
  two(t.day, 'T');
  two(t.hour, ':');
  two(t.minute, ':');
  two(t.second, 'Z');
  out += '"';
}

}  // namespace

void PrintJsonRows(const results::ResultList& list) {
  platform::StoreGuard guard(list.RowsLock());
  // Lines are gathered and written in large pieces.
  constexpr size_t kFlushBytes = 1 << 20;
  std::string out;
  out.reserve(kFlushBytes + 8192);
  std::u16string path;
  for (size_t i = 0; i < list.RowCount(); ++i) {
    const results::ResultRow row = list.RowAt(i);
    const records::AudioInfo info = row.Info();
    out += "{\"group\":";
    settings::AppendNumber(out, static_cast<uint64_t>(row.Group()));
    out += ",\"path\":";
    path.clear();
    list.AppendFullPath(row, path);
    AppendJsonString(out, path);
    out += ",\"size\":";
    if (row.Size() == results::kUnknownSize) out += "null";
    else settings::AppendNumber(out, row.Size());
    out += ",\"modified\":";
    AppendIso8601(out, row.Modified());
    AppendAudioInfoJson(out, info);
    out += row.Selected() ? ",\"selected\":true}\n" : ",\"selected\":false}\n";
    if (out.size() >= kFlushBytes) {
      // A closed or full output ends the listing: nothing more can reach the reader.
      if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return;
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

std::u16string ListStatusLine(const results::ResultList& list, bool shortSizes, bool canceled, bool incomplete) {
  uint32_t groups = 0;
  {
    platform::StoreGuard guard(list.RowsLock());
    uint32_t last = 0;
    for (size_t i = 0; i < list.RowCount(); ++i) {
      const uint32_t group = list.RowAt(i).Group();
      if (group != 0 && group != last) ++groups;
      last = group;
    }
  }
  engine::SearchProgress totals;
  const results::TotalCounter listed = list.RecountTotals();
  totals.files = listed.files;
  totals.bytes = listed.bytes;
  totals.groups = groups;
  totals.canceled = canceled;
  totals.incomplete = incomplete;
  std::u16string line = engine::SearchStatusText(totals, shortSizes);
  const results::TotalCounter selected = list.RecountSelected();
  if (selected.files != 0) {
    line += u", " + platform::Utf8ToUtf16(std::to_string(selected.files) + " selected, " +
                                          MegabytesText(selected.bytes) + " to free");
  }
  return line;
}

void PrintGroups(const results::ResultList& list, const results::ColumnLayout& layout) {
  platform::StoreGuard guard(list.RowsLock());
  if (list.RowCount() == 0) return;
  const bool marks = list.SelectedCount() > 0;
  std::vector<uint16_t> columns;
  for (const results::LayoutColumn& column : layout)
    columns.push_back(results::kColumns[static_cast<size_t>(column.tableIndex)].textId);
  // The header names the columns; the size and the full path follow the visible ones.
  std::string out = marks ? "      " : "  ";
  for (const uint16_t id : columns) out += EscapedForTerminal(lang::GetMenuText(id)) + "\t";
  out += "Size\tFull path\n";
  std::fputs(out.c_str(), stdout);
  std::u16string path;
  size_t i = 0;
  while (i < list.RowCount()) {
    const results::ResultRow first = list.RowAt(i);
    const uint32_t group = first.Group();
    size_t end = i + 1;
    while (end < list.RowCount() && list.RowAt(end).Group() == group) ++end;
    results::TotalCounter selected;
    for (size_t k = i; k < end; ++k) {
      const results::ResultRow row = list.RowAt(k);
      if (row.Selected()) selected.Add(row.Size());
    }
    // "Group 3: Artist / Title, 3 files, 2 selected, 0.2 MB"
    const records::AudioInfo info = first.Info();
    out = (i > 0 ? "\nGroup " : "Group ") + std::to_string(group) + ": " +
          EscapedBytes(info.TextUtf8(records::kTextArtist)) + " / " + EscapedBytes(info.TextUtf8(records::kTextTitle)) +
          ", " + std::to_string(end - i) + (end - i == 1 ? " file" : " files");
    if (marks) out += ", " + std::to_string(selected.files) + " selected, " + MegabytesText(selected.bytes);
    out += "\n";
    for (size_t k = i; k < end; ++k) {
      const results::ResultRow row = list.RowAt(k);
      out += "  ";
      if (marks) out += row.Selected() ? "[x] " : "[ ] ";
      for (const uint16_t id : columns) out += EscapedForTerminal(list.CellText(row, id)) + "\t";
      if (row.Size() != results::kUnknownSize) out += std::to_string(row.Size());
      path.clear();
      list.AppendFullPath(row, path);
      out += '\t';
      out += EscapedForTerminal(path);
      out += '\n';
    }
    // A closed or full output ends the listing: nothing more can reach the reader.
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return;
    i = end;
  }
  if (list.RowCount() > 0) std::fputc('\n', stdout);
}

bool PrintPaths(const std::vector<std::u16string>& paths, bool nulSeparated) {
  std::string bytes;
  for (const std::u16string& path : paths) {
    bytes = ToTerminal(path);
    bytes.push_back(nulSeparated ? '\0' : '\n');
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) return false;
  }
  return true;
}

std::vector<std::u16string> SelectedPaths(const results::ResultList& list) {
  platform::StoreGuard guard(list.RowsLock());
  std::vector<std::u16string> paths;
  for (size_t i = 0; i < list.RowCount(); ++i) {
    const results::ResultRow row = list.RowAt(i);
    if (row.Selected()) paths.push_back(list.FullPath(row));
  }
  return paths;
}

}  // namespace tarnq::cli
