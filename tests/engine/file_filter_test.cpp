// SPDX-License-Identifier: GPL-3.0-or-later
// The file filter: limits computed before a scan, and the tests of one file.
#include <gtest/gtest.h>

#include "engine/file_filter.h"
#include "platform/time.h"

namespace tarnq::engine {
namespace {

platform::FileTime Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return platform::CalendarUtcToFileTime({.year = y, .month = mo, .day = d, .hour = h, .minute = mi, .second = s})
      .value();
}

FilterBound Date(char unit, uint64_t value) {
  FilterBound b;
  b.dateUnit = unit;
  b.dateValue = value;
  return b;
}

TEST(FilterLimits, RelativeUnitsCountBackFromNow) {
  const platform::FileTime now = Utc(2024, 3, 15, 12);
  EXPECT_EQ(DateLimit(Date('S', 30), now), now - 30 * platform::kTicksPerSecond);
  EXPECT_EQ(DateLimit(Date('H', 2), now), Utc(2024, 3, 15, 10));
  EXPECT_EQ(DateLimit(Date('Z', 15), now), Utc(2024, 2, 29, 12));
  EXPECT_EQ(DateLimit(Date('W', 1), now), Utc(2024, 3, 8, 12));
  EXPECT_EQ(DateLimit(Date('L', 1), now), Utc(2024, 2, 15, 12));
  EXPECT_EQ(DateLimit(Date('D', 12345), now), 12345u);
  EXPECT_EQ(DateLimit(Date(0, 5), now), 0u);
}

TEST(FilterLimits, MonthsCrossJanuaryAndClampTheDay) {
  EXPECT_EQ(DateLimit(Date('L', 1), Utc(2024, 1, 15)), Utc(2023, 12, 15));
  EXPECT_EQ(DateLimit(Date('L', 13), Utc(2024, 1, 15)), Utc(2022, 12, 15));
  EXPECT_EQ(DateLimit(Date('L', 1), Utc(2024, 3, 31)), Utc(2024, 2, 29));
  EXPECT_EQ(DateLimit(Date('L', 1), Utc(2023, 3, 31)), Utc(2023, 2, 28));
  EXPECT_EQ(DateLimit(Date('Y', 1), Utc(2024, 2, 29)), Utc(2023, 2, 28));
}

TEST(FilterLimits, HugeCountsSaturateInsteadOfWrapping) {
  const platform::FileTime now = Utc(2024, 3, 15);
  EXPECT_EQ(DateLimit(Date('W', UINT64_MAX), now), 0u);
  EXPECT_EQ(DateLimit(Date('Y', 5000), now), 0u);
  EXPECT_EQ(DateLimit(Date('L', UINT64_MAX), now), 0u);
  FilterBound size;
  size.sizeUnit = 'G';
  size.sizeValue = uint64_t{1} << 40;
  EXPECT_EQ(SizeLimit(size), UINT64_MAX);
  size.sizeUnit = 'K';
  size.sizeValue = 3;
  EXPECT_EQ(SizeLimit(size), 3072u);
  size.sizeUnit = 'X';
  EXPECT_EQ(SizeLimit(size), 3u);
}

class Filter : public ::testing::Test {
 protected:
  FileFacts File(uint16_t attributes = 0x20) {
    FileFacts f;
    f.attributes = attributes;
    f.size = 5000;
    f.modified = Utc(2024, 3, 1, 10);
    f.created = Utc(2024, 1, 1, 10);
    f.accessed = Utc(2024, 3, 10, 10);
    f.name = u"Song.mp3";
    return f;
  }
  bool Passes(FileFilter filter, const FileFacts& f) {
    PrepareFilter(filter, Utc(2024, 3, 15));
    return PassesFilter(filter, f);
  }
};

TEST_F(Filter, AttributeWordsRequireAndForbid) {
  FileFilter f;
  EXPECT_TRUE(Passes(f, File(0x20 | 0x2 | 0x1)));  // no condition: everything passes
  f.lower.attributes = 0x20;                       // "A": archive required
  f.upper.attributes = 0x2;                        // "h": hidden forbidden
  EXPECT_TRUE(Passes(f, File(0x20)));
  EXPECT_FALSE(Passes(f, File(0x20 | 0x2)));
  EXPECT_FALSE(Passes(f, File(0x1)));
}

TEST_F(Filter, CreatedFallsBackToWriteTimeWhenUnset) {
  FileFilter f;
  f.dateKind = 1;
  f.lower = Date('D', Utc(2024, 2, 1));
  EXPECT_FALSE(Passes(f, File()));  // created in January
  FileFacts unset = File();
  unset.created = 0;                // the file system keeps no birth time
  EXPECT_TRUE(Passes(f, unset));    // tested with the write time (March)
}

TEST_F(Filter, LowerAndUpperDatesBoundTheChosenTime) {
  FileFilter f;
  f.dateKind = 2;
  f.lower = Date('D', Utc(2024, 3, 10, 10));
  f.upper.dateUnit = 'D';
  f.upper.dateValue = Utc(2024, 3, 10, 10);
  EXPECT_TRUE(Passes(f, File()));  // exactly on both limits
  f.upper.dateValue -= 1;
  EXPECT_FALSE(Passes(f, File()));
}

TEST_F(Filter, TimeComparesOnlyTheLocalTimeOfDay) {
  FileFilter f;
  // "from 10:30 local" as the dialog stores it: the typed local time on 1980-01-02, in UTC.
  const platform::FileTime typed = platform::CalendarLocalToFileTime({.year = 1980, .month = 1, .day = 2, .hour = 10, .minute = 30}).value();
  f.lower = Date('T', typed);
  FileFacts early = File();
  early.modified = platform::CalendarLocalToFileTime({.year = 2023, .month = 7, .day = 9, .hour = 10, .minute = 29}).value();
  FileFacts late = File();
  late.modified = platform::CalendarLocalToFileTime({.year = 1999, .month = 12, .day = 31, .hour = 10, .minute = 31}).value();
  EXPECT_FALSE(Passes(f, early));
  EXPECT_TRUE(Passes(f, late));
}

TEST_F(Filter, SizeLimitsSkipUnknownSizes) {
  FileFilter f;
  f.lower.sizeUnit = 'K';
  f.lower.sizeValue = 5;
  EXPECT_FALSE(Passes(f, File()));  // 5000 < 5120
  FileFacts unknown = File();
  unknown.size = ~uint64_t{0};
  EXPECT_TRUE(Passes(f, unknown));
  f = {};
  f.upper.sizeUnit = 'B';
  f.upper.sizeValue = 5000;
  EXPECT_TRUE(Passes(f, File()));
  f.upper.sizeValue = 4999;
  EXPECT_FALSE(Passes(f, File()));
}

TEST_F(Filter, MasksAcceptEitherMaskAndExcludeByWord) {
  FileFilter f;
  f.lower.mask = u"*.ogg;*.MP3";
  FileFacts file = File();
  EXPECT_TRUE(Passes(f, file));
  file.name = u"Song.mp3.bak";
  EXPECT_FALSE(Passes(f, file));
  f = {};
  f.upper.mask = u"*live*";
  file.name = u"Song (Live 1999).mp3";
  EXPECT_FALSE(Passes(f, file));
  file.name = u"Song.mp3";
  EXPECT_TRUE(Passes(f, file));
}

}  // namespace
}  // namespace tarnq::engine
