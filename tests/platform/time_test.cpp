// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

namespace tarnq::platform {
namespace {

TEST(Time, KnownMomentsConvertBothWays) {
  CalendarTime newYear;
  newYear.year = 1980;
  const FileTime ft = *CalendarUtcToFileTime(newYear);
  EXPECT_EQ(ft, 119600064000000000ULL);
  const CalendarTime f = FileTimeToCalendarUtc(ft);
  EXPECT_EQ(f.year, 1980);
  EXPECT_EQ(f.month, 1);
  EXPECT_EQ(f.day, 1);
  EXPECT_EQ(f.hour, 0);
  EXPECT_EQ(f.dayOfWeek, 2);  // a Tuesday
  // The stored boundary lies just before that New Year.
  EXPECT_EQ(kFileTime1980, 0x01A8E795A33AC800ULL);
  EXPECT_EQ(FileTimeToCalendarUtc(kFileTime1980).year, 1979);
  EXPECT_EQ(UnixToFileTime(0), kUnixEpochAsFileTime);
  EXPECT_EQ(FileTimeToUnix(kUnixEpochAsFileTime + 9'999'999), 0);
  EXPECT_EQ(FileTimeToCalendarUtc(0).year, 1601);
}

TEST(Time, CalendarRoundTripKeepsMilliseconds) {
  std::mt19937_64 rng(3);
  for (int i = 0; i < 10000; ++i) {
    // Whole milliseconds between 1601 and 2400.
    const FileTime ft = (rng() % 252000000000000000ULL) / 10000 * 10000;
    const CalendarTime f = FileTimeToCalendarUtc(ft);
    const auto back = CalendarUtcToFileTime(f);
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(*back, ft);
  }
}

TEST(Time, RejectsImpossibleFields) {
  CalendarTime f;
  f.year = 2023, f.month = 2, f.day = 29;
  EXPECT_FALSE(CalendarUtcToFileTime(f));
  f.year = 2024;
  EXPECT_TRUE(CalendarUtcToFileTime(f));
  f.month = 13;
  EXPECT_FALSE(CalendarUtcToFileTime(f));
  f.month = 1, f.hour = 24;
  EXPECT_FALSE(CalendarUtcToFileTime(f));
}

TEST(Time, NowIsAfter2020) {
  CalendarTime f;
  f.year = 2020;
  EXPECT_GT(FileTimeNow(), *CalendarUtcToFileTime(f));
}

class LocalZone : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    m_saved = tz ? tz : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  void TearDown() override {
    setenv("TZ", m_saved.c_str(), 1);
    tzset();
  }
  std::string m_saved;
};

TEST_F(LocalZone, LocalTimeFollowsDaylightSaving) {
  CalendarTime winter;
  winter.year = 2024, winter.month = 1, winter.day = 15, winter.hour = 12;
  CalendarTime summer = winter;
  summer.month = 7;
  const FileTime w = *CalendarUtcToFileTime(winter);
  const FileTime s = *CalendarUtcToFileTime(summer);
  EXPECT_EQ(FileTimeToCalendarLocal(w).hour, 13);
  EXPECT_EQ(FileTimeToCalendarLocal(s).hour, 14);
  EXPECT_EQ(UtcToLocalFileTime(w) - w, 3600 * kTicksPerSecond);
  EXPECT_EQ(LocalToUtcFileTime(UtcToLocalFileTime(s)), s);
  // A typed local time means that moment in the user's zone.
  CalendarTime typed = summer;
  typed.hour = 14;
  EXPECT_EQ(*CalendarLocalToFileTime(typed), s);
}

}  // namespace
}  // namespace tarnq::platform
