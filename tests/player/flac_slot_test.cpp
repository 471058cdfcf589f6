// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/flac_slot.h"

#include <gtest/gtest.h>

#include "slot_fixture.h"

namespace tarnq::player {
namespace {

using testing::DataPath;
using testing::ReadRest;

TEST(FlacSlot, DecodesTheFixtures) {
  struct Case {
    const char* file;
    uint32_t rate;
    uint16_t channels;
    uint16_t bits;
    uint64_t frames;
    const char16_t* title;
  } cases[] = {
      {"tagged.flac", 44100, 1, 16, 11025, u"Flac Title"},
      {"same-song.flac", 44100, 1, 16, 52920, u"Same Song"},
      {"stereo-24bit.flac", 48000, 2, 24, 7200, u""},  // 24-bit samples as they are
      {"mono-8bit.flac", 8000, 1, 8, 2000, u""},
  };
  for (const Case& c : cases) {
    FlacSlot slot;
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(DataPath(c.file), stream, error), 0u) << c.file << ": " << error;
    EXPECT_EQ(stream.format.sampleRate, c.rate) << c.file;
    EXPECT_EQ(stream.format.channels, c.channels) << c.file;
    EXPECT_EQ(stream.format.bitsPerSample, c.bits) << c.file;
    EXPECT_EQ(stream.format.lengthFrames, c.frames) << c.file;
    EXPECT_EQ(std::u16string(stream.tag.title.View()), c.title) << c.file;
    EXPECT_EQ(ReadRest(slot).size(), c.frames * stream.format.BytesPerFrame()) << c.file;
    EXPECT_EQ(slot.Position(), c.frames) << c.file;
    EXPECT_GE(slot.FileLength(DataPath(c.file)), 1u) << c.file;
  }
}

// 8-bit samples are unsigned, as in WAV files: a sine starts at the middle, 128, and swings
// around it.
TEST(FlacSlot, EightBitSamplesAreUnsigned) {
  FlacSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(DataPath("mono-8bit.flac"), stream, error), 0u) << error;
  const std::vector<uint8_t> pcm = ReadRest(slot);
  ASSERT_EQ(pcm.size(), 2000u);
  EXPECT_NEAR(pcm[0], 128, 1);
  double sum = 0;
  for (uint8_t s : pcm) sum += s;
  EXPECT_NEAR(sum / pcm.size(), 128, 2);
  EXPECT_GT(*std::max_element(pcm.begin(), pcm.end()), 140);  // the tone is 1/8 of full scale
  EXPECT_LT(*std::min_element(pcm.begin(), pcm.end()), 116);
}

// A block of 4,096 frames is larger than these buffers: the rest waits for the next Read, and the
// bytes are those of large reads.
TEST(FlacSlot, BuffersSmallerThanABlockGetEveryFrame) {
  FlacSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(DataPath("stereo-24bit.flac"), stream, error), 0u) << error;
  const std::vector<uint8_t> whole = ReadRest(slot);
  for (size_t chunk : {6u, 7u, 1000u, 24576u}) {
    ASSERT_TRUE(slot.Seek(0, 1));
    EXPECT_TRUE(ReadRest(slot, chunk) == whole) << chunk;
  }
}

TEST(FlacSlot, SeekLandsOnTheSampleAskedFor) {
  FlacSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(DataPath("same-song.flac"), stream, error), 0u) << error;
  const std::vector<uint8_t> whole = ReadRest(slot);
  for (auto [n, d] : {std::pair{1, 3}, {1, 2}, {0, 1}, {99, 100}, {1, 1}}) {
    ASSERT_TRUE(slot.Seek(n, d));
    const uint64_t target = uint64_t(n) * 52920 / d;
    EXPECT_EQ(slot.Position(), target);
    const std::vector<uint8_t> rest = ReadRest(slot, 1000);
    EXPECT_TRUE(rest == std::vector<uint8_t>(whole.begin() + static_cast<ptrdiff_t>(target * 2), whole.end()))
        << n << "/" << d;
  }
}

TEST(FlacSlot, RefusesWhatIsNoFlac) {
  for (const char* file : {"cbr-stereo.mp3", "tagged.ogg", "missing.flac"}) {
    FlacSlot slot;
    OpenedStream stream;
    std::string error;
    EXPECT_NE(slot.Open(DataPath(file), stream, error), 0u) << file;
    EXPECT_FALSE(error.empty()) << file;
  }
}

TEST(FlacSlot, DamagedFilesEndWithoutHarm) {
  FlacSlot slot;
  testing::ExpectDamageIsHarmless(slot, testing::DataBytes("stereo-24bit.flac"), "d.flac");
}

}  // namespace
}  // namespace tarnq::player
