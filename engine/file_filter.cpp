// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/file_filter.h"

#include <limits>

#include "analysis/name_rules.h"

namespace tarnq::engine {
namespace {

constexpr platform::FileTime kTicksPerDay = 86400 * platform::kTicksPerSecond;

platform::FileTime SubtractSaturating(platform::FileTime now, uint64_t count, uint64_t seconds) {
  const uint64_t limit = now / (seconds * platform::kTicksPerSecond);
  if (count > limit) return 0;
  return now - count * seconds * platform::kTicksPerSecond;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// `now` with the calendar moved back by `months`; 0 when that lies before 1601.
platform::FileTime MonthsBack(platform::FileTime now, uint64_t months) {
  platform::CalendarTime t = platform::FileTimeToCalendarUtc(now);
  const int64_t total = static_cast<int64_t>(t.year) * 12 + (t.month - 1);
  if (months > static_cast<uint64_t>(total)) return 0;
  const int64_t target = total - static_cast<int64_t>(months);
  t.year = static_cast<int>(target / 12);
  t.month = static_cast<int>(target % 12) + 1;
  if (t.year < 1601) return 0;
  const int last = DaysInMonth(t.year, t.month);
  if (t.day > last) t.day = last;
  return platform::CalendarUtcToFileTime(t).value_or(0);
}

bool FailsDate(const FilterBound& bound, platform::FileTime time, platform::FileTime timeOfDay,
               bool lower) {
  if (bound.dateUnit == 0) return false;
  const platform::FileTime value = bound.dateUnit == 'T' ? timeOfDay : time;
  return lower ? value < bound.dateLimit : value > bound.dateLimit;
}

bool FailsSize(const FilterBound& bound, uint64_t size, bool lower) {
  if (bound.sizeUnit == 0) return false;
  return lower ? size < bound.sizeLimit : size > bound.sizeLimit;
}

}  // namespace

platform::FileTime LocalTimeOfDay(platform::FileTime fileTime) {
  return platform::UtcToLocalFileTime(fileTime) % kTicksPerDay;
}

platform::FileTime DateLimit(const FilterBound& bound, platform::FileTime now) {
  const uint64_t n = bound.dateValue;
  switch (bound.dateUnit) {
    case 'D': return bound.dateValue;
    case 'T': return LocalTimeOfDay(bound.dateValue);
    case 'S': return SubtractSaturating(now, n, 1);
    case 'M': return SubtractSaturating(now, n, 60);
    case 'H': return SubtractSaturating(now, n, 3600);
    case 'Z': return SubtractSaturating(now, n, 86400);
    case 'W': return SubtractSaturating(now, n, 604800);
    case 'L': return MonthsBack(now, n);
    case 'Y': return n > UINT64_MAX / 12 ? 0 : MonthsBack(now, n * 12);
    default: return 0;
  }
}

uint64_t SizeLimit(const FilterBound& bound) {
  unsigned shift = 0;
  switch (bound.sizeUnit) {
    case 'K': shift = 10; break;
    case 'M': shift = 20; break;
    case 'G': shift = 30; break;
    default: shift = 0;
  }
  if (shift != 0 && bound.sizeValue > (std::numeric_limits<uint64_t>::max() >> shift))
    return std::numeric_limits<uint64_t>::max();
  return bound.sizeValue << shift;
}

void PrepareFilter(FileFilter& filter, platform::FileTime now) {
  for (FilterBound* bound : {&filter.lower, &filter.upper}) {
    bound->dateLimit = DateLimit(*bound, now);
    bound->sizeLimit = SizeLimit(*bound);
  }
}

bool PassesFilter(const FileFilter& filter, const FileFacts& file) {
  // A must-be-set bit missing or a must-be-clear bit present rejects the file.
  const uint16_t a = file.attributes & kFilterAttributeMask;
  if (((a | filter.lower.attributes) & ~filter.upper.attributes) != a) return false;

  platform::FileTime time = filter.dateKind == 1   ? file.created
                            : filter.dateKind == 2 ? file.accessed
                                                   : file.modified;
  if (time < platform::kFileTime1980) time = file.modified;

  if (!filter.lower.mask.empty() && !analysis::MatchesMaskList(file.name, filter.lower.mask)) return false;
  if (!filter.upper.mask.empty() && analysis::MatchesMaskList(file.name, filter.upper.mask)) return false;

  const bool anyTime = filter.lower.dateUnit == 'T' || filter.upper.dateUnit == 'T';
  const platform::FileTime timeOfDay = anyTime ? LocalTimeOfDay(time) : 0;
  if (FailsDate(filter.lower, time, timeOfDay, true)) return false;
  if (FailsDate(filter.upper, time, timeOfDay, false)) return false;

  if ((file.attributes & 0x10) == 0 && file.size != ~uint64_t{0}) {
    if (FailsSize(filter.lower, file.size, true)) return false;
    if (FailsSize(filter.upper, file.size, false)) return false;
  }
  return true;
}

}  // namespace tarnq::engine
