// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "analysis/mp4_reader.h"
#include "analysis/wma_reader.h"
#include "test_files.h"

namespace tarnq::analysis {
namespace {

using testing::Be32;
using testing::Bytes;
using testing::Fixture;
using testing::Le16;
using testing::Le32;
using testing::Le64;
using testing::TempFile;
using testing::Utf8;

// ---- MP4 ----------------------------------------------------------------------------------------

std::string Box(std::string_view type, std::string_view body) {
  return Be32(uint32_t(8 + body.size())) + std::string(type) + std::string(body);
}
std::string Ftyp(std::string_view brand) { return Box("ftyp", std::string(brand) + Be32(0) + "isom"); }
std::string ItemBox(std::string_view name, std::string_view value, uint32_t dataType = 1) {
  return Box(name, Box("data", Be32(dataType) + Be32(0) + std::string(value)));
}
std::string Ilst(std::string_view items) {
  return Box("moov", Box("udta", Box("meta", Be32(0) + Box("ilst", items))));
}
std::string Mdhd(uint32_t timeScale, uint32_t duration) {
  return Box("moov", Box("trak", Box("mdia", Box("mdhd", Be32(0) + Be32(0) + Be32(0) +
                                                             Be32(timeScale) + Be32(duration) +
                                                             Be32(0)))));
}
const std::string kArt = "\xA9" "ART";
const std::string kNam = "\xA9" "nam";
const std::string kDay = "\xA9" "day";

TagRecord ReadMp4(std::string_view bytes, uint32_t* result = nullptr) {
  TempFile file("x.m4a", bytes);
  TagRecord tag;
  uint32_t r = ReadMp4File(file.Path(), tag);
  if (result) *result = r;
  return tag;
}

std::string Padding() { return Box("free", std::string(120, '\0')); }

TEST(ReadMp4File, AlbumArtistOnlyWhenNoArtist) {
  TagRecord tag = ReadMp4(Ftyp("M4A ") + Ilst(ItemBox("aART", "Album Band") + ItemBox(kArt, "Band")) + Padding());
  EXPECT_EQ(Utf8(tag.artist.View()), "Band");
  tag = ReadMp4(Ftyp("M4A ") + Ilst(ItemBox("aART", "Album Band")) + Padding());
  EXPECT_EQ(Utf8(tag.artist.View()), "Album Band");
}

TEST(ReadMp4File, BrandGivesTheFormatName) {
  EXPECT_EQ(Utf8(ReadMp4(Ftyp("mp42") + Padding()).formatName.View()), "MP4");
  EXPECT_EQ(Utf8(ReadMp4(Ftyp("isom") + Padding()).formatName.View()), "M4A");
  EXPECT_EQ(Utf8(ReadMp4(Ftyp("M4B ") + Padding()).formatName.View()), "M4B");
  EXPECT_EQ(Utf8(ReadMp4(Ftyp("m4v ") + Padding()).formatName.View()), "M4V");
}

TEST(ReadMp4File, NumbersAndGenres) {
  TagRecord tag = ReadMp4(Ftyp("M4A ") +
                          Ilst(ItemBox("trkn", Bytes({0, 0, 0, 5, 0, 12, 0, 0}), 0) +
                               ItemBox("gnre", Bytes({0, 18}), 0) + ItemBox("tmpo", Bytes({0, 97}), 21) +
                               ItemBox(kDay, "2009-04-01T00:00:00Z") + ItemBox(kNam, "Title")) +
                          Padding());
  EXPECT_EQ(tag.track, 5);
  EXPECT_EQ(tag.trackTotal, 12);
  EXPECT_EQ(Utf8(tag.genre.View()), "Rock");  // gnre numbers are ID3 numbers plus one
  EXPECT_EQ(tag.bpm, 97);
  EXPECT_EQ(tag.year, 2009);
  EXPECT_EQ(Utf8(tag.title.View()), "Title");
  tag = ReadMp4(Ftyp("M4A ") + Ilst(ItemBox("gnre", Bytes({0, 0}), 0) + ItemBox(kDay, "0999")) + Padding());
  EXPECT_TRUE(tag.genre.Empty());
  EXPECT_EQ(tag.year, 0);
}

TEST(ReadMp4File, DurationAndBitrateFromTheLastTopLevelBox) {
  // No esds bit rate: the last top-level box (mdat, 100,000 bytes) over 10 s gives 80 kbit/s.
  std::string mdat = Be32(100000) + "mdat" + std::string(100000 - 8, '\0');
  TagRecord tag = ReadMp4(Ftyp("M4A ") + Mdhd(1000, 10000) + mdat);
  EXPECT_EQ(tag.duration, 10u);
  EXPECT_EQ(tag.bitrate, 80);
  tag = ReadMp4(Ftyp("M4A ") + Mdhd(0, 10000) + Padding());
  EXPECT_EQ(tag.duration, 0u);
  EXPECT_EQ(tag.bitrate, 0);
}

TEST(ReadMp4File, BitrateFromTheMediaDataWhereverItLies) {
  // ffmpeg's layout ftyp, free, mdat, moov: the media data (100,000 bytes over 10 s) decides, not
  // the moov box that comes last.
  std::string mdat = Be32(100000) + "mdat" + std::string(100000 - 8, '\0');
  TagRecord tag = ReadMp4(Ftyp("M4A ") + Box("free", "") + mdat + Mdhd(1000, 10000));
  EXPECT_EQ(tag.bitrate, 80);
  // ALAC has no average bit rate: 5,331 bytes of media data over 0.3 s.
  TagRecord alac;
  ASSERT_EQ(ReadMp4File(Fixture("alac.m4a"), alac), 0u);
  EXPECT_EQ(alac.bitrate, 142);
}

// Bits, most significant first, padded with zeros to whole bytes.
std::string Bits(std::initializer_list<std::pair<uint32_t, int>> fields) {
  std::string out;
  int used = 0;
  for (auto [value, count] : fields) {
    for (int i = count - 1; i >= 0; --i) {
      if (used % 8 == 0) out.push_back('\0');
      if (value >> i & 1) out.back() = char(out.back() | 1 << (7 - used % 8));
      ++used;
    }
  }
  return out;
}

// An AAC track whose sample entry says 22,050 Hz, with `config` as its AudioSpecificConfig.
std::string AacTrack(std::string_view config) {
  // Object type MPEG-4 audio, stream type audio, buffer size, maximum and average bit rate, then
  // the decoder-specific information (tag 5).
  std::string decoderConfig = Bytes({0x40, 0x15, 0, 0, 0}) + Be32(0) + Be32(0) +
                              Bytes({5, int(config.size())}) + std::string(config);
  std::string esDescriptor = Bytes({0, 1, 0, 4, int(decoderConfig.size())}) + decoderConfig;
  std::string esds = Box("esds", Be32(0) + Bytes({3, int(esDescriptor.size())}) + esDescriptor);
  std::string mp4a = Box("mp4a", std::string(6, '\0') + Bytes({0, 1}) + std::string(8, '\0') +
                                     Bytes({0, 2, 0, 16, 0, 0, 0, 0}) + Be32(22050u << 16) + esds);
  std::string stsd = Box("stsd", Be32(0) + Be32(1) + mp4a);
  return Box("moov", Box("trak", Box("mdia", Box("minf", Box("stbl", stsd)))));
}

// HE-AAC needs an encoder Debian does not ship, so the decoder configurations are built here
// after ISO/IEC 14496-3: object type (5 bits), rate index (4), channel configuration (4), ...
TEST(ReadMp4File, SbrReportsTheOutputRate) {
  struct Case {
    const char* what;
    std::string config;
    uint32_t rate;
  };
  const Case cases[] = {
      // AAC LC at 22,050 Hz (index 7), stereo; frame length, core coder and extension flags.
      {"plain AAC", Bits({{2, 5}, {7, 4}, {2, 4}, {0, 3}}), 22050},
      // Explicit: object type SBR, the core rate, channels, the output rate (44,100 Hz, index 4),
      // then the core's object type AAC LC and its flags.
      {"explicit SBR", Bits({{5, 5}, {7, 4}, {2, 4}, {4, 4}, {2, 5}, {0, 3}}), 44100},
      {"parametric stereo", Bits({{29, 5}, {6, 4}, {1, 4}, {3, 4}, {2, 5}, {0, 3}}), 48000},
      // Backward compatible: AAC LC, then the sync word 0x2B7, SBR, its present flag and rate.
      {"sync extension", Bits({{2, 5}, {7, 4}, {2, 4}, {0, 3}, {0x2B7, 11}, {5, 5}, {1, 1}, {4, 4}}), 44100},
      {"SBR absent", Bits({{2, 5}, {7, 4}, {2, 4}, {0, 3}, {0x2B7, 11}, {5, 5}, {0, 1}}), 22050},
      {"truncated", Bits({{5, 5}, {7, 4}}), 22050},
  };
  for (const Case& c : cases) {
    TagRecord tag = ReadMp4(Ftyp("M4A ") + AacTrack(c.config) + Padding());
    EXPECT_EQ(tag.sampleRate, c.rate) << c.what;
    EXPECT_EQ(tag.channels, 2) << c.what;
  }
}

// The Type text is the brand ("M4A") whatever the track holds; the sample entry names the codec.
TEST(ReadMp4File, TheSampleEntryNamesTheCodec) {
  std::string mp3InMp4 = AacTrack(Bits({{2, 5}, {7, 4}, {2, 4}, {0, 3}}));
  mp3InMp4.replace(mp3InMp4.find("\x40\x15"), 1, "\x6B");  // object type MPEG-1 audio
  auto fixture = [](const char* name) {
    TagRecord tag;
    EXPECT_EQ(ReadMp4File(Fixture(name), tag), 0u) << name;
    return tag;
  };
  struct Case {
    const char* what;
    TagRecord tag;
    records::Codec codec;
  };
  const Case cases[] = {
      {"alac", fixture("same-song-alac.m4a"), records::Codec::kAlac},
      {"aac", fixture("same-song-aac.m4a"), records::Codec::kAac},
      {"mp3 in mp4", ReadMp4(Ftyp("M4A ") + mp3InMp4 + Padding()), records::Codec::kOther},
      {"no track", ReadMp4(Ftyp("M4A ") + Padding()), records::Codec::kOther},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.tag.codec, c.codec) << c.what;
    EXPECT_EQ(Utf8(c.tag.formatName.View()), "M4A") << c.what;
  }
}

TEST(ReadMp4File, BrokenBoxesEndTheirLevel) {
  uint32_t result = 0;
  // A zero size, a size smaller than its header, a child past its parent.
  std::string zero = Be32(0) + "moov" + Ilst(ItemBox(kNam, "Hidden"));
  EXPECT_TRUE(ReadMp4(Ftyp("M4A ") + zero + Padding(), &result).title.Empty());
  EXPECT_EQ(result, 0u);
  std::string tiny = Be32(4) + "moov" + Padding();
  EXPECT_EQ(Utf8(ReadMp4(Ftyp("M4A ") + tiny).formatName.View()), "M4A");
  std::string overlong = Be32(0xFFFFFF00) + "moov" + Padding();
  EXPECT_EQ(Utf8(ReadMp4(Ftyp("mp42") + overlong).formatName.View()), "MP4");
  // 64-bit box size.
  std::string udta = Box("udta", Box("meta", Be32(0) + Box("ilst", ItemBox(kNam, "Big"))));
  std::string large = Be32(1) + "moov" + Be32(0) + Be32(uint32_t(16 + udta.size())) + udta;
  EXPECT_EQ(Utf8(ReadMp4(Ftyp("M4A ") + large + Padding()).title.View()), "Big");
}

TEST(ReadMp4File, DeepNestingIsBounded) {
  std::string inner = Ilst(ItemBox(kNam, "Deep"));
  for (int i = 0; i < 200; ++i) inner = Box("trak", inner);
  TagRecord tag = ReadMp4(Ftyp("M4A ") + inner + Padding());
  EXPECT_TRUE(tag.title.Empty());
}

TEST(ReadMp4File, SmallOrMissingFilesFail) {
  uint32_t result = 0;
  TagRecord tag = ReadMp4(Ftyp("M4A "), &result);
  EXPECT_NE(result, 0u);
  EXPECT_TRUE(tag.formatName.Empty());
  EXPECT_NE(ReadMp4File(u"/nonexistent.m4a", tag), 0u);
}

TEST(ReadMp4File, EncodedFixtures) {
  TagRecord tag;
  ASSERT_EQ(ReadMp4File(Fixture("tagged.m4a"), tag), 0u);
  EXPECT_EQ(Utf8(tag.formatName.View()), "M4A");
  EXPECT_EQ(Utf8(tag.title.View()), "Mp4 Title");
  EXPECT_EQ(Utf8(tag.artist.View()), "Mp4 Artist");
  EXPECT_EQ(Utf8(tag.album.View()), "Mp4 Album");
  EXPECT_EQ(Utf8(tag.genre.View()), "Electronic");
  EXPECT_EQ(tag.track, 4);
  EXPECT_EQ(tag.trackTotal, 10);
  EXPECT_EQ(tag.year, 2020);
  EXPECT_EQ(tag.sampleRate, 44100u);
  EXPECT_EQ(tag.bitrate, 23);  // the esds average bit rate
  EXPECT_EQ(tag.duration, 1u);
  TagRecord alac;
  ASSERT_EQ(ReadMp4File(Fixture("alac.m4a"), alac), 0u);
  EXPECT_EQ(alac.channels, 1);
  EXPECT_EQ(alac.sampleRate, 44100u);
  EXPECT_EQ(Utf8(alac.artist.View()), "Only Album Artist");
}

TEST(ReadMp4File, EveryTruncationIsSafe) {
  std::string bytes;
  ASSERT_EQ(platform::ReadWholeFile(Fixture("tagged.m4a"), bytes), 0u);
  for (size_t length = 0; length < bytes.size(); length += 7) ReadMp4(std::string_view(bytes).substr(0, length));
}

// ---- ASF / WMA ----------------------------------------------------------------------------------

const std::string kHeaderGuid = Bytes({0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00,
                                       0xAA, 0x00, 0x62, 0xCE, 0x6C});
const std::string kFilePropertiesGuid = Bytes({0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11, 0x8E,
                                               0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
const std::string kContentGuid = Bytes({0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9,
                                        0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
const std::string kExtendedGuid = Bytes({0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11, 0x97, 0xF0,
                                         0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50});

std::string Object(const std::string& guid, std::string_view body) {
  return guid + Le64(24 + body.size()) + std::string(body);
}
std::string Utf16(std::u16string_view text, bool terminate = true) {
  std::string s;
  for (char16_t c : text) s += Le16(c);
  if (terminate) s += Le16(0);
  return s;
}
std::string Attribute(std::u16string_view name, uint16_t type, std::string_view value) {
  std::string n = Utf16(name);
  return Le16(uint32_t(n.size())) + n + Le16(type) + Le16(uint32_t(value.size())) + std::string(value);
}
std::string Asf(const std::vector<std::string>& objects, uint32_t count = 0) {
  std::string body;
  for (const auto& o : objects) body += o;
  return kHeaderGuid + Le64(30 + body.size()) + Le32(count ? count : uint32_t(objects.size())) +
         Bytes({1, 2}) + body;
}

TagRecord ReadWma(std::string_view bytes, uint32_t* result = nullptr) {
  TempFile file("x.wma", bytes);
  TagRecord tag;
  uint32_t r = ReadWmaFile(file.Path(), tag);
  if (result) *result = r;
  return tag;
}

TEST(ReadWmaFile, ExtendedAttributes) {
  std::string ext = Le16(5) + Attribute(u"WM/Track", 3, Le32(0)) + Attribute(u"wm/genre", 0, Utf16(u"  Jazz ")) +
                    Attribute(u"WM/AlbumTitle", 0, Utf16(u"Album")) + Attribute(u"WM/Year", 0, Utf16(u"1998-10")) +
                    Attribute(u"WM/Picture", 1, std::string(40, '\x01'));
  TagRecord tag = ReadWma(Asf({Object(kExtendedGuid, ext)}));
  EXPECT_EQ(tag.track, 1);  // the number 0 is the first track
  EXPECT_EQ(Utf8(tag.genre.View()), "Jazz");
  EXPECT_EQ(Utf8(tag.album.View()), "Album");
  EXPECT_EQ(tag.year, 1998);
  EXPECT_EQ(Utf8(tag.formatName.View()), "WMA");
  std::string text = Le16(1) + Attribute(u"WM/Track", 0, Utf16(u"4/9"));
  tag = ReadWma(Asf({Object(kExtendedGuid, text)}));
  EXPECT_EQ(tag.track, 5);  // zero-based as a text too
  EXPECT_EQ(tag.trackTotal, 9);
}

TEST(ReadWmaFile, TrackNumberBeforeTrack) {
  struct Case {
    std::vector<std::string> attributes;
    uint16_t track;
  };
  const Case cases[] = {
      {{Attribute(u"WM/TrackNumber", 0, Utf16(u"4/9"))}, 4},
      {{Attribute(u"WM/TrackNumber", 3, Le32(4))}, 4},
      {{Attribute(u"WM/Track", 0, Utf16(u"3"))}, 4},
      {{Attribute(u"WM/Track", 3, Le32(3))}, 4},
      {{Attribute(u"WM/Track", 3, Le32(3)), Attribute(u"WM/TrackNumber", 0, Utf16(u"7"))}, 7},
      {{Attribute(u"WM/TrackNumber", 3, Le32(0)), Attribute(u"WM/Track", 3, Le32(0))}, 1},
      {{Attribute(u"WM/TrackNumber", 0, Utf16(u"none"))}, 0},
  };
  for (const Case& c : cases) {
    std::string ext = Le16(uint32_t(c.attributes.size()));
    for (const std::string& a : c.attributes) ext += a;
    EXPECT_EQ(ReadWma(Asf({Object(kExtendedGuid, ext)})).track, c.track) << c.track;
  }
  // ffmpeg writes WM/TrackNumber "7"; mutagen added WM/Track 2 (the third track) beside it.
  TagRecord tag;
  ASSERT_EQ(ReadWmaFile(Fixture("tracknumber.wma"), tag), 0u);
  EXPECT_EQ(tag.track, 7);
  EXPECT_EQ(Utf8(tag.title.View()), "Numbered");
}

// File Properties: play duration and preroll (in it), flags, and the maximum bit rate.
std::string FileProperties(uint64_t play, uint64_t preroll, uint32_t flags, uint32_t maxBitrate) {
  return std::string(40, '\0') + Le64(play) + Le64(0) + Le64(preroll) + Le32(flags) + Le32(3200) +
         Le32(3200) + Le32(maxBitrate);
}

TEST(ReadWmaFile, DurationFromThePlayTime) {
  struct Case {
    const char* what;
    std::string properties;
    uint32_t duration;
  };
  // 20,000 data bytes at a maximum of 16 kbit/s give 10 s by the byte formula.
  const Case cases[] = {
      {"play time", FileProperties(37'000'000 + 31'000'000, 3100, 2, 16000), 3},
      {"broadcast", FileProperties(37'000'000 + 31'000'000, 3100, 1, 16000), 10},
      {"preroll beyond the play time", FileProperties(20'000'000, 3100, 2, 16000), 10},
      {"no play time", FileProperties(0, 0, 2, 16000), 10},
  };
  for (const Case& c : cases) {
    TagRecord tag = ReadWma(Asf({Object(kFilePropertiesGuid, c.properties)}) + std::string(20000, '\0'));
    EXPECT_EQ(tag.duration, c.duration) << c.what;
  }
  // ffmpeg: 1.2 s at 24 kbit/s in two padded packets of 3,200 bytes (2 s by the byte formula).
  TagRecord tag;
  ASSERT_EQ(ReadWmaFile(Fixture("lowrate.wma"), tag), 0u);
  EXPECT_EQ(tag.duration, 1u);
  EXPECT_EQ(tag.sampleRate, 22050u);
}

TEST(ReadWmaFile, ContentDescriptionAndDuration) {
  std::string title = Utf16(u" Title "), author = Utf16(u"Author"), rights = Utf16(u"(c)"),
              description = Utf16(u"Desc"), rating = Utf16(u"");
  std::string content = Le16(uint32_t(title.size())) + Le16(uint32_t(author.size())) +
                        Le16(uint32_t(rights.size())) + Le16(uint32_t(description.size())) +
                        Le16(uint32_t(rating.size())) + title + author + rights + description + rating;
  std::string fileProperties = std::string(76, '\0') + Le32(16000);  // 16 kbit/s at most
  std::string header = Asf({Object(kFilePropertiesGuid, fileProperties), Object(kContentGuid, content)});
  TagRecord tag = ReadWma(header + std::string(20000, '\0'));  // 20,000 data bytes: 10 s
  EXPECT_EQ(Utf8(tag.title.View()), "Title");
  EXPECT_EQ(Utf8(tag.artist.View()), "Author");
  EXPECT_EQ(Utf8(tag.comment.View()), "Desc");
  EXPECT_EQ(tag.duration, 10u);
}

TEST(ReadWmaFile, BrokenHeadersNeitherHangNorReadOutside) {
  uint32_t result = 0;
  ReadWma("RIFF" + std::string(100, '\0'), &result);
  EXPECT_NE(result, 0u);
  ReadWma(kHeaderGuid.substr(0, 10), &result);
  EXPECT_NE(result, 0u);
  // An object of size 0 and a huge object count end the walk.
  std::string zero = kContentGuid + Le64(0) + std::string(40, '\0');
  EXPECT_EQ(Utf8(ReadWma(Asf({zero}, 0xFFFFFFFF), &result).formatName.View()), "WMA");
  // Lengths that point past their object.
  std::string content = Le16(0xFFFF) + Le16(0xFFFF) + Le16(0) + Le16(0) + Le16(0) + "ab";
  ReadWma(Asf({Object(kContentGuid, content)}), &result);
  EXPECT_EQ(result, 0u);
  std::string ext = Le16(0xFFFF) + Attribute(u"WM/Genre", 0, Utf16(u"Rock")) + Le16(0x7FFF);
  EXPECT_EQ(Utf8(ReadWma(Asf({Object(kExtendedGuid, ext)})).genre.View()), "Rock");
}

TEST(ReadWmaFile, EncodedFixture) {
  TagRecord tag;
  ASSERT_EQ(ReadWmaFile(Fixture("tagged.wma"), tag), 0u);
  EXPECT_EQ(Utf8(tag.title.View()), "Wma Title");
  EXPECT_EQ(Utf8(tag.artist.View()), "Wma Artist");
  EXPECT_EQ(Utf8(tag.album.View()), "Wma Album");
  EXPECT_EQ(Utf8(tag.genre.View()), "Pop");
  EXPECT_EQ(tag.channels, 1);
  EXPECT_EQ(tag.sampleRate, 44100u);
  EXPECT_EQ(tag.bitrate, 32);
  EXPECT_EQ(tag.duration, 1u);
}

TEST(ReadWmaFile, EveryTruncationIsSafe) {
  std::string bytes;
  ASSERT_EQ(platform::ReadWholeFile(Fixture("tagged.wma"), bytes), 0u);
  for (size_t length = 0; length < 1200 && length < bytes.size(); ++length) {
    ReadWma(std::string_view(bytes).substr(0, length));
  }
}

}  // namespace
}  // namespace tarnq::analysis
