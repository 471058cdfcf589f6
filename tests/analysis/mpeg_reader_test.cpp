// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/mpeg_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_files.h"

namespace tarnq::analysis {
namespace {

using testing::Bytes;
using testing::Fixture;
using testing::TempFile;
using testing::Utf8;

// MPEG-1 Layer III, 44100 Hz, no CRC; b2 holds the bit-rate index, b3 the channel mode.
std::string Header(int bitrateIndex, int mode, int padding = 0) {
  return Bytes({0xFF, 0xFB, bitrateIndex << 4 | padding << 1, mode << 6});
}

// Consecutive 128 kbit/s frames (417 bytes each without padding).
std::string Frames(int count, int mode = 1) {
  std::string s;
  for (int i = 0; i < count; ++i) {
    std::string frame = Header(9, mode);
    frame.resize(417, '\x55');
    s += frame;
  }
  return s;
}

MpegFrameInfo Decode(std::string_view bytes, uint64_t streamLength, bool* ok = nullptr) {
  MpegFrameInfo info;
  bool result = DecodeFirstFrame(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                 streamLength, info);
  if (ok) *ok = result;
  return info;
}

TEST(ParseMpegFrameHeader, LengthsRatesAndSamplesPerFrame) {
  struct Case {
    std::string bytes;
    bool valid;
    uint32_t rate, channels, samples, bitrate, frameBytes;
  } cases[] = {
      {Header(9, 1), true, 44100, 2, 1152, 128000, 417},
      {Header(9, 3, 1), true, 44100, 1, 1152, 128000, 418},             // padding, mono
      {Bytes({0xFF, 0xFD, 0xE8, 0x00}), true, 32000, 2, 1152, 384000, 1728},  // Layer II, 384 kbit/s
      {Bytes({0xFF, 0xFF, 0x42, 0x00}), true, 44100, 2, 384, 128000, 140},    // Layer I, a padding slot
      {Bytes({0xFF, 0xF3, 0xC0, 0xC0}), true, 22050, 1, 576, 128000, 417},    // MPEG-2 Layer III
      {Header(0, 1), true, 44100, 2, 1152, 0, 0},                        // free format
      {Header(15, 1), false, 0, 0, 0, 0, 0},                             // bit-rate index 15
      {Bytes({0xFF, 0xEB, 0x90, 0x00}), false, 0, 0, 0, 0, 0},           // reserved version
      {Bytes({0xFF, 0xFB, 0x9C, 0x00}), false, 0, 0, 0, 0, 0},           // reserved rate
  };
  for (const Case& c : cases) {
    MpegFrameHeader h;
    const bool valid = ParseMpegFrameHeader(reinterpret_cast<const uint8_t*>(c.bytes.data()), h);
    ASSERT_EQ(valid, c.valid) << static_cast<int>(&c - cases);
    if (!valid) continue;
    EXPECT_EQ(h.sampleRate, c.rate) << static_cast<int>(&c - cases);
    EXPECT_EQ(h.channels, c.channels) << static_cast<int>(&c - cases);
    EXPECT_EQ(h.samplesPerFrame, c.samples) << static_cast<int>(&c - cases);
    EXPECT_EQ(h.bitrate, c.bitrate) << static_cast<int>(&c - cases);
    EXPECT_EQ(h.frameBytes, c.frameBytes) << static_cast<int>(&c - cases);
  }
}

TEST(DecodeFirstFrame, ConstantBitrateDurationRoundsHalfUp) {
  std::string block = Frames(10);
  bool ok = false;
  MpegFrameInfo info = Decode(block, 3000000, &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(info.version, 3u);
  EXPECT_EQ(info.layer, 1u);
  EXPECT_EQ(info.bitrate, 128000u);
  EXPECT_EQ(info.sampleRate, 44100u);
  EXPECT_EQ(info.frameLength, 417u);
  EXPECT_EQ(info.duration, 188u);  // 3,000,000 / 16,000 = 187.5
  EXPECT_EQ(info.frameCount, 7194u);
  EXPECT_EQ(info.xingBitrate, 0u);
}

TEST(DecodeFirstFrame, XingHeaderGivesAverageBitrate) {
  std::string block = Frames(3);
  // Stereo MPEG-1: the Xing header sits 36 bytes into the frame.
  std::string xing = "Xing" + testing::Be32(0x07) + testing::Be32(2000) + testing::Be32(1000000) +
                     std::string(100, '\x01');
  block.replace(36, xing.size(), xing);
  XingInfo out;
  MpegFrameInfo info;
  ASSERT_TRUE(DecodeFirstFrame(reinterpret_cast<const uint8_t*>(block.data()), block.size(), 1200000,
                               info, &out));
  // 1,000,000 / 2000 = 500 bytes a frame; 500 * 44100 / 144 = 153,125 -> 153,000.
  EXPECT_EQ(info.xingBitrate, 153000u);
  EXPECT_EQ(info.frameCount, 2000u);
  EXPECT_EQ(info.duration, 52u);  // 2000 frames x 1152 samples / 44100 Hz = 52.2
  EXPECT_TRUE(out.hasToc);
  EXPECT_EQ(out.frames, 2000u);
  EXPECT_EQ(out.bytes, 1000000u);
  EXPECT_EQ(out.toc[99], 1);
}

TEST(DecodeFirstFrame, RejectsBadHeadersAndTruncatedXing) {
  bool ok = true;
  Decode(Bytes({0xFF, 0xFB, 0xF0, 0}), 100, &ok);  // bit-rate index 15
  EXPECT_FALSE(ok);
  Decode(Bytes({0xFF, 0xFB, 0x9C, 0}), 100, &ok);  // sampling-rate index 3
  EXPECT_FALSE(ok);
  Decode(Bytes({0xFF, 0xEB, 0x90, 0}), 100, &ok);  // version bits 01
  EXPECT_FALSE(ok);
  Decode(Bytes({0xFF, 0xF9, 0x90, 0}), 100, &ok);  // layer bits 00
  EXPECT_FALSE(ok);
  std::string block = Header(9, 0) + std::string(32, '\0') + "Xing" + testing::Be32(0x04);
  Decode(block, 100000, &ok);  // the seek table does not fit
  EXPECT_FALSE(ok);
  Decode(Header(9, 0) + std::string(20, '\0'), 100000, &ok);  // too short to hold a Xing header
  EXPECT_FALSE(ok);
}

TEST(DecodeFirstFrame, FreeFormatHasNoDuration) {
  bool ok = false;
  MpegFrameInfo info = Decode(Header(0, 0) + std::string(100, '\0'), 50000, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(info.bitrate, 0u);
  EXPECT_EQ(info.frameLength, 0u);
  EXPECT_EQ(info.duration, 0u);
}

TEST(ReadMpegFile, ChannelModesOnTheMainPath) {
  for (auto [mode, channels] : {std::pair{0, 2}, {1, 3}, {2, 0}, {3, 0}}) {
    TempFile file("modes.mp3", Frames(12, mode));
    TagRecord tag;
    ASSERT_EQ(ReadMpegFile(file.Path(), tag), 0u);
    EXPECT_EQ(tag.channels, channels) << mode;
    EXPECT_EQ(Utf8(tag.formatName.View()), "MP3");
    EXPECT_EQ(tag.bitrate, 128);
  }
}

TEST(ReadMpegFile, JunkBetweenTagAndFramesFoundByScan) {
  std::string tag = "ID3" + Bytes({3, 0, 0, 0, 0, 0, 0});
  std::string junk(500, 'j');
  // The first FF is not a frame header, so the slow scan has to find the stream.
  TempFile file("junk.mp3", tag + junk + Bytes({0xFF, 0x00}) + std::string(20, 'k') + Frames(12, 0));
  TagRecord rec;
  ASSERT_EQ(ReadMpegFile(file.Path(), rec), 0u);
  EXPECT_EQ(Utf8(rec.formatName.View()), "MP3");
  EXPECT_EQ(rec.sampleRate, 44100u);
  EXPECT_EQ(rec.bitrate, 128);
  EXPECT_EQ(rec.channels, 2);
}

TEST(ReadMpegFile, ZeroPaddingAfterTagIsSkipped) {
  std::string tag = "ID3" + Bytes({3, 0, 0, 0, 0, 0, 0});
  TempFile file("pad.mp3", tag + std::string(3000, '\0') + Bytes({0xFF, 0, 0, 0}) +
                               std::string(10, '\0') + Frames(12, 1));
  TagRecord rec;
  ASSERT_EQ(ReadMpegFile(file.Path(), rec), 0u);
  EXPECT_EQ(rec.channels, 3);
  EXPECT_EQ(rec.bitrate, 128);
}

TEST(ReadMpegFile, FileWithoutFramesKeepsItsTexts) {
  std::string title = Bytes({0}) + "Musepack";
  std::string frame = "TIT2" + testing::Be32(uint32_t(title.size())) + Bytes({0, 0}) + title;
  std::string tag = "ID3" + Bytes({3, 0, 0, 0, 0, 0, int(frame.size())}) + frame;
  TempFile file("song.mpp", tag + "MPCK" + std::string(6000, 'a'));
  TagRecord rec;
  ASSERT_EQ(ReadMpegFile(file.Path(), rec), 0u);
  EXPECT_TRUE(rec.formatName.Empty());
  EXPECT_EQ(rec.duration, 0u);
  EXPECT_EQ(Utf8(rec.title.View()), "Musepack");
}

TEST(ReadMpegFile, MissingFileAndDirectoryFail) {
  TagRecord rec;
  EXPECT_NE(ReadMpegFile(u"/nonexistent/x.mp3", rec), 0u);
  EXPECT_NE(ReadMpegFile(u"/tmp", rec), 0u);
}

TEST(ReadMpegFile, EncodedFixtures) {
  struct Case {
    const char* name;
    uint32_t sampleRate;
    int bitrate;
    uint16_t channels;
    uint32_t duration;
  };
  for (const Case& c : {
           Case{"cbr-stereo.mp3", 44100, 64, 2, 1}, Case{"mono.mp3", 44100, 32, 0, 1},
           Case{"mpeg2-mono.mp3", 22050, 24, 0, 1}, Case{"layer2.mp2", 44100, 64, 0, 1},
           // ffmpeg's Info frame is written at 56 kbit/s before 8 kbit/s audio: a constant 8 and
           // 194 frames of 576 samples (5.07 s), not 56 kbit/s and 1 s.
           Case{"cbr-info.mp3", 22050, 8, 0, 5},
           // 136 frames of 576 samples at 11,025 Hz are 7.1 s; the average rounded down to
           // 8 kbit/s would stretch the 7,957 bytes to 8 s.
           Case{"vbr-lowrate.mp3", 11025, -8, 0, 7},
           // An FF inside the second of two tags is no frame header (it read as 32 kHz).
           Case{"two-tags.mp3", 44100, 32, 0, 1},
       }) {
    TagRecord tag;
    ASSERT_EQ(ReadMpegFile(Fixture(c.name), tag), 0u) << c.name;
    EXPECT_EQ(Utf8(tag.formatName.View()), "MP3") << c.name;
    EXPECT_EQ(tag.sampleRate, c.sampleRate) << c.name;
    EXPECT_EQ(tag.bitrate, c.bitrate) << c.name;
    EXPECT_EQ(tag.channels, c.channels) << c.name;
    EXPECT_EQ(tag.duration, c.duration) << c.name;
  }
}

TEST(ReadMpegFile, TwoTagsInARow) {
  TagRecord tag;
  ASSERT_EQ(ReadMpegFile(Fixture("two-tags.mp3"), tag), 0u);
  EXPECT_EQ(Utf8(tag.title.View()), "New Title");  // the first tag's texts

  // The slow scan counts frames behind both tags only: 1.2 s, not the 2.4 s that the file's
  // 9,645 bytes would give.
  platform::InputFile input;
  ASSERT_EQ(input.Open(Fixture("two-tags.mp3")), 0u);
  FileWindow file(input, 8192);
  TagRecord scanned;
  ASSERT_EQ(ScanForFrames(file, scanned), 0u);
  EXPECT_EQ(scanned.sampleRate, 44100u);
  EXPECT_EQ(scanned.bitrate, 32);
  EXPECT_EQ(scanned.duration, 1u);
}

// No Debian tool writes a VBRI header (Fraunhofer encoders do), so the test builds one: a first
// frame of 128 kbit/s holding, 32 bytes behind its header, "VBRI", version 1, delay, quality,
// the stream's bytes and frames, and an empty seek table (entries, scale, entry size, frames per
// entry).
TEST(ReadMpegFile, VbriHeaderGivesAverageAndFrameCount) {
  std::string vbri = "VBRI" + Bytes({0, 1, 0x0F, 0xA0, 0, 75}) + testing::Be32(600000) +
                     testing::Be32(2500) + Bytes({0, 0, 0, 1, 0, 2, 0, 0});
  std::string stream = Frames(12, 1);
  stream.replace(36, vbri.size(), vbri);
  TempFile file("vbri.mp3", stream);
  TagRecord tag;
  XingInfo xing;
  ASSERT_EQ(ReadMpegFile(file.Path(), tag, &xing), 0u);
  EXPECT_EQ(tag.bitrate, -73);     // 600,000 / 2500 = 240 bytes a frame: 73,500 bit/s
  EXPECT_EQ(tag.duration, 65u);    // 2500 x 1152 / 44100 = 65.3 s
  EXPECT_EQ(xing.frames, 2500u);
  EXPECT_EQ(xing.bytes, 600000u);
  EXPECT_FALSE(xing.hasToc);
}

TEST(ReadMpegFile, TaggedFixtureWrittenByAnotherTagger) {
  TagRecord tag;
  ASSERT_EQ(ReadMpegFile(Fixture("cbr-stereo.mp3"), tag), 0u);
  EXPECT_EQ(Utf8(tag.title.View()), "Zwölf Lieder");
  EXPECT_EQ(Utf8(tag.artist.View()), "Ärzte");  // TPE1 before TPE4
  EXPECT_EQ(Utf8(tag.album.View()), "Album One");
  EXPECT_EQ(Utf8(tag.genre.View()), "Pop");
  EXPECT_EQ(Utf8(tag.comment.View()), "nice");
  EXPECT_EQ(tag.track, 3);
  EXPECT_EQ(tag.trackTotal, 12);
  EXPECT_EQ(tag.year, 1999);
  EXPECT_EQ(tag.bpm, 120);

  TagRecord vbr;
  ASSERT_EQ(ReadMpegFile(Fixture("vbr-joint.mp3"), vbr), 0u);
  EXPECT_LT(vbr.bitrate, 0);  // a Xing header: the average, negative
  EXPECT_EQ(vbr.channels, 3);
  EXPECT_EQ(vbr.duration, 1u);
  EXPECT_EQ(Utf8(vbr.title.View()), "Вариации");  // ID3v2.4, UTF-8
  EXPECT_EQ(Utf8(vbr.genre.View()), "Rock");
}

TEST(ReadMpegFile, EveryTruncationIsSafe) {
  std::string bytes;
  ASSERT_EQ(platform::ReadWholeFile(Fixture("cbr-stereo.mp3"), bytes), 0u);
  for (size_t length = 0; length < bytes.size(); length += length < 700 ? 1 : 97) {
    TempFile file("cut.mp3", std::string_view(bytes).substr(0, length));
    TagRecord tag;
    EXPECT_EQ(ReadMpegFile(file.Path(), tag), 0u) << length;
  }
}

}  // namespace
}  // namespace tarnq::analysis
