#include "cli/list_output.h"

#include <cstdio>
#include <string>

#include "cli/cli_support.h"
#include "engine/search_run.h"
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
  const bool marks = list.SelectedCount() > 0;
  uint32_t group = ~0u;
  std::u16string line;
  for (size_t i = 0; i < list.RowCount(); ++i) {
    const results::ResultRow row = list.RowAt(i);
    if (row.Group() != group) {
      if (group != ~0u) std::fputc('\n', stdout);
      group = row.Group();
      std::printf("Group %u:\n", group);
    }
    line = u"  ";
    if (marks) line += row.Selected() ? u"[x] " : u"[ ] ";
    bool first = true;
    for (const results::LayoutColumn& column : layout) {
      if (!first) line += u'\t';
      first = false;
      line += list.CellText(row, results::kColumns[static_cast<size_t>(column.tableIndex)].textId);
    }
    line += u'\n';
    Print(stdout, line);
    if (std::ferror(stdout)) return;  // a closed or full output ends the listing
  }
  if (list.RowCount() > 0) std::fputc('\n', stdout);
}

}  // namespace tarnq::cli
