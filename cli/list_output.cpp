#include "cli/list_output.h"

#include <cstdio>
#include <string>

#include "cli/cli_support.h"
#include "platform/time.h"

namespace tarnq::cli {

namespace {

std::string Iso8601(platform::FileTime time) {
  if (time == 0) return {};
  const platform::CalendarTime t = platform::FileTimeToCalendarUtc(time);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

}  // namespace

void PrintJsonRows(const results::ResultList& list) {
  platform::StoreGuard guard(list.RowsLock());
  std::string line;
  for (size_t i = 0; i < list.RowCount(); ++i) {
    const results::ResultRow row = list.RowAt(i);
    const records::AudioInfo info = row.Info();
    line.clear();
    auto key = [&](const char* name) {
      line += line.empty() ? "{\"" : ",\"";
      line += name;
      line += "\":";
    };
    auto number = [&](const char* name, int64_t value) {
      key(name);
      line += std::to_string(value);
    };
    number("group", row.Group());
    key("path");
    AppendJsonString(line, list.FullPath(row));
    key("size");
    line += row.Size() == results::kUnknownSize ? "null" : std::to_string(row.Size());
    key("modified");
    const std::string modified = Iso8601(row.Modified());
    line += modified.empty() ? "null" : "\"" + modified + "\"";
    AppendAudioInfoJson(line, info);
    key("selected");
    line += row.Selected() ? "true" : "false";
    line += "}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
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
  }
  if (list.RowCount() > 0) std::fputc('\n', stdout);
}

}  // namespace tarnq::cli
