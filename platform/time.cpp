// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/time.h"

#include "platform/time_zone.h"

#include <ctime>

#include <chrono>

namespace tarnq::platform {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool ValidFields(const CalendarTime& f) {
  return f.year >= 1601 && f.year <= 30827 && f.month >= 1 && f.month <= 12 && f.day >= 1 &&
         f.day <= DaysInMonth(f.year, f.month) && f.hour >= 0 && f.hour < 24 && f.minute >= 0 &&
         f.minute < 60 && f.second >= 0 && f.second < 60 && f.milliseconds >= 0 && f.milliseconds < 1000;
}


}  // namespace

FileTime UnixToFileTime(int64_t seconds, uint32_t nanoseconds) {
  const int64_t ticks = seconds * static_cast<int64_t>(kTicksPerSecond) + nanoseconds / 100;
  const int64_t result = ticks + static_cast<int64_t>(kUnixEpochAsFileTime);
  return result < 0 ? 0 : static_cast<FileTime>(result);
}

int64_t FileTimeToUnix(FileTime fileTime) {
  const int64_t ticks = static_cast<int64_t>(fileTime / kTicksPerSecond);
  return ticks - static_cast<int64_t>(kUnixEpochAsFileTime / kTicksPerSecond);
}

FileTime FileTimeNow() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  return UnixToFileTime(ns / 1'000'000'000, static_cast<uint32_t>(ns % 1'000'000'000));
}

CalendarTime FileTimeToCalendarUtc(FileTime fileTime) {
  const int64_t unixSeconds = FileTimeToUnix(fileTime);
  int64_t days = unixSeconds / kSecondsPerDay;
  int64_t rest = unixSeconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  CalendarTime f;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  f.year = static_cast<int>(y);
  f.month = static_cast<int>(m);
  f.day = static_cast<int>(d);
  f.dayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
  f.hour = static_cast<int>(rest / 3600);
  f.minute = static_cast<int>(rest / 60 % 60);
  f.second = static_cast<int>(rest % 60);
  f.milliseconds = static_cast<int>(fileTime % kTicksPerSecond / 10000);
  return f;
}

std::optional<FileTime> CalendarUtcToFileTime(const CalendarTime& f) {
  if (!ValidFields(f)) return std::nullopt;
  const int64_t days = DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day));
  const int64_t seconds = days * kSecondsPerDay + f.hour * 3600 + f.minute * 60 + f.second;
  const int64_t ticks = seconds * static_cast<int64_t>(kTicksPerSecond) + f.milliseconds * 10000LL +
                        static_cast<int64_t>(kUnixEpochAsFileTime);
  if (ticks < 0) return std::nullopt;
  return static_cast<FileTime>(ticks);
}

FileTime UtcToLocalFileTime(FileTime utc) {
  const int64_t shifted = static_cast<int64_t>(utc) + LocalOffsetAt(FileTimeToUnix(utc)) * int64_t{kTicksPerSecond};
  return shifted < 0 ? 0 : static_cast<FileTime>(shifted);
}

FileTime LocalToUtcFileTime(FileTime local) {
  // The offset of the moment the local time names: try the offset at the local value taken as UTC,
  // then correct once (enough across a daylight-saving change).
  const int64_t asUtc = FileTimeToUnix(local);
  int64_t offset = LocalOffsetAt(asUtc);
  offset = LocalOffsetAt(asUtc - offset);
  const int64_t shifted = static_cast<int64_t>(local) - offset * int64_t{kTicksPerSecond};
  return shifted < 0 ? 0 : static_cast<FileTime>(shifted);
}

CalendarTime FileTimeToCalendarLocal(FileTime fileTime) {
  return FileTimeToCalendarUtc(UtcToLocalFileTime(fileTime));
}

std::optional<FileTime> CalendarLocalToFileTime(const CalendarTime& fields) {
  const auto local = CalendarUtcToFileTime(fields);
  if (!local) return std::nullopt;
  return LocalToUtcFileTime(*local);
}

}  // namespace tarnq::platform
