// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <filesystem>
#include <vector>

#include "analysis/flac_reader.h"
#include "analysis/ogg_reader.h"
#include "analysis/vorbis_headers.h"
#include "analysis/vorbis_comment.h"
#include "test_files.h"

namespace tarnq::analysis {
namespace {

using testing::Bytes;
using testing::Fixture;
using testing::TempFile;
using testing::Utf8;

std::string PageBytes(const ogg_page& page) {
  return std::string(reinterpret_cast<const char*>(page.header), size_t(page.header_len)) +
         std::string(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
}

// A Vorbis stream made with libvorbisenc: the three headers with `comments` (raw bytes, not
// checked by the encoder), then one audio page whose granule position is `lastGranule`.
std::string VorbisStream(int serial, const std::vector<std::string>& comments, int64_t lastGranule) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  vorbis_encode_init_vbr(&vi, 2, 44100, 0.1f);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  for (const std::string& c : comments) vorbis_comment_add(&vc, c.c_str());
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &vi);
  ogg_packet id, comment, code;
  vorbis_analysis_headerout(&dsp, &vc, &id, &comment, &code);
  ogg_stream_state os;
  ogg_stream_init(&os, serial);
  ogg_stream_packetin(&os, &id);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  std::string out;
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) out += PageBytes(page);
  unsigned char audio[4] = {0, 0, 0, 0};
  ogg_packet last{audio, 4, 0, 1, lastGranule, 3};
  ogg_stream_packetin(&os, &last);
  while (ogg_stream_flush(&os, &page)) out += PageBytes(page);
  ogg_stream_clear(&os);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

TagRecord ReadOgg(std::string_view bytes) {
  TempFile file("x.ogg", bytes);
  TagRecord tag;
  EXPECT_EQ(ReadOggFile(file.Path(), tag), 0u);
  return tag;
}

std::span<const unsigned char> Packet(const std::string& bytes) {
  return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}

// An identification header with the fields given (little-endian), as libvorbis writes it.
std::string Identification(uint32_t version, uint8_t channels, uint32_t rate, uint8_t blocks, uint8_t framing) {
  auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  return std::string("\x01vorbis") + le32(version) + std::string(1, char(channels)) + le32(rate) +
         le32(0) + le32(128000) + le32(0) + std::string(1, char(blocks)) + std::string(1, char(framing));
}

TEST(VorbisHeaders, IdentificationFieldsAreChecked) {
  struct Case {
    const char* what;
    std::string packet;
    bool ok;
  };
  const Case cases[] = {
      {"well-formed", Identification(0, 2, 44100, 0xB8, 1), true},
      {"version 1", Identification(1, 2, 44100, 0xB8, 1), false},
      {"no channels", Identification(0, 0, 44100, 0xB8, 1), false},
      {"rate 0", Identification(0, 2, 0, 0xB8, 1), false},
      {"rate negative", Identification(0, 2, 0x80000000u, 0xB8, 1), false},
      {"short block 32", Identification(0, 2, 44100, 0xB5, 1), false},
      {"long block shorter", Identification(0, 2, 44100, 0x89, 1), false},
      {"long block 16384", Identification(0, 2, 44100, 0xE8, 1), false},
      {"no framing bit", Identification(0, 2, 44100, 0xB8, 0), false},
      {"cut short", Identification(0, 2, 44100, 0xB8, 1).substr(0, 29), false},
  };
  for (const Case& c : cases) {
    VorbisIdentification id;
    EXPECT_EQ(ParseVorbisIdentification(Packet(c.packet), id), c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(id.channels, 2);
      EXPECT_EQ(id.rate, 44100u);
      EXPECT_EQ(id.bitrateNominal, 128000);
    }
  }
}

TEST(VorbisHeaders, CommentLengthsStayInsideThePacket) {
  auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  const std::string head = std::string("\x03vorbis") + le32(2) + "me";
  struct Case {
    const char* what;
    std::string packet;
    bool ok;
  };
  const Case cases[] = {
      {"well-formed", head + le32(2) + le32(7) + "TITLE=x" + le32(3) + "A=b" + "\x01", true},
      {"vendor past the end", std::string("\x03vorbis") + le32(1000) + "me", false},
      {"count larger than the packet", head + le32(0x40000000) + le32(1) + "x\x01", false},
      {"comment past the end", head + le32(1) + le32(0xFFFFFFFF) + "TITLE=x\x01", false},
      {"no framing bit", head + le32(1) + le32(7) + "TITLE=x", false},
      {"framing bit clear", head + le32(1) + le32(7) + "TITLE=x" + std::string(1, '\0'), false},
  };
  for (const Case& c : cases) {
    std::vector<std::string> seen;
    const bool ok = ForEachVorbisComment(Packet(c.packet), [&](std::string_view v) { seen.emplace_back(v); });
    EXPECT_EQ(ok, c.ok) << c.what;
    const std::vector<std::string> expected = c.ok ? std::vector<std::string>{"TITLE=x", "A=b"} : std::vector<std::string>{};
    EXPECT_EQ(seen, expected) << c.what;
  }
}

TEST(VorbisComments, Utf8Validation) {
  EXPECT_TRUE(IsWellFormedUtf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5"));
  EXPECT_FALSE(IsWellFormedUtf8("lone \xC3"));
  EXPECT_FALSE(IsWellFormedUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsWellFormedUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsWellFormedUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsWellFormedUtf8("\xF8\x88\x80\x80\x80"));
}

TEST(VorbisComments, KeysIgnoreCaseAndLaterOnesWin) {
  TagRecord tag;
  VorbisCommentKeysSeen seen;
  ApplyVorbisComment("title=First", tag, true, seen);
  ApplyVorbisComment("TITLE=Second", tag, true, seen);
  ApplyVorbisComment("TrackNumber=4/11", tag, true, seen);
  ApplyVorbisComment("DATE= 1987-02-03", tag, true, seen);
  ApplyVorbisComment("noequals", tag, true, seen);
  ApplyVorbisComment("ARTIST\x7E=bad key", tag, true, seen);
  EXPECT_EQ(Utf8(tag.title.View()), "Second");
  EXPECT_EQ(tag.track, 4);
  EXPECT_EQ(tag.trackTotal, 11);
  EXPECT_EQ(tag.year, 1987);
  EXPECT_TRUE(tag.artist.Empty());
  ApplyVorbisComment("DATE=1492", tag, false, seen);
  EXPECT_EQ(tag.year, 0);
}

TEST(VorbisComments, DescriptionAndYearStandInForCommentAndDate) {
  struct Case {
    std::vector<const char*> comments;
    const char* comment;
    uint16_t year;
  };
  const Case cases[] = {
      {{"DESCRIPTION=described", "YEAR=1996"}, "described", 1996},
      {{"description=first", "COMMENT=wins", "DESCRIPTION=late"}, "wins", 0},
      {{"YEAR=1996", "DATE=2001-02-03", "Year=1997"}, "", 2001},
  };
  for (const Case& c : cases) {
    TagRecord tag;
    VorbisCommentKeysSeen seen;
    for (const char* comment : c.comments) ApplyVorbisComment(comment, tag, true, seen);
    EXPECT_EQ(Utf8(tag.comment.View()), c.comment) << c.comments[0];
    EXPECT_EQ(tag.year, c.year) << c.comments[0];
  }
  TagRecord tag;  // written by oggenc
  ASSERT_EQ(ReadOggFile(Fixture("described.ogg"), tag), 0u);
  EXPECT_EQ(Utf8(tag.comment.View()), "standard comment key");
  EXPECT_EQ(tag.year, 1996);
  EXPECT_EQ(Utf8(tag.title.View()), "Described");
}

TEST(ReadOggFile, CommentWithLoneByteIsSkipped) {
  TagRecord tag = ReadOgg(VorbisStream(1, {"title=Good \xC3\xA9", "ARTIST=Bad \xC3"}, 441000));
  EXPECT_EQ(Utf8(tag.formatName.View()), "Ogg Vorbis");
  EXPECT_EQ(tag.title.View(), std::u16string_view(u"Good é"));
  EXPECT_TRUE(tag.artist.Empty());
  EXPECT_EQ(tag.channels, 2);
  EXPECT_EQ(tag.sampleRate, 44100u);
  EXPECT_EQ(tag.duration, 10u);  // the last page's granule position / rate
}

TEST(ReadOggFile, DurationFromALastPageFarFromTheHeaders) {
  // Pages of another stream fill the middle, so the Vorbis end is found from the file's end.
  std::string vorbis = VorbisStream(7, {"TITLE=Long"}, 44100 * 300);
  std::string headers = vorbis.substr(0, vorbis.rfind("OggS"));
  std::string lastPage = vorbis.substr(vorbis.rfind("OggS"));
  std::string middle;
  ogg_stream_state os;
  ogg_stream_init(&os, 99);
  std::vector<unsigned char> payload(4000, 0x42);
  for (int i = 0; i < 60; ++i) {
    ogg_packet p{payload.data(), long(payload.size()), i == 0, 0, i, i};
    ogg_stream_packetin(&os, &p);
    ogg_page page;
    while (ogg_stream_flush(&os, &page)) middle += PageBytes(page);
  }
  ogg_stream_clear(&os);
  TagRecord tag = ReadOgg(headers + middle + lastPage);
  EXPECT_EQ(Utf8(tag.title.View()), "Long");
  EXPECT_EQ(tag.duration, 300u);
}

TEST(ReadOggFile, NoVorbisStreamLeavesFormatEmpty) {
  EXPECT_TRUE(ReadOgg("").formatName.Empty());
  EXPECT_TRUE(ReadOgg(std::string(5000, 'z')).formatName.Empty());
  TagRecord tag;
  ASSERT_EQ(ReadOggFile(Fixture("opus-only.ogg"), tag), 0u);
  EXPECT_TRUE(tag.formatName.Empty());
  EXPECT_NE(ReadOggFile(u"/nonexistent.ogg", tag), 0u);
}

TEST(ReadOggFile, EncodedFixtures) {
  TagRecord tag;
  ASSERT_EQ(ReadOggFile(Fixture("tagged.ogg"), tag), 0u);
  EXPECT_EQ(Utf8(tag.formatName.View()), "Ogg Vorbis");
  EXPECT_EQ(Utf8(tag.title.View()), "Ogg Title");
  EXPECT_EQ(Utf8(tag.artist.View()), "Ogg Artist");
  EXPECT_EQ(Utf8(tag.album.View()), "Ogg Album");
  EXPECT_EQ(Utf8(tag.genre.View()), "Jazz");
  EXPECT_EQ(Utf8(tag.comment.View()), "plain comment");
  EXPECT_EQ(tag.track, 7);
  EXPECT_EQ(tag.year, 2004);
  EXPECT_EQ(tag.channels, 2);
  EXPECT_EQ(tag.sampleRate, 44100u);
  EXPECT_GT(tag.bitrate, 0);
  EXPECT_EQ(tag.duration, 1u);

  TagRecord two;  // an Opus stream first, then the Vorbis stream
  ASSERT_EQ(ReadOggFile(Fixture("two-streams.ogg"), two), 0u);
  EXPECT_EQ(Utf8(two.formatName.View()), "Ogg Vorbis");
  EXPECT_EQ(Utf8(two.title.View()), "Two Streams");
  EXPECT_EQ(two.channels, 2);
  EXPECT_EQ(two.duration, 1u);
}

TEST(ReadOggFile, EveryTruncationIsSafe) {
  std::string bytes;
  ASSERT_EQ(platform::ReadWholeFile(Fixture("two-streams.ogg"), bytes), 0u);
  for (size_t length = 0; length < bytes.size(); length += length < 300 ? 1 : 61) {
    ReadOgg(std::string_view(bytes).substr(0, length));
  }
}

// "fLaC" and a STREAMINFO block (the last block) for `totalSamples` at 44100 Hz, stereo, 16 bits.
std::string FlacHeader(uint64_t totalSamples) {
  std::string s = "fLaC" + Bytes({0x80, 0, 0, 34});
  s += Bytes({0x10, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0});
  uint64_t packed = uint64_t{44100} << 44 | uint64_t{1} << 41 | uint64_t{15} << 36 | totalSamples;
  for (int shift = 56; shift >= 0; shift -= 8) s.push_back(char(packed >> shift & 0xFF));
  s += std::string(16, '\0');
  return s;
}

TEST(ReadFlacFile, DurationAndBitrateOverTheWholeFile) {
  TempFile file("big.flac", FlacHeader(10584000));
  std::filesystem::resize_file(platform::Utf16ToUtf8(file.Path()), 20000000);
  TagRecord tag;
  ASSERT_EQ(ReadFlacFile(file.Path(), tag), 0u);
  EXPECT_EQ(tag.duration, 240u);
  EXPECT_EQ(tag.bitrate, 667);
  EXPECT_EQ(tag.sampleRate, 44100u);
  EXPECT_EQ(tag.channels, 2);
  EXPECT_EQ(Utf8(tag.formatName.View()), "FLAC");
}

TEST(ReadFlacFile, ZeroSamplesGiveNoBitrate) {
  TempFile file("empty.flac", FlacHeader(0));
  TagRecord tag;
  ASSERT_EQ(ReadFlacFile(file.Path(), tag), 0u);
  EXPECT_EQ(tag.duration, 0u);
  EXPECT_EQ(tag.bitrate, 0);
}

TEST(ReadFlacFile, NotFlacClearsTheRecord) {
  TagRecord tag;
  tag.title.Assign(u"stale");
  TempFile file("fake.flac", "RIFF" + std::string(100, '\0'));
  EXPECT_NE(ReadFlacFile(file.Path(), tag), 0u);
  EXPECT_TRUE(tag.title.Empty());
  EXPECT_NE(ReadFlacFile(u"/nonexistent.flac", tag), 0u);
}

TEST(ReadFlacFile, EncodedFixture) {
  TagRecord tag;
  ASSERT_EQ(ReadFlacFile(Fixture("tagged.flac"), tag), 0u);
  EXPECT_EQ(Utf8(tag.title.View()), "Flac Title");
  EXPECT_EQ(Utf8(tag.artist.View()), "Flac Artist");
  EXPECT_EQ(Utf8(tag.album.View()), "Flac Album");
  EXPECT_EQ(Utf8(tag.genre.View()), "Blues");
  EXPECT_EQ(tag.track, 5);
  EXPECT_EQ(tag.trackTotal, 9);
  EXPECT_EQ(tag.year, 2011);
  EXPECT_EQ(tag.channels, 1);
  EXPECT_EQ(tag.sampleRate, 44100u);
}

TEST(ReadFlacFile, EveryTruncationIsSafe) {
  std::string bytes;
  ASSERT_EQ(platform::ReadWholeFile(Fixture("tagged.flac"), bytes), 0u);
  for (size_t length = 0; length < 2000 && length < bytes.size(); ++length) {
    TempFile file("cut.flac", std::string_view(bytes).substr(0, length));
    TagRecord tag;
    ReadFlacFile(file.Path(), tag);
  }
}

}  // namespace
}  // namespace tarnq::analysis
