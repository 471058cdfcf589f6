// SPDX-License-Identifier: GPL-3.0-or-later
// FILETIME values (100 ns units since 1601-01-01 UTC) and calendar conversions.
#pragma once

#include <cstdint>
#include <optional>

namespace tarnq::platform {

using FileTime = uint64_t;

inline constexpr FileTime kTicksPerSecond = 10'000'000;
// 1601-01-01 to 1970-01-01 in FILETIME ticks.
inline constexpr FileTime kUnixEpochAsFileTime = 116444736000000000ULL;
// The "1980" boundary: times before it count as unset. The value is the one the Windows program
// compares with (1979-12-31 22:46:40 UTC, a little before New Year); kept so filters agree.
inline constexpr FileTime kFileTime1980 = 0x01A8E795A33AC800ULL;

// Calendar fields as SYSTEMTIME holds them (month 1-12, dayOfWeek 0 = Sunday).
struct CalendarTime {
  int year = 1601;
  int month = 1;
  int dayOfWeek = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
};

FileTime FileTimeNow();
FileTime UnixToFileTime(int64_t seconds, uint32_t nanoseconds = 0);
// Seconds since 1970 (floor); FILETIMEs before 1970 give negative values.
int64_t FileTimeToUnix(FileTime fileTime);

CalendarTime FileTimeToCalendarUtc(FileTime fileTime);
// Fields out of range (month 13, day 32, hour 24 ...) give nothing.
std::optional<FileTime> CalendarUtcToFileTime(const CalendarTime& fields);

// Local time of the user's time zone (TZ, else the system zone).
CalendarTime FileTimeToCalendarLocal(FileTime fileTime);
std::optional<FileTime> CalendarLocalToFileTime(const CalendarTime& fields);
// FileTimeToLocalFileTime / LocalFileTimeToFileTime: shift by the zone's offset at that moment.
FileTime UtcToLocalFileTime(FileTime utc);
FileTime LocalToUtcFileTime(FileTime local);

}  // namespace tarnq::platform
