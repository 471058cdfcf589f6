// SPDX-License-Identifier: GPL-3.0-or-later
// The file tests of a search preset's filter: attributes, name masks, dates and sizes.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/preset.h"
#include "platform/time.h"

namespace tarnq::engine {

// Attribute bits the filter looks at.
inline constexpr uint16_t kFilterAttributeMask = 0x4837;

// The limit of a bound's date condition for a scan starting at `now` (UTC):
//   D  the stored time;  T  the local time of day of the stored time (in ticks since midnight);
//   S, M, H, Z, W  now minus N units;  L, Y  now with the month or year moved back N, the day
//   clamped to the month's last day. The arithmetic saturates (far in the past gives 0).
platform::FileTime DateLimit(const FilterBound& bound, platform::FileTime now);
// The bound's size condition in bytes (K, M, G shift by 10, 20, 30; saturates).
uint64_t SizeLimit(const FilterBound& bound);
// Fills dateLimit and sizeLimit of both bounds.
void PrepareFilter(FileFilter& filter, platform::FileTime now);

// The local time of day of a FILETIME, in ticks since midnight.
platform::FileTime LocalTimeOfDay(platform::FileTime fileTime);

// What the filter sees of a file.
struct FileFacts {
  uint16_t attributes = 0;
  uint64_t size = ~uint64_t{0};
  platform::FileTime created = 0;
  platform::FileTime accessed = 0;
  platform::FileTime modified = 0;
  std::u16string_view name;
};

// True when the file passes every condition of a prepared filter (the caller checks that the
// filter is switched on).
bool PassesFilter(const FileFilter& filter, const FileFacts& file);

}  // namespace tarnq::engine
