// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/name_rules.h"

#include <gtest/gtest.h>

#include "test_files.h"

namespace tarnq::analysis {
namespace {

using testing::Utf8;

TEST(MatchesMaskList, ExtensionMasksIgnoreCaseButNotTrailingExtensions) {
  EXPECT_TRUE(MatchesMaskList(u"/music/Song.mp3", u"*.MP3"));
  EXPECT_TRUE(MatchesMaskList(u"/music/Song.Mp3", u"*.MP3;*.MP1"));
  EXPECT_FALSE(MatchesMaskList(u"/music/Song.mp3.bak", u"*.MP3"));
  EXPECT_FALSE(MatchesMaskList(u"/music/mp3", u"*.MP3"));
  EXPECT_TRUE(MatchesMaskList(u"/music/a.flac", u"*.MP3;*.FLAC"));
  EXPECT_FALSE(MatchesMaskList(u"/music/a.flac", u"*.MP3;;*.OGG"));
  EXPECT_FALSE(MatchesMaskList(u"/music/a.flac", u""));
  // The name with nothing before the dot, a longer or shorter extension, a wildcard in the
  // extension (which takes the general template path).
  EXPECT_TRUE(MatchesMaskList(u"/music/.mp3", u"*.MP3"));
  EXPECT_FALSE(MatchesMaskList(u"/music/a.mp3x", u"*.MP3"));
  EXPECT_FALSE(MatchesMaskList(u"/music/a.mp", u"*.MP3"));
  EXPECT_TRUE(MatchesMaskList(u"/music/a.mp2", u"*.MP?"));
  EXPECT_TRUE(MatchesMaskList(u"/music/A.\u00C9T\u00C9", u"*.\u00E9t\u00E9"));
}

TEST(MatchesMaskList, StarsQuestionMarksAndDots) {
  EXPECT_TRUE(MatchesMaskList(u"noext", u"*.*"));
  EXPECT_TRUE(MatchesMaskList(u"a.b.c", u"*.*"));
  EXPECT_TRUE(MatchesMaskList(u"anything at all", u"*"));
  EXPECT_TRUE(MatchesMaskList(u"x", u"."));
  EXPECT_TRUE(MatchesMaskList(u"/m/Live Song.mp3", u"*live*"));
  EXPECT_TRUE(MatchesMaskList(u"/m/My LIVE set.ogg", u"*live*"));
  EXPECT_FALSE(MatchesMaskList(u"/m/Studio.mp3", u"*live*"));
  EXPECT_TRUE(MatchesMaskList(u"track1.mp3", u"track?.mp3"));
  EXPECT_FALSE(MatchesMaskList(u"track12.mp3", u"track?.mp3"));
  EXPECT_TRUE(MatchesMaskList(u"ab.mp3", u"a*b.mp3"));
  EXPECT_FALSE(MatchesMaskList(u"ac.mp3", u"a*b.mp3"));
}

TEST(MatchesMaskList, MaskWithSeparatorNeverMatches) {
  EXPECT_FALSE(MatchesMaskList(u"/m/a.mp3", u"m/*.mp3"));
  EXPECT_FALSE(MatchesMaskList(u"/m/a.mp3", u"\\*.mp3"));
#ifndef _WIN32
  // Only "/" separates on Linux: a backslash is part of the name.
  EXPECT_TRUE(MatchesMaskList(u"/m/x\\a.mp3", u"x?a.mp3"));
#else
  EXPECT_FALSE(MatchesMaskList(u"C:\\m\\x\\a.mp3", u"x?a.mp3"));
#endif
}

TEST(TrackFromName, LeadingNumberEndsAtItsFirstSeparator) {
  std::u16string name = u"01 - Band - Song";
  EXPECT_EQ(TrackFromName(name), 1);
  EXPECT_EQ(Utf8(name), "Band - Song");
  name = u"01 - 2Pac - Song";
  EXPECT_EQ(TrackFromName(name), 1);
  EXPECT_EQ(Utf8(name), "2Pac - Song");
  name = u"07. Song";
  EXPECT_EQ(TrackFromName(name), 7);
  EXPECT_EQ(Utf8(name), "Song");
}

TEST(TrackFromName, NumberAfterDash) {
  std::u16string name = u"Band - 03 - Song";
  EXPECT_EQ(TrackFromName(name), 3);
  EXPECT_EQ(Utf8(name), "Band - Song");
  name = u"Band - 3.5 - Song";  // a dot after a dash number is not a track
  EXPECT_EQ(TrackFromName(name), 0);
  EXPECT_EQ(Utf8(name), "Band - 3.5 - Song");
}

TEST(TrackFromName, NoNumberZeroOrTooLarge) {
  for (std::u16string name : {u"Band - Song", u"00 - Song", u"70000 - Song", u"123", u""}) {
    std::u16string before = name;
    EXPECT_EQ(TrackFromName(name), 0) << Utf8(before);
    EXPECT_EQ(name, before);
  }
}

TEST(FillFromFileName, UnderscoresAndDash) {
  TagRecord tag;
  FillFromFileName(u"/m/Band_-_Song.mp3", tag);
  EXPECT_EQ(Utf8(tag.artist.View()), "Band");
  EXPECT_EQ(Utf8(tag.title.View()), "Song");
  EXPECT_EQ(tag.track, 0);
}

TEST(FillFromFileName, TrackOnlyWithADash) {
  TagRecord tag;
  FillFromFileName(u"/m/07. Song.mp3", tag);
  EXPECT_TRUE(tag.title.Empty());
  EXPECT_EQ(tag.track, 0);
  FillFromFileName(u"/m/07 - Band - Song.mp3", tag);
  EXPECT_EQ(Utf8(tag.artist.View()), "Band");
  EXPECT_EQ(tag.track, 7);
}

TEST(FillFromFileName, TagArtistThatDiffersBlocksTheName) {
  TagRecord tag;
  tag.artist.Assign(u"Band");
  FillFromFileName(u"/m/Other - Song.mp3", tag);
  EXPECT_TRUE(tag.title.Empty());
  FillFromFileName(u"/m/BAND - Song.mp3", tag);  // same artist ignoring case
  EXPECT_EQ(Utf8(tag.title.View()), "Song");
  EXPECT_EQ(Utf8(tag.artist.View()), "Band");
}

TEST(FillFromFileName, KeepsTagTrackAndFullTags) {
  TagRecord tag;
  tag.track = 9;
  FillFromFileName(u"/m/02 - A - B.mp3", tag);
  EXPECT_EQ(tag.track, 9);
  TagRecord full;
  full.artist.Assign(u"X");
  full.title.Assign(u"Y");
  FillFromFileName(u"/m/02 - A - B.mp3", full);
  EXPECT_EQ(full.track, 0);
}

TEST(TagRecordText, CutsAtCapacityWithoutSplittingPairs) {
  TagRecord tag;
  std::u16string longText(300, u'x');
  tag.title.Assign(longText);
  EXPECT_EQ(tag.title.Length(), 255u);
  std::u16string genre(30, u'g');
  genre += u"\U0001F3B5";  // a surrogate pair at units 30-31 does not fit in 31 units
  tag.genre.Assign(genre);
  EXPECT_EQ(tag.genre.Length(), 30u);
  tag.comment.AssignUtf8("caf\xC3\xA9 \xF0\x9F\x8E\xB5");
  EXPECT_EQ(tag.comment.View(), std::u16string_view(u"café \U0001F3B5"));
}

TEST(TrimTags, OnlySpaces) {
  TagRecord tag;
  tag.title.Assign(u"  Song \t ");
  tag.artist.Assign(u"   ");
  TrimTags(tag);
  EXPECT_EQ(Utf8(tag.title.View()), "Song \t");
  EXPECT_TRUE(tag.artist.Empty());
}

}  // namespace
}  // namespace tarnq::analysis
