// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the list shows in its cells, and the number forms they use.
#pragma once

#include <cstdint>
#include <string>

#include "results/result_row.h"

namespace tarnq::results {

class FolderTable;

// Bits of the main options (`Opt`) that change what the list shows.
namespace list_option {
inline constexpr uint32_t kIconsHidden = 0x8;  // View > Icons off: no file icon beside the names
inline constexpr uint32_t kNoCache = 0x10;
inline constexpr uint32_t kNumericNames = 0x1000;  // "Sort names in numeric order"
inline constexpr uint32_t kShortSizes = 0x4000;    // inverse of "Show the file size in bytes"
inline constexpr uint32_t kShowSeconds = 0x8000;   // "Show seconds"
}  // namespace list_option

// "1 KB" for 1 ... 1024 bytes, "2 KB" for 1025, "0 KB" for 0; larger values in MB, GB, TB,
// rounded up, with digit grouping.
std::u16string FormatShortSize(uint64_t bytes);
// "" for 0, "128 kbps", "VBR" for -1, "VBR (ø 192 kbps)" for -192.
std::u16string FormatBitrate(int32_t bitrate);
// "" for 0, "03:07" below an hour, "1:02:03" from an hour on.
std::u16string FormatDuration(uint32_t seconds);
// "" for unknown; grouped bytes, or the short form when `shortForm`.
std::u16string FormatSize(uint64_t size, bool shortForm);
// Local date and time in the user's formats; "" for 0.
std::u16string FormatModified(uint64_t fileTime, bool withSeconds);

// The text of `columnId` for `row`; `options` are the main options. Unknown columns give "".
std::u16string CellText(ResultRow row, uint16_t columnId, const FolderTable& folders, uint32_t options);

// Rows with hidden (0x2) or system (0x4) attributes are drawn dimmed in the Filename column.
bool IsDimmed(ResultRow row);

}  // namespace tarnq::results
