// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/matching.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/preset.h"
#include "test_records.h"

namespace tarnq::engine {
namespace {

using records::FoundFile;
using testing::Files;
using testing::Track;

MatchCriteria Exact(int32_t tolerance = -1, uint32_t more = 0) {
  MatchCriteria c;
  c.durationTolerance = tolerance;
  c.moreLimitations = more;
  return c;
}

MatchCriteria Fuzzy(uint32_t artist, uint32_t title, int32_t tolerance = -1) {
  MatchCriteria c;
  c.useSimilarity = true;
  c.artistThreshold = artist;
  c.titleThreshold = title;
  c.durationTolerance = tolerance;
  return c;
}

// Both orderings, and the prepared path must agree with them in sign.
int Both(FoundFile a, FoundFile b, const MatchCriteria& c) {
  return OrderingFor(c)(a, b, c);
}

TEST(Orderings, CriteriaComeFromThePreset) {
  SearchPreset preset;
  preset.useSimilarity = 1;
  preset.durationTolerance = -1;
  preset.artistThreshold = 70;
  preset.titleThreshold = 110;
  preset.moreLimitations = SearchPreset::kLimitBitrate | SearchPreset::kLimitAlbum;
  const MatchCriteria c = CriteriaFromPreset(preset);
  EXPECT_TRUE(c.useSimilarity);
  EXPECT_EQ(c.durationTolerance, -1);
  EXPECT_EQ(c.artistThreshold, 70u);
  EXPECT_EQ(c.titleThreshold, 110u);
  EXPECT_EQ(c.moreLimitations, kLimitBitrate | kLimitAlbum);
  EXPECT_EQ(OrderingFor(c), &CompareFuzzy);
}

TEST(Orderings, LetterCaseNeverSeparatesInEitherMode) {
  Files files;
  const FoundFile a = files.Add({u"The Band", u"Twin Song"});
  const FoundFile b = files.Add({u"THE BAND", u"twin song"});
  EXPECT_EQ(CompareExact(a, b, Exact()), 0);
  EXPECT_EQ(CompareFuzzy(a, b, Fuzzy(100, 100)), 0);
  const FoundFile c = files.Add({u"The Band", u"Twin Songs"});
  EXPECT_EQ(CompareExact(a, c, Exact()), -1);
  EXPECT_EQ(CompareExact(c, a, Exact()), 1);
}

TEST(Orderings, DurationToleranceZeroMeansEqualSecondsAndMinusOneIgnoresIt) {
  Files files;
  const FoundFile a = files.Add({u"A", u"T", 200});
  const FoundFile b = files.Add({u"A", u"T", 201});
  const FoundFile c = files.Add({u"A", u"T", 203});
  EXPECT_EQ(CompareExact(a, b, Exact(0)), -1);
  EXPECT_EQ(CompareExact(b, a, Exact(0)), 1);
  EXPECT_EQ(CompareExact(a, b, Exact(-1)), 0);
  EXPECT_EQ(CompareExact(a, c, Exact(-1)), 0);
  EXPECT_EQ(CompareExact(a, b, Exact(2)), 0);
  EXPECT_EQ(CompareExact(a, c, Exact(2)), -1);
  EXPECT_EQ(CompareFuzzy(c, a, Fuzzy(80, 80, 2)), 1);
  // Durations near the top of the range do not wrap around.
  const FoundFile top = files.Add({u"A", u"T", 0xFFFFFFFFu});
  const FoundFile zero = files.Add({u"A", u"T", 0});
  MatchCriteria wide = Exact(0x7FFFFFFF);
  EXPECT_EQ(CompareExact(zero, top, wide), -1);
}

TEST(Orderings, FuzzyThresholdsDecideWhetherTextsSeparate) {
  Files files;
  const FoundFile a = files.Add({u"ABCD", u"Same"});
  const FoundFile b = files.Add({u"ABXD", u"Same"});  // 75 %
  EXPECT_EQ(CompareFuzzy(a, b, Fuzzy(75, 100)), 0);
  EXPECT_EQ(CompareFuzzy(a, b, Fuzzy(76, 100)), -1);  // falls back to the text order
  EXPECT_EQ(CompareFuzzy(b, a, Fuzzy(76, 100)), 1);
  // 0: Artist never separates; 110 or more: Artist is not looked at.
  const FoundFile c = files.Add({u"Completely Other", u"Same"});
  EXPECT_EQ(CompareFuzzy(a, c, Fuzzy(0, 100)), 0);
  EXPECT_EQ(CompareFuzzy(a, c, Fuzzy(110, 100)), 0);
  EXPECT_EQ(CompareFuzzy(a, c, Fuzzy(109, 100)), -1);
  // Titles the same way.
  const FoundFile d = files.Add({u"ABCD", u"Other"});
  EXPECT_NE(CompareFuzzy(a, d, Fuzzy(100, 100)), 0);
  EXPECT_EQ(CompareFuzzy(a, d, Fuzzy(100, 200)), 0);
}

TEST(Orderings, EmptyArtistsWithEqualTitlesAreDuplicates) {
  Files files;
  const FoundFile a = files.Add({u"", u"Intro"});
  const FoundFile b = files.Add({u"", u"INTRO"});
  EXPECT_EQ(CompareExact(a, b, Exact()), 0);
  EXPECT_EQ(CompareFuzzy(a, b, Fuzzy(80, 80)), 0);
  EXPECT_EQ(CompareFuzzy(a, b, Fuzzy(100, 100)), 0);
}

TEST(Orderings, ExtraCriteriaInTheirOrder) {
  Files files;
  Track base{u"A", u"T"};
  base.bitrate = 128;
  Track other = base;
  other.bitrate = 192;
  const FoundFile a = files.Add(base);
  const FoundFile b = files.Add(other);
  EXPECT_EQ(Both(a, b, Exact()), 0);
  EXPECT_EQ(Both(a, b, Exact(-1, kLimitBitrate)), -1);
  EXPECT_EQ(CompareFuzzy(b, a, [] { auto c = Fuzzy(80, 80); c.moreLimitations = kLimitBitrate; return c; }()), 1);

  // A variable rate (-128) compares as a huge unsigned number.
  Track vbr = base;
  vbr.bitrate = -128;
  const FoundFile v = files.Add(vbr);
  EXPECT_EQ(CompareExact(v, b, Exact(-1, kLimitBitrate)), 1);

  Track flac = base;
  flac.format = records::kFormatFlac;
  const FoundFile f = files.Add(flac);
  EXPECT_EQ(CompareExact(a, f, Exact(-1, kLimitType)), -1);
  EXPECT_EQ(CompareExact(a, f, Exact(-1, kLimitBitrate | kLimitBpm)), 0);

  // Track is tested before Type, BPM before Type, Album before Genre.
  Track t1 = base;
  t1.track = 2;
  t1.format = records::kFormatFlac;
  Track t2 = base;
  t2.track = 1;
  EXPECT_EQ(CompareExact(files.Add(t1), files.Add(t2), Exact(-1, kLimitTrack | kLimitType)), 1);
  Track g1 = base;
  g1.album = u"Zeta";
  g1.genre = u"Alpha";
  Track g2 = base;
  g2.album = u"alpha";
  g2.genre = u"Zeta";
  const FoundFile x = files.Add(g1);
  const FoundFile y = files.Add(g2);
  EXPECT_EQ(CompareExact(x, y, Exact(-1, kLimitAlbum | kLimitGenre)), 1);
  EXPECT_EQ(CompareExact(x, y, Exact(-1, kLimitGenre)), -1);
  Track g3 = g1;
  g3.album = u"ZETA";
  EXPECT_EQ(CompareExact(x, files.Add(g3), Exact(-1, kLimitAlbum)), 0);
}

TEST(AssignGroups, NumbersRunsInSortedOrder) {
  Files files;
  files.Add({u"B", u"Song"});
  files.Add({u"A", u"Song"});
  files.Add({u"b", u"song"});
  files.Add({u"C", u"Solo"});
  files.Add({u"a", u"SONG"});
  const MatchCriteria c = Exact();
  SortRecords(files.All(), &CompareExact, c);
  EXPECT_EQ(AssignGroups(files.All(), &CompareExact, c), 2u);
  std::vector<uint32_t> groups;
  for (const FoundFile f : files.All()) groups.push_back(f.Group());
  EXPECT_EQ(groups, (std::vector<uint32_t>{1, 1, 2, 2, 0}));
  EXPECT_EQ(AssignGroups({}, &CompareExact, c), 0u);
}

TEST(AssignGroups, NonTransitiveChainFormsOneGroup) {
  // A-B and B-C are within two seconds, A-C is not: the walk from A takes B and stops at C, the
  // walk from B gives C the same group.
  Files files;
  const FoundFile a = files.Add({u"Art", u"Song", 100});
  const FoundFile b = files.Add({u"Art", u"Song", 102});
  const FoundFile c = files.Add({u"Art", u"Song", 104});
  const MatchCriteria criteria = Exact(2);
  ASSERT_EQ(CompareExact(a, c, criteria), -1);
  EXPECT_EQ(AssignGroups(files.All(), &CompareExact, criteria), 1u);
  EXPECT_EQ(a.Group(), 1u);
  EXPECT_EQ(b.Group(), 1u);
  EXPECT_EQ(c.Group(), 1u);
}

TEST(AssignGroups, FilesWithoutArtistAndTitleAreNeverGroupedAndEndARun) {
  Files files;
  const FoundFile a = files.Add({u"", u""});
  const FoundFile b = files.Add({u"", u""});
  const MatchCriteria c = Exact();
  ASSERT_EQ(CompareExact(a, b, c), 0);
  EXPECT_EQ(AssignGroups(files.All(), &CompareExact, c), 0u);
  // An ungroupable file between two duplicates (fuzzy, Artist off) splits them.
  Files mixed;
  mixed.Add({u"X", u"Y"});
  mixed.Add({u"", u""});
  mixed.Add({u"X", u"Y"});
  const MatchCriteria all = Fuzzy(0, 0);
  EXPECT_EQ(AssignGroups(mixed.All(), &CompareFuzzy, all), 0u);
}

TEST(AssignGroups, StopBeforeTheFirstGroupGivesNone) {
  Files files;
  files.Add({u"A", u"T"});
  files.Add({u"A", u"T"});
  StopCounter stop{1};
  EXPECT_EQ(AssignGroups(files.All(), &CompareExact, Exact(), &stop), 0u);
  EXPECT_EQ(files.All()[0].Group(), 0u);
  const SortGroupResult result = SortAndGroup(files.All(), Exact(), &stop);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.groups, 0u);
}

TEST(KeepGroupedByGroup, KeepsGroupedFilesByGroupAndReleasesTheRest) {
  Files files;
  const FoundFile a = files.Add({u"A", u"1"});
  const FoundFile b = files.Add({u"B", u"2"});
  const FoundFile c = files.Add({u"C", u"3"});
  const FoundFile d = files.Add({u"D", u"4"});
  const FoundFile e = files.Add({u"E", u"5"});
  a.SetGroup(2);
  c.SetGroup(1);
  d.SetGroup(2);
  e.SetGroup(1);
  std::vector<FoundFile> list = files.All();
  KeepGroupedByGroup(list, files.Store());
  EXPECT_EQ(list, (std::vector<FoundFile>{c, e, a, d}));
  EXPECT_EQ(b.Info().texts, nullptr);
  EXPECT_NE(a.Info().texts, nullptr);
  // Sparse numbers are ordered too.
  a.SetGroup(4000000000u);
  list = {a, c, d};
  KeepGroupedByGroup(list, files.Store());
  EXPECT_EQ(list, (std::vector<FoundFile>{c, d, a}));
  EXPECT_EQ(CompareGroup(a, c), 1);
}

// Random libraries with near-duplicates: the prepared path must give exactly the permutation and
// the groups of the plain comparators.
std::u16string RandomWord(std::mt19937& random) {
  static const std::u16string letters = u"aabcdeeéfghiijklmnoopqrstuuvwxyzÄöü";
  std::u16string word(1 + random() % 7, u' ');
  for (char16_t& c : word) c = letters[random() % letters.size()];
  return word;
}

TEST(SortAndGroup, GivesTheSameOrderAndGroupsAsThePlainComparators) {
  std::mt19937 random(2024);
  const std::vector<MatchCriteria> criteria = {
      Exact(-1), Exact(2, kLimitAlbum | kLimitBitrate), Fuzzy(80, 80, -1), Fuzzy(80, 80, 3),
      Fuzzy(0, 100, 0), Fuzzy(110, 60, -1),
      [] { auto c = Fuzzy(90, 70, 1); c.moreLimitations = kLimitGenre | kLimitType | kLimitTrack; return c; }()};
  for (size_t round = 0; round < criteria.size() * 2; ++round) {
    const MatchCriteria& c = criteria[round % criteria.size()];
    Files plain;
    Files prepared;
    Files ahead;  // prepared record by record as a scan would
    // Every other round the preparation does not fit (other criteria, or a record missing), and
    // SortAndGroup has to notice and prepare the records itself.
    const MatchCriteria other = c.useSimilarity ? Exact(-1) : Fuzzy(80, 80, -1);
    const int misfit = round % 2 == 0 ? 0 : (round % 4 == 1 ? 1 : 2);
    SortPreparation preparation(misfit == 1 ? other : c);
    std::vector<std::u16string> artists;
    for (int i = 0; i < 30; ++i) artists.push_back(RandomWord(random) + u" " + RandomWord(random));
    // Some texts longer than the 64 units one LCS word holds.
    const std::u16string longName(70, u'L');
    artists.push_back(longName + u"A");
    artists.push_back(longName + u"B");
    artists.push_back(longName);
    for (int i = 0; i < 600; ++i) {
      Track t;
      t.artist = random() % 20 == 0 ? u"" : artists[random() % artists.size()];
      t.title = random() % 25 == 0 ? u"" : RandomWord(random) + u" " + RandomWord(random);
      if (random() % 4 == 0 && !t.title.empty()) t.title[random() % t.title.size()] = u'x';
      t.duration = 180 + random() % 12;
      t.bitrate = random() % 3 == 0 ? -192 : 128;
      t.format = random() % 2;
      t.track = static_cast<uint16_t>(random() % 3);
      t.album = random() % 2 ? u"Album" : u"album";
      t.genre = random() % 3 ? u"Rock" : u"Pop";
      const int copies = random() % 5 == 0 ? 3 : 1;
      for (int k = 0; k < copies; ++k) {
        plain.Add(t);
        prepared.Add(t);
        const FoundFile file = ahead.Add(t);
        if (!(misfit == 2 && i == 300 && k == 0)) preparation.Add(file);
      }
    }
    const RecordOrdering ordering = OrderingFor(c);
    SortRecords(plain.All(), ordering, c);
    const uint32_t plainGroups = AssignGroups(plain.All(), ordering, c);
    const SortGroupResult result = SortAndGroup(prepared.All(), c);
    ASSERT_FALSE(result.stopped);
    const SortGroupResult aheadResult = SortAndGroup(ahead.All(), c, nullptr, &preparation);
    EXPECT_EQ(aheadResult.groups, plainGroups) << round;
    EXPECT_GT(plainGroups, 0u);
    EXPECT_EQ(result.groups, plainGroups) << round;
    EXPECT_GT(result.comparisons, 0u);
    // The stores were filled identically, so records correspond by their position in the store.
    for (size_t i = 0; i < plain.All().size(); ++i) {
      const FoundFile p = plain.All()[i];
      const FoundFile q = prepared.All()[i];
      ASSERT_EQ(p.Info().GetText(records::kTextTitle), q.Info().GetText(records::kTextTitle)) << round << " " << i;
      ASSERT_EQ(p.Info().GetText(records::kTextArtist), q.Info().GetText(records::kTextArtist));
      ASSERT_EQ(p.Duration(), q.Duration());
      ASSERT_EQ(p.Group(), q.Group()) << round << " " << i;
      const FoundFile r = ahead.All()[i];
      ASSERT_EQ(p.Info().GetText(records::kTextTitle), r.Info().GetText(records::kTextTitle)) << round << " " << i;
      ASSERT_EQ(p.Group(), r.Group()) << round << " " << i;
    }
  }
}

}  // namespace
}  // namespace tarnq::engine
