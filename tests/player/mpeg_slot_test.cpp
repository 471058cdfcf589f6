// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/mpeg_slot.h"

#include <gtest/gtest.h>

#include "slot_fixture.h"

namespace tarnq::player {
namespace {

using testing::DataPath;
using testing::ReadRest;

struct Fixture {
  const char* file;
  uint32_t rate;
  uint16_t channels;
  uint32_t samplesPerFrame;
};
constexpr Fixture kFixtures[] = {
    {"cbr-stereo.mp3", 44100, 2, 1152},  {"vbr-joint.mp3", 44100, 2, 1152}, {"mono.mp3", 44100, 1, 1152},
    {"mpeg2-mono.mp3", 22050, 1, 576},   {"layer2.mp2", 44100, 1, 1152},
    // Layer II frames of 1,728 bytes, beyond one maximal Layer III frame.
    {"layer2-384k.mp2", 32000, 2, 1152},
};

TEST(MpegSlot, DecodesEveryFrameOfTheFixtures) {
  for (const Fixture& f : kFixtures) {
    MpegSlot slot;
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(DataPath(f.file), stream, error), 0u) << f.file << ": " << error;
    EXPECT_EQ(stream.format.sampleRate, f.rate) << f.file;
    EXPECT_EQ(stream.format.channels, f.channels) << f.file;
    EXPECT_EQ(stream.format.bitsPerSample, 16) << f.file;
    EXPECT_EQ(std::u16string(stream.tag.formatName.View()), u"MP3") << f.file;
    const std::vector<uint8_t> pcm = ReadRest(slot);
    const uint64_t frames = pcm.size() / stream.format.BytesPerFrame();
    // Every counted frame and nothing after the last one.
    EXPECT_GT(frames + f.samplesPerFrame, stream.format.lengthFrames) << f.file;
    EXPECT_LE(frames, stream.format.lengthFrames) << f.file;
    EXPECT_EQ(slot.Position(), frames) << f.file;
    EXPECT_EQ(slot.FileLength(DataPath(f.file)), stream.tag.duration + 1) << f.file;
  }
}

// The encoder header names the encoder's delay and padding: what is left is the source's length.
TEST(MpegSlot, DeliversTheSourceWithoutTheEncodersDelayAndPadding) {
  struct Case {
    const char* file;
    uint64_t frames;
  } cases[] = {{"cbr-stereo.mp3", 44100}, {"vbr-joint.mp3", 44100}, {"vbr-lowrate.mp3", 77175}};
  for (const Case& c : cases) {
    MpegSlot slot;
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(DataPath(c.file), stream, error), 0u) << c.file;
    EXPECT_EQ(stream.format.lengthFrames, c.frames) << c.file;
    EXPECT_EQ(ReadRest(slot).size(), c.frames * stream.format.BytesPerFrame()) << c.file;
  }
}

// A seek lands on the very sample asked for: what follows equals a decode from the start there.
TEST(MpegSlot, SeekLandsOnTheSampleOfADecodeFromTheStart) {
  struct Case {
    const char* file;
    uint64_t n, d;
  } cases[] = {
      {"cbr-stereo.mp3", 1, 3}, {"cbr-stereo.mp3", 7, 10}, {"vbr-joint.mp3", 1, 2},  // a Xing table
      {"vbr-joint.mp3", 1, 7},  {"layer2.mp2", 1, 2},      {"mpeg2-mono.mp3", 3, 5},
      {"cbr-stereo.mp3", 0, 1},
  };
  for (const Case& c : cases) {
    MpegSlot slot;
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(DataPath(c.file), stream, error), 0u) << c.file;
    const std::vector<uint8_t> whole = ReadRest(slot);
    ASSERT_TRUE(slot.Seek(c.n, c.d)) << c.file;
    const uint64_t target = c.n * stream.format.lengthFrames / c.d;
    EXPECT_EQ(slot.Position(), target) << c.file;
    const size_t frameBytes = stream.format.BytesPerFrame();
    const std::vector<uint8_t> rest = ReadRest(slot, 1000);
    ASSERT_GE(whole.size(), target * frameBytes) << c.file;
    const std::vector<uint8_t> expected(whole.begin() + static_cast<ptrdiff_t>(target * frameBytes), whole.end());
    EXPECT_EQ(rest.size(), expected.size()) << c.file << " " << c.n << "/" << c.d;
    EXPECT_TRUE(rest == expected) << c.file << " " << c.n << "/" << c.d;
  }
}

TEST(MpegSlot, SeekTableIgnoresTheEndAndReachesNearIt) {
  MpegSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(DataPath("vbr-joint.mp3"), stream, error), 0u) << error;
  const uint64_t length = stream.format.lengthFrames;
  ReadRest(slot, 4096, 4096);
  const uint64_t before = slot.Position();
  EXPECT_FALSE(slot.Seek(100, 100));  // 100 % with a table: no seek
  EXPECT_FALSE(slot.Seek(3, 2));
  EXPECT_EQ(slot.Position(), before);
  ASSERT_TRUE(slot.Seek(99, 100));
  EXPECT_EQ(slot.Position(), length * 99 / 100);
  const std::vector<uint8_t> rest = ReadRest(slot);
  EXPECT_GT(rest.size(), 0u);
  EXPECT_LE(rest.size() / stream.format.BytesPerFrame(), length / 100 + 1);
}

// Without a table the end is a seek like any other: to the end of the data.
TEST(MpegSeekTarget, UsesTheTableOnlyBelowTheEnd) {
  MpegLayout layout;
  layout.header.samplesPerFrame = 1152;
  layout.frames = 1000;
  layout.firstFrame = 100;
  layout.audioStart = 100;
  layout.streamEnd = 100 + 1000 * 400;
  struct Case {
    bool toc;
    uint64_t n, d;
    bool seeks;
    uint64_t sample;
    uint64_t byteOffset;
  } cases[] = {
      {false, 1, 2, true, 576000, 200000},   // frame 500 of 400 bytes each
      {false, 1, 1, true, 1152000, 400000},  // the end
      {true, 1, 1, false, 0, 0},             // 100 % with a table
      {true, 1, 2, true, 576000, 200000},    // entry 50 of a linear table
      {true, 0, 1, true, 0, 0},
  };
  for (const Case& c : cases) {
    layout.xing.hasToc = c.toc;
    for (int i = 0; i < 100; ++i) layout.xing.toc[i] = static_cast<uint8_t>(i * 256 / 100);
    layout.xing.bytes = 400000;
    MpegSeekPoint point;
    ASSERT_EQ(MpegSeekTarget(layout, 400000, c.n, c.d, point), c.seeks) << c.toc << " " << c.n << "/" << c.d;
    if (!c.seeks) continue;
    EXPECT_EQ(point.sample, c.sample) << c.toc << " " << c.n << "/" << c.d;
    EXPECT_NEAR(static_cast<double>(point.byteOffset), static_cast<double>(c.byteOffset), 1600) << c.toc;
  }
}

TEST(MpegSlot, RefusesWhatIsNoMpegAudio) {
  testing::TempFolder dir;
  dir.Write("text.mp3", std::string(5000, 'a'));
  dir.Write("tag-only.mp3", std::string("ID3\x03\x00\x00\x00\x00\x00\x0A", 10) + std::string(10, '\0'));
  for (const char* name : {"text.mp3", "tag-only.mp3", "missing.mp3"}) {
    MpegSlot slot;
    OpenedStream stream;
    std::string error;
    EXPECT_NE(slot.Open(dir.Path(name), stream, error), 0u) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_EQ(slot.FileLength(dir.Path(name)), 0u) << name;
  }
}

TEST(MpegSlot, DamagedFilesEndWithoutHarm) {
  MpegSlot slot;
  testing::ExpectDamageIsHarmless(slot, testing::DataBytes("cbr-stereo.mp3"), "d.mp3");
  testing::ExpectDamageIsHarmless(slot, testing::DataBytes("layer2-384k.mp2"), "d.mp2");
}

}  // namespace
}  // namespace tarnq::player
