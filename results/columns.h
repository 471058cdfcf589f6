// SPDX-License-Identifier: GPL-3.0-or-later
// The columns of the result list, their layout in the settings (`L`), the sort orders with the
// commands and header clicks that choose them, and the stored sort order (`Sort`).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::results {

// Column ids are the catalogue ids of their titles.
namespace column {
inline constexpr uint16_t kFilename = 40;
inline constexpr uint16_t kPath = 41;
inline constexpr uint16_t kArtist = 42;
inline constexpr uint16_t kTitle = 43;
inline constexpr uint16_t kAlbum = 44;
inline constexpr uint16_t kTrack = 45;
inline constexpr uint16_t kGenre = 46;
inline constexpr uint16_t kBitrate = 47;
inline constexpr uint16_t kDuration = 48;
inline constexpr uint16_t kType = 49;
inline constexpr uint16_t kComment = 50;
inline constexpr uint16_t kBpm = 51;
inline constexpr uint16_t kSize = 52;
inline constexpr uint16_t kModified = 53;
}  // namespace column

// Alignment flags of a column (the other bits are carried along unchanged).
inline constexpr uint16_t kAlignRight = 0x1;
inline constexpr uint16_t kAlignCenter = 0x2;
inline constexpr uint16_t kAlignMask = 0x3;

struct ColumnDef {
  uint16_t textId;
  int32_t defaultWidth;
  int32_t defaultPosition;  // -1 = hidden by default
  uint16_t flags;
};

// The column table; a column's index here is what the layout stores.
inline constexpr std::array<ColumnDef, 14> kColumns = {{
    {column::kFilename, 150, 0, 0},
    {column::kPath, 80, 1, 0},
    {column::kArtist, 150, 2, 0},
    {column::kTitle, 254, 3, 0},
    {column::kAlbum, 150, 4, 0},
    {column::kTrack, 40, 5, 0x0201},
    {column::kGenre, 50, 6, 0},
    {column::kBitrate, 50, 7, 0x0201},
    {column::kDuration, 50, 8, 0x0201},
    {column::kType, 200, 9, 0},
    {column::kBpm, 40, -1, 0x0201},
    {column::kComment, 200, -1, 0},
    {column::kSize, 75, -1, 0x0201},
    {column::kModified, 120, -1, 0},
}};

// Index of a column id in kColumns, or -1.
int ColumnIndex(uint16_t columnId);

// The sixteen sort orders.
enum SortKey : int16_t {
  kSortNone = 0,
  kSortName = 1,
  kSortExtension = 2,
  kSortPath = 3,
  kSortArtist = 4,
  kSortTitle = 5,
  kSortAlbum = 6,
  kSortTrack = 7,
  kSortGenre = 8,
  kSortBitrate = 9,
  kSortDuration = 10,
  kSortType = 11,
  kSortComment = 12,
  kSortBpm = 13,
  kSortSize = 14,
  kSortModified = 15,
};
inline constexpr int kSortKeyCount = 16;

// Commands 151-166 choose a sort key, 167 flips the order.
inline constexpr int kCommandSortFirst = 151;
inline constexpr int kCommandSortLast = 166;
inline constexpr int kCommandSortReverse = 167;
// The sort key a command chooses; nothing for other commands (167 included).
std::optional<int> SortKeyForCommand(int commandId);

// The key a click on a column header chooses: Filename gives the extension when the click lies in
// its right half. Nothing for an unknown column.
std::optional<int> SortKeyForHeaderClick(uint16_t columnId, bool rightHalf);

// `Sort` in section TARNQ: key in the low 16 bits, reversed in the high 16. A key outside 0-15
// reads as 0.
struct SortOrder {
  int key = kSortNone;
  bool reversed = false;
  friend bool operator==(const SortOrder&, const SortOrder&) = default;
};
SortOrder ReadSortOrder(settings::SettingsStore& store);
void WriteSortOrder(settings::SettingsStore& store, const SortOrder& order);

// One visible column of the layout, in display order.
struct LayoutColumn {
  int tableIndex = 0;  // index in kColumns
  int32_t width = 0;
  uint16_t flags = 0;  // alignment bits plus the table's other bits
  friend bool operator==(const LayoutColumn&, const LayoutColumn&) = default;
};
using ColumnLayout = std::vector<LayoutColumn>;

// The columns with a default position, in that order, with default widths and alignments.
ColumnLayout DefaultLayout();
// Entries "[C|R|L]index,width" separated by ";". Entries naming no column are ignored; nothing
// usable gives the default layout.
ColumnLayout ParseLayout(std::u16string_view value);
std::u16string FormatLayout(const ColumnLayout& layout);
// `L` in section TARNQ; the default layout when nothing usable is stored or the desktop changed.
ColumnLayout ReadLayout(settings::SettingsStore& store);
void WriteLayout(settings::SettingsStore& store, const ColumnLayout& layout);

}  // namespace tarnq::results
