// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/audio_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace tarnq::records {
namespace {

// Frees the block at the end of a test.
struct OwnedInfo {
  AudioInfo info;
  ~OwnedInfo() { info.Release(); }
};

TEST(AudioInfoType, ComposesDescriptionRateAndChannels) {
  EXPECT_EQ(ComposeTypeText(u"MP3", 44100, 3), u"MP3, 44100Hz, Joint Stereo");
  EXPECT_EQ(ComposeTypeText(u"FLAC", 48000, 2), u"FLAC, 48000Hz, Stereo");
  EXPECT_EQ(ComposeTypeText(u"Ogg Vorbis", 0, 5), u"Ogg Vorbis, Stereo");
  EXPECT_EQ(ComposeTypeText(u"WMA", 22050, 1), u"WMA, 22050Hz");
  EXPECT_EQ(ComposeTypeText(u"", 44100, 2), u"");
  // Only the description is limited (16 units); the parts after it are added in full.
  EXPECT_EQ(ComposeTypeText(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 8000, 0), u"ABCDEFGHIJKLMNOP, 8000Hz");
}

TEST(AudioInfoBuild, CopiesNumbersAndPacksTexts) {
  AudioSource source;
  source.format = kFormatFlac;
  source.channels = 2;
  source.track = 7;
  source.bpm = 120;
  source.year = 1999;
  source.duration = 215;
  source.sampleRate = 44100;
  source.bitrate = -190;
  source.formatName = u"FLAC";
  source.genre = u"Rock";
  source.title = u"Twin Song";
  source.artist = u"Æther Band";
  source.album = u"";
  source.comment = u"first press";
  OwnedInfo owned;
  ASSERT_TRUE(owned.info.Build(source));
  const AudioInfo& info = owned.info;
  EXPECT_EQ(info.format, kFormatFlac);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.track, 7);
  EXPECT_EQ(info.bpm, 120);
  EXPECT_EQ(info.year, 1999);
  EXPECT_EQ(info.duration, 215u);
  EXPECT_EQ(info.sampleRate, 44100u);
  EXPECT_EQ(info.bitrate, -190);
  EXPECT_EQ(info.GetText(kTextType), u"FLAC, 44100Hz, Stereo");
  EXPECT_EQ(info.GetText(kTextGenre), u"Rock");
  EXPECT_EQ(info.GetText(kTextTitle), u"Twin Song");
  EXPECT_EQ(info.GetText(kTextArtist), u"Æther Band");
  EXPECT_FALSE(info.HasText(kTextAlbum));
  EXPECT_EQ(info.GetText(kTextComment), u"first press");
  EXPECT_EQ(info.TextUtf8(kTextArtist), "\xC3\x86ther Band");
  // The block: six zero-terminated texts and one more zero.
  const std::string expected("FLAC, 44100Hz, Stereo\0Rock\0Twin Song\0\xC3\x86ther Band\0"
                             "\0first press\0\0", 63);
  EXPECT_EQ(std::string(info.texts, expected.size()), expected);
}

TEST(AudioInfoBuild, AllTagsEmptyStillHasBlockWithType) {
  AudioSource source;
  source.formatName = u"MP3";
  OwnedInfo owned;
  ASSERT_TRUE(owned.info.Build(source));
  ASSERT_NE(owned.info.texts, nullptr);
  EXPECT_TRUE(owned.info.HasText(kTextType));
  EXPECT_FALSE(owned.info.HasText(kTextTitle));
  EXPECT_FALSE(owned.info.HasText(kTextArtist));
}

TEST(AudioInfoBuild, CutsTextsToTheirLimits) {
  const std::u16string longText(300, u'a');
  const std::u16string genre(40, u'g');
  AudioSource source;
  source.title = longText;
  source.artist = longText;
  source.genre = genre;
  OwnedInfo owned;
  ASSERT_TRUE(owned.info.Build(source));
  EXPECT_EQ(owned.info.GetText(kTextTitle, 1000).size(), 256u);
  EXPECT_EQ(owned.info.GetText(kTextGenre, 1000).size(), 32u);
  // Comparisons see 255 units.
  EXPECT_EQ(owned.info.GetText(kTextTitle).size(), 255u);
}

TEST(AudioInfoBuild, NeverSplitsASurrogatePairOrKeepsAnEmbeddedZero) {
  // 255 units then a pair: the pair does not fit in 256 units and is dropped whole.
  std::u16string title(255, u'x');
  title += u"\U0001F3B5";
  const std::u16string artist(u"Front\0Back", 10);
  AudioSource source;
  source.title = title;
  source.artist = artist;
  source.album = u"After";
  OwnedInfo owned;
  ASSERT_TRUE(owned.info.Build(source));
  EXPECT_EQ(owned.info.GetText(kTextTitle, 1000), std::u16string(255, u'x'));
  // A zero inside a text would end it early in the block and shift the later texts.
  EXPECT_EQ(owned.info.GetText(kTextArtist), u"Front");
  EXPECT_EQ(owned.info.GetText(kTextAlbum), u"After");
}

TEST(AudioInfoText, GetTextTerminatesWithinCapacity) {
  AudioSource source;
  source.title = u"Hello \U0001F3B5 World";
  OwnedInfo owned;
  ASSERT_TRUE(owned.info.Build(source));
  char16_t buffer[8];
  for (char16_t& c : buffer) c = u'#';
  // Capacity 8 leaves 7 units: "Hello " and one half of the pair would be 7, so the pair goes.
  EXPECT_EQ(owned.info.GetText(kTextTitle, buffer, 8), 6u);
  EXPECT_EQ(std::u16string(buffer), u"Hello ");
  EXPECT_EQ(owned.info.GetText(kTextTitle, buffer, 1), 0u);
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(owned.info.GetText(kTextTitle, buffer, 0), 0u);
  EXPECT_EQ(owned.info.GetText(kTextCount, buffer, 8), 0u);
  EXPECT_EQ(buffer[0], u'\0');

  const AudioInfo empty;
  EXPECT_EQ(empty.GetText(kTextTitle), u"");
  EXPECT_FALSE(empty.HasText(kTextType));
}

TEST(AudioInfoText, PackCutsLongUtf8AtACharacterBoundary) {
  std::string longText = "a";
  for (int i = 0; i < 600; ++i) longText += "\xC3\xA9";  // é, two bytes each
  char* block = PackTextBlock({"", "", longText, "", "", ""});
  ASSERT_NE(block, nullptr);
  AudioInfo info;
  info.texts = block;
  EXPECT_EQ(info.TextUtf8(kTextTitle).size(), 1023u);  // 'a' + 511 whole characters
  info.Release();
  EXPECT_EQ(info.texts, nullptr);
}

TEST(AudioInfoCompare, CompareFieldIgnoresCaseAndSeesOnly255Units) {
  OwnedInfo a;
  OwnedInfo b;
  ASSERT_TRUE(a.info.SetTexts({u"", u"", u"twin song", u"The Band", u"", u""}));
  ASSERT_TRUE(b.info.SetTexts({u"", u"", u"TWIN SONG", u"the band", u"", u""}));
  EXPECT_EQ(a.info.CompareField(b.info, kTextTitle), 0);
  EXPECT_EQ(a.info.CompareField(b.info, kTextArtist), 0);
  OwnedInfo c;
  ASSERT_TRUE(c.info.SetTexts({u"", u"", u"Twin Songs", u"", u"", u""}));
  EXPECT_EQ(a.info.CompareField(c.info, kTextTitle), -1);
  EXPECT_EQ(c.info.CompareField(a.info, kTextTitle), 1);
  EXPECT_EQ(c.info.CompareField(a.info, kTextArtist), -1);  // empty sorts first

  const std::u16string common(255, u'q');
  OwnedInfo longA;
  OwnedInfo longB;
  ASSERT_TRUE(longA.info.SetTexts({u"", u"", common + u"A", u"", u"", u""}));
  ASSERT_TRUE(longB.info.SetTexts({u"", u"", common + u"B", u"", u"", u""}));
  EXPECT_EQ(longA.info.CompareField(longB.info, kTextTitle), 0);
}

TEST(AudioInfoCopy, CopyToMakesAnIndependentBlock) {
  AudioSource source;
  source.duration = 99;
  source.bitrate = 320;
  source.formatName = u"MP3";
  source.title = u"Original";
  source.artist = u"Someone";
  OwnedInfo original;
  ASSERT_TRUE(original.info.Build(source));
  OwnedInfo copy;
  ASSERT_TRUE(original.info.CopyTo(copy.info));
  EXPECT_NE(copy.info.texts, original.info.texts);
  EXPECT_EQ(copy.info.duration, 99u);
  EXPECT_EQ(copy.info.bitrate, 320);
  for (size_t i = 0; i < kTextCount; ++i) {
    EXPECT_EQ(copy.info.TextUtf8(i), original.info.TextUtf8(i)) << i;
  }
  original.info.Release();
  EXPECT_EQ(copy.info.GetText(kTextTitle), u"Original");

  OwnedInfo fromEmpty;
  ASSERT_TRUE(AudioInfo{}.CopyTo(fromEmpty.info));
  EXPECT_EQ(fromEmpty.info.texts, nullptr);
}

}  // namespace
}  // namespace tarnq::records
