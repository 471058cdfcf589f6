// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/ogg_slot.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "slot_fixture.h"

namespace tarnq::player {
namespace {

using testing::DataPath;
using testing::ReadRest;

TEST(OggSlot, DecodesTheFixtures) {
  struct Case {
    const char* file;
    uint32_t rate;
    uint16_t channels;
    uint64_t frames;
    const char16_t* title;
  } cases[] = {
      {"tagged.ogg", 44100, 2, 44100, u"Ogg Title"},
      {"described.ogg", 44100, 1, 11025, u"Described"},
      {"six-channels.ogg", 48000, 6, 9600, u""},  // handed to the converter, which mixes it down
  };
  for (const Case& c : cases) {
    OggSlot slot;
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(DataPath(c.file), stream, error), 0u) << c.file << ": " << error;
    EXPECT_EQ(stream.format.sampleRate, c.rate) << c.file;
    EXPECT_EQ(stream.format.channels, c.channels) << c.file;
    EXPECT_EQ(stream.format.bitsPerSample, 16) << c.file;
    EXPECT_EQ(stream.format.lengthFrames, c.frames) << c.file;
    EXPECT_EQ(std::u16string(stream.tag.title.View()), c.title) << c.file;
    EXPECT_EQ(ReadRest(slot).size(), c.frames * stream.format.BytesPerFrame()) << c.file;
    EXPECT_EQ(slot.Position(), c.frames) << c.file;
  }
}

// The six channels come out in WAV order: the 440 Hz tone is loudest in front left, then front
// right (half), centre (a quarter); Vorbis stores the centre second.
TEST(OggSlot, PutsSurroundChannelsInWavOrder) {
  OggSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(DataPath("six-channels.ogg"), stream, error), 0u) << error;
  const std::vector<uint8_t> pcm = ReadRest(slot);
  double peak[6] = {};
  for (size_t at = 0; at + 12 <= pcm.size(); at += 12) {
    for (int c = 0; c < 6; ++c) {
      const int16_t s = static_cast<int16_t>(pcm[at + 2 * c] | pcm[at + 2 * c + 1] << 8);
      peak[c] = std::max(peak[c], static_cast<double>(std::abs(s)));
    }
  }
  EXPECT_NEAR(peak[1] / peak[0], 0.5, 0.1);
  EXPECT_NEAR(peak[2] / peak[0], 0.25, 0.1);
}

TEST(OggSlot, ReorderVorbisChannels) {
  struct Case {
    uint16_t channels;
    std::vector<uint16_t> in, out;
  } cases[] = {
      {2, {0, 1}, {0, 1}},
      {3, {10, 11, 12}, {10, 12, 11}},
      {6, {10, 11, 12, 13, 14, 15}, {10, 12, 11, 15, 13, 14}},
      {8, {10, 11, 12, 13, 14, 15, 16, 17}, {10, 12, 11, 17, 15, 16, 13, 14}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> frame;
    for (uint16_t v : c.in) frame.insert(frame.end(), {static_cast<uint8_t>(v), 0});
    ReorderVorbisChannels(frame.data(), c.channels);
    for (size_t i = 0; i < c.out.size(); ++i) EXPECT_EQ(frame[2 * i], c.out[i]) << c.channels << " #" << i;
  }
}

TEST(OggSlot, SeekLandsOnTheSampleOfADecodeFromTheStart) {
  OggSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(DataPath("tagged.ogg"), stream, error), 0u) << error;
  const std::vector<uint8_t> whole = ReadRest(slot);
  for (auto [n, d] : {std::pair{1, 3}, {1, 2}, {0, 1}, {9, 10}}) {
    ASSERT_TRUE(slot.Seek(n, d));
    const uint64_t target = uint64_t(n) * 44100 / d;
    EXPECT_EQ(slot.Position(), target);
    const std::vector<uint8_t> rest = ReadRest(slot, 1000);
    ASSERT_EQ(rest.size(), whole.size() - target * 4) << n << "/" << d;
    // Vorbis decodes the same samples after a seek, up to rounding of the overlapped window.
    int worst = 0;
    for (size_t i = 0; i + 1 < rest.size(); i += 2) {
      const int a = static_cast<int16_t>(rest[i] | rest[i + 1] << 8);
      const int b = static_cast<int16_t>(whole[target * 4 + i] | whole[target * 4 + i + 1] << 8);
      worst = std::max(worst, std::abs(a - b));
    }
    EXPECT_LE(worst, 2) << n << "/" << d;
  }
}

TEST(OggSlot, RefusesOtherStreamsWithAReason) {
  struct Case {
    const char* file;
    const char* error;
  } cases[] = {
      {"two-streams.ogg", "the Vorbis stream has 2 logical streams"},
      {"opus-only.ogg", "not an Ogg Vorbis file"},
      {"cbr-stereo.mp3", "not an Ogg Vorbis file"},
  };
  for (const Case& c : cases) {
    OggSlot slot;
    OpenedStream stream;
    std::string error;
    EXPECT_NE(slot.Open(DataPath(c.file), stream, error), 0u) << c.file;
    EXPECT_EQ(error, c.error) << c.file;
  }
}

TEST(OggSlot, SkipsAnId3TagInFront) {
  testing::TempFolder dir;
  dir.Write("t.ogg", std::string("ID3\x03\x00\x00\x00\x00\x00\x05", 10) + "xxxxx" + testing::DataBytes("tagged.ogg"));
  OggSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(dir.Path("t.ogg"), stream, error), 0u) << error;
  EXPECT_EQ(ReadRest(slot).size(), 44100u * 4);
}

TEST(OggSlot, DamagedFilesEndWithoutHarm) {
  OggSlot slot;
  testing::ExpectDamageIsHarmless(slot, testing::DataBytes("tagged.ogg"), "d.ogg");
}

}  // namespace
}  // namespace tarnq::player
