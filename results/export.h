// SPDX-License-Identifier: GPL-3.0-or-later
// Export of the whole list as the user sees it (visible columns in display order, cell texts as
// shown, groups coloured or separated) as text with aligned columns, CSV or an HTML table, each in
// the legacy code page or Unicode; and the clipboard texts of the selected rows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "results/columns.h"
#include "results/result_list.h"

namespace tarnq::settings {
class SettingsStore;
struct ColorPair;
}  // namespace tarnq::settings

namespace tarnq::results {

// The formats; the number is the filter index stored in `ExpMode`. 8 and 9 are UTF-8 without a
// byte-order mark (a Windows-made program reads them as 0, no format chosen).
enum class ExportFormat : int {
  kText = 1,         // legacy code page
  kTextUnicode = 2,  // UTF-16 LE with FF FE
  kCsv = 3,
  kCsvUnicode = 4,
  kHtml = 5,
  kHtmlUnicode = 6,
  kHtmlUtf8 = 7,  // UTF-8 with EF BB BF
  kTextUtf8 = 8,  // UTF-8, no byte-order mark
  kCsvUtf8 = 9,   // UTF-8, no byte-order mark
};
inline constexpr int kExportFormatCount = 9;
inline constexpr int kCommandExport = 113;

struct ExportFormatInfo {
  std::u16string_view filter;   // "Text", "CSV Unicode", ...
  std::u16string_view pattern;  // "*.txt"
};
// Format 1-9; anything else gives format 1's entry.
ExportFormatInfo ExportFormatInfoOf(int format);
bool IsExportFormat(int format);

// `ExpMode` in section TARNQ: 0 when missing or above 9.
int ReadExportMode(settings::SettingsStore& store);
void WriteExportMode(settings::SettingsStore& store, int format);

// Row colours: RGB (0xRRGGBB). The colour scheme's pairs hold Windows colour values
// (0x00BBGGRR); the first number of a pair is taken as the background.
inline constexpr uint32_t kNoColor = 0xFF000000;
std::vector<uint32_t> SchemeBackgrounds(std::span<const settings::ColorPair> scheme);
// Group g uses entry (g - 1) mod n, group 0 entry 0; white without any entry.
uint32_t GroupColor(uint32_t group, std::span<const uint32_t> backgrounds);

// What an export writes, taken from the list under its lock.
struct ExportColumn {
  uint16_t id = 0;
  std::u16string title;
  bool rightAligned = false;  // centred counts as left
};
// Columns an export can add after the visible ones.
struct ExportExtras {
  bool group = false;     // the group number
  bool selected = false;  // "x" for a selected row; HTML also marks the row
  bool size = false;      // the Size column, unless it is visible already
};
inline constexpr uint16_t kGroupColumnId = 0xFF01;
inline constexpr uint16_t kSelectedColumnId = 0xFF02;

struct ExportTable {
  std::vector<ExportColumn> columns;           // at most 20
  std::vector<std::vector<std::u16string>> cells;  // per row, one text per column (at most 1023 units)
  std::vector<uint32_t> colors;                // per row, RGB
  std::vector<std::u16string> paths;           // per row, the full path (the Filename column's link)
  std::vector<bool> selected;                  // per row, filled when the selection is marked
};
inline constexpr size_t kMaxExportColumns = 20;
inline constexpr size_t kMaxCellUnits = 1023;

// The visible columns of `layout` with their catalogue titles.
std::vector<ExportColumn> ExportColumnsOf(const ColumnLayout& layout);
ExportTable BuildExportTable(const ResultList& list, const ColumnLayout& layout,
                             std::span<const uint32_t> backgrounds, const ExportExtras& extras = {});

// The file's bytes in `format` (byte-order mark included, CR LF line ends).
std::string ComposeExport(const ExportTable& table, ExportFormat format);
// Writes the export through a temporary file renamed into place (a missing folder is created).
// Returns 0 or the error code.
uint32_t ExportList(const ResultList& list, const ColumnLayout& layout, std::span<const uint32_t> backgrounds,
                    ExportFormat format, std::u16string_view path, const ExportExtras& extras = {});

// HTML text of a cell or title: & < > " and every space as entities, Latin-1 letters, € and ™ by
// name, every other character past ASCII as one decimal reference per code point.
std::u16string EscapeHtml(std::u16string_view text);
// A file:// URL of an absolute path, its bytes percent-encoded (unreserved characters and '/' kept;
// on Windows the separators become '/' and the drive's ':' stays: file:///C:/Music/a.mp3).
std::u16string FileUrl(std::u16string_view path);
// A CSV field: enclosed in double quotes (inner ones doubled) when it holds ';', '"', CR or LF.
void AppendCsvField(std::u16string& out, std::u16string_view text);

// The clipboard texts (commands 126-129), lines ended by CR LF; empty when no row is selected.
std::u16string SelectedNamesText(const ResultList& list);
std::u16string SelectedPathsText(const ResultList& list);
// The cell texts of the selected rows in the layout's columns with a title, joined by tabs; with
// `withHeader` the titles first.
std::u16string SelectionText(const ResultList& list, const ColumnLayout& layout, bool withHeader);

}  // namespace tarnq::results
