// SPDX-License-Identifier: GPL-3.0-or-later
// The sort orders of the result list: chains, classes, stability and group gathering.
#include "results_test_support.h"

namespace tarnq::results {
namespace {

using testing::Add;
using testing::Groups;
using testing::Names;
using Names16 = std::vector<std::u16string>;

TEST(SortChain, EveryChainEndsWithTheTieBreaksOfTheChosenOrder) {
  EXPECT_EQ(SortChain(kSortNone), std::vector<int>{});
  EXPECT_EQ(SortChain(kSortName), (std::vector<int>{kSortName, kSortExtension, kSortPath}));
  EXPECT_EQ(SortChain(kSortExtension), (std::vector<int>{kSortExtension, kSortName, kSortPath}));
  EXPECT_EQ(SortChain(kSortPath), (std::vector<int>{kSortPath, kSortName}));
  EXPECT_EQ(SortChain(kSortArtist), (std::vector<int>{kSortArtist, kSortName, kSortPath}));
  EXPECT_EQ(SortChain(kSortModified), (std::vector<int>{kSortModified, kSortName, kSortPath}));
  EXPECT_EQ(SortChain(99), std::vector<int>{});
}

TEST(ResultListSort, UnsortedKeepsTheOrderAndGathersGroups) {
  ResultList list;
  Add(list, {.name = u"c.mp3", .group = 7});
  Add(list, {.name = u"a.mp3", .group = 3});
  Add(list, {.name = u"b.mp3", .group = 7});
  Add(list, {.name = u"d.mp3", .group = 3});
  list.SetSortKey(kSortNone);
  EXPECT_EQ(Names(list), (Names16{u"c.mp3", u"b.mp3", u"a.mp3", u"d.mp3"}));
  EXPECT_EQ(Groups(list), (std::vector<uint32_t>{1, 1, 2, 2}));
  // Choosing Unsorted after a sort keeps what the sort left.
  list.SetSortKey(kSortName);
  EXPECT_EQ(Names(list), (Names16{u"a.mp3", u"d.mp3", u"b.mp3", u"c.mp3"}));
  list.SetSortKey(kSortNone);
  EXPECT_EQ(Names(list), (Names16{u"a.mp3", u"d.mp3", u"b.mp3", u"c.mp3"}));
}

TEST(ResultListSort, DurationPutsTheGroupWithTheShortestMemberFirstAndRenumbers) {
  ResultList list;
  Add(list, {.name = u"a1", .group = 1, .duration = 300});
  Add(list, {.name = u"a2", .group = 1, .duration = 100});
  Add(list, {.name = u"b1", .group = 2, .duration = 200});
  Add(list, {.name = u"b2", .group = 2, .duration = 250});
  Add(list, {.name = u"c1", .group = 3, .duration = 150});
  Add(list, {.name = u"c2", .group = 3, .duration = 400});
  list.SetSortKey(kSortDuration);
  EXPECT_EQ(Names(list), (Names16{u"a2", u"a1", u"c1", u"c2", u"b1", u"b2"}));
  EXPECT_EQ(Groups(list), (std::vector<uint32_t>{1, 1, 2, 2, 3, 3}));
  list.ToggleReversed();
  EXPECT_EQ(Names(list), (Names16{u"c2", u"c1", u"a1", u"a2", u"b2", u"b1"}));
  EXPECT_EQ(Groups(list), (std::vector<uint32_t>{1, 1, 2, 2, 3, 3}));
}

TEST(ResultListSort, NumericOptionPutsTrackTwoBeforeTrackTen) {
  ResultList list;
  Add(list, {.name = u"x", .title = u"Track 10"});
  Add(list, {.name = u"y", .title = u"Track 2"});
  list.SetSortKey(kSortTitle);
  EXPECT_EQ(Names(list), (Names16{u"x", u"y"}));
  list.SetOptions(list_option::kNumericNames);
  list.Sort();
  EXPECT_EQ(Names(list), (Names16{u"y", u"x"}));
}

TEST(ResultListSort, ArtistTiesFallBackToNameThenPathButNotExtension) {
  ResultList list;
  const uint32_t b = list.AddFolder(u"/music/b", 0);
  const uint32_t a = list.AddFolder(u"/music/a", 0);
  Add(list, {.name = u"song.ogg", .folder = b, .artist = u"ABBA"});
  Add(list, {.name = u"song.mp3", .folder = b, .artist = u"abba"});
  Add(list, {.name = u"song.flac", .folder = a, .artist = u"Abba"});
  Add(list, {.name = u"alpha.mp3", .folder = b, .artist = u"ABBA"});
  list.SetSortKey(kSortArtist);
  // Equal names: the path decides, and the two in /music/b keep their order (extension unused).
  EXPECT_EQ(Names(list), (Names16{u"alpha.mp3", u"song.flac", u"song.ogg", u"song.mp3"}));
}

TEST(ResultListSort, FilenameTiesFallBackToExtensionThenPath) {
  ResultList list;
  const uint32_t b = list.AddFolder(u"/b", 0);
  const uint32_t a = list.AddFolder(u"/a", 0);
  Add(list, {.name = u"song.ogg", .folder = a});
  Add(list, {.name = u"song.mp3", .folder = b});
  Add(list, {.name = u"song.mp3", .folder = a});
  list.SetSortKey(kSortName);
  EXPECT_EQ(list.FullPathAt(0), u"/a/song.mp3");
  EXPECT_EQ(list.FullPathAt(1), u"/b/song.mp3");
  EXPECT_EQ(list.FullPathAt(2), u"/a/song.ogg");
}

TEST(ResultListSort, BitrateCountsTheVariableAverageAndPlainVbrAsZero) {
  ResultList list;
  Add(list, {.name = u"avg192", .bitrate = -192});
  Add(list, {.name = u"cbr128", .bitrate = 128});
  Add(list, {.name = u"vbr", .bitrate = -1});
  list.SetSortKey(kSortBitrate);
  EXPECT_EQ(Names(list), (Names16{u"vbr", u"cbr128", u"avg192"}));
}

TEST(ResultListSort, SizeAndTimeCountUnknownAndPre1980AsZero) {
  ResultList list;
  Add(list, {.name = u"big", .size = 5000, .modified = 0x01D0000000000000});
  Add(list, {.name = u"unknown", .size = kUnknownSize, .modified = 1000});
  Add(list, {.name = u"small", .size = 10, .modified = 0x01C0000000000000});
  list.SetSortKey(kSortSize);
  EXPECT_EQ(Names(list), (Names16{u"unknown", u"small", u"big"}));
  list.SetSortKey(kSortModified);
  EXPECT_EQ(Names(list), (Names16{u"unknown", u"small", u"big"}));
}

TEST(ResultListSort, HigherClassComesFirstInBothDirections) {
  ResultList list;
  Add(list, {.name = u"a.mp3", .attributes = 0x20});
  Add(list, {.name = u"folder", .attributes = 0x10});
  list.SetSortKey(kSortName);
  EXPECT_EQ(Names(list), (Names16{u"folder", u"a.mp3"}));
  list.ToggleReversed();
  EXPECT_EQ(Names(list), (Names16{u"folder", u"a.mp3"}));
}

TEST(ResultListSort, HeaderClicksChooseKeysAndTheSameHeaderReverses) {
  ResultList list;
  Add(list, {.name = u"b.aac"});
  Add(list, {.name = u"a.mp3"});
  Add(list, {.name = u"c.flac"});
  EXPECT_TRUE(list.HeaderClick(column::kFilename, true));
  EXPECT_EQ(list.SortKey(), kSortExtension);
  EXPECT_EQ(Names(list), (Names16{u"b.aac", u"c.flac", u"a.mp3"}));
  EXPECT_TRUE(list.HeaderClick(column::kFilename, true));
  EXPECT_TRUE(list.Reversed());
  EXPECT_EQ(Names(list), (Names16{u"a.mp3", u"c.flac", u"b.aac"}));
  EXPECT_TRUE(list.HeaderClick(column::kFilename, false));  // another key: direction kept
  EXPECT_EQ(list.SortKey(), kSortName);
  EXPECT_TRUE(list.Reversed());
  EXPECT_EQ(Names(list), (Names16{u"c.flac", u"b.aac", u"a.mp3"}));
  EXPECT_FALSE(list.HeaderClick(999, false));
}

TEST(ResultListSort, CommandsMapToKeys) {
  EXPECT_EQ(SortKeyForCommand(151), kSortName);
  EXPECT_EQ(SortKeyForCommand(162), kSortBpm);
  EXPECT_EQ(SortKeyForCommand(163), kSortComment);
  EXPECT_EQ(SortKeyForCommand(166), kSortNone);
  EXPECT_FALSE(SortKeyForCommand(167).has_value());
  EXPECT_EQ(SortKeyForHeaderClick(column::kModified, false), kSortModified);
}

TEST(ResultListSort, EmptyListIgnoresSortingAndSelection) {
  ResultList list;
  list.SetSortKey(kSortArtist);
  list.ToggleReversed();
  EXPECT_EQ(list.SetSelection(ResultList::kAllRows, ResultList::kSelect), 0u);
  EXPECT_EQ(list.RowCount(), 0u);
}

TEST(ResultListSort, FocusFollowsTheRow) {
  ResultList list;
  Add(list, {.name = u"b"});
  Add(list, {.name = u"a"});
  list.SetFocusedRow(0);
  list.SetSortKey(kSortName);
  EXPECT_EQ(list.FocusedRow(), 1);
  EXPECT_TRUE(list.RowAt(1).State() & row_state::kFocused);
}

}  // namespace
}  // namespace tarnq::results
