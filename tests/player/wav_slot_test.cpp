// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/wav_slot.h"

#include <gtest/gtest.h>

#include <vector>

#include "temp_folder.h"
#include "wav_fixture.h"

namespace tarnq::player {
namespace {

using testing::PutLe;
using testing::WavFile;
using testing::WavSpec;

std::vector<uint8_t> ReadAll(DecoderSlot& slot) {
  std::vector<uint8_t> all, buffer(1000);
  bool more = true;
  while (more) {
    const size_t n = slot.Read(buffer, more);
    all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(n));
  }
  return all;
}

TEST(WavSlot, DeliversTheSamplesAfterAnId3TagAndOtherChunks) {
  testing::TempFolder dir;
  const std::string samples = testing::Ramp16(8000 * 2 * 3 / 2);  // 1.5 s of 8 kHz stereo
  std::string wav = WavFile({}, samples);
  // An odd-sized chunk (with its pad byte) between the format and the data.
  wav.insert(36, std::string("LIST\x03\x00\x00\x00" "abc\x00", 12));
  const std::string id3 = std::string("ID3\x03\x00\x00\x00\x00\x00\x05", 10) + "xxxxx";
  dir.Write("a.wav", id3 + wav);

  WavSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(dir.Path("a.wav"), stream, error), 0u) << error;
  EXPECT_EQ(stream.format.sampleRate, 8000u);
  EXPECT_EQ(stream.format.channels, 2);
  EXPECT_EQ(stream.format.bitsPerSample, 16);
  EXPECT_EQ(stream.format.lengthSeconds, 1u);
  EXPECT_EQ(stream.tag.duration, 1u);
  EXPECT_EQ(std::u16string(stream.tag.formatName.View()), u"WAV");
  const std::vector<uint8_t> got = ReadAll(slot);
  EXPECT_EQ(got, std::vector<uint8_t>(samples.begin(), samples.end()));
  EXPECT_EQ(slot.FileLength(dir.Path("a.wav")), 1u);
}

// Every header below is refused (or cut to what the file holds) without reading outside it.
TEST(WavSlot, RefusesHostileHeaders) {
  const std::string good = WavFile({}, testing::Ramp16(64));
  auto with = [&](size_t at, uint32_t value, int bytes) {
    std::string s = good;
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return s;
  };
  struct Case {
    const char* name;
    std::string bytes;
    bool opens;
    uint64_t dataBytes;  // when it opens
  } cases[] = {
      {"empty", "", false, 0},
      {"RIFF only", "RIFF", false, 0},
      {"not WAVE", with(8, 0x45564157 ^ 1, 4), false, 0},
      {"format chunk of 15 bytes", with(16, 15, 4), false, 0},
      {"format chunk size past the end", with(16, 0xFFFFFFF0, 4), false, 0},
      {"ADPCM", with(20, 2, 2), false, 0},
      {"no channels", with(22, 0, 2), false, 0},
      {"65535 channels", with(22, 65535, 2), false, 0},
      {"rate 0", with(24, 0, 4), false, 0},
      {"0 bits", with(34, 0, 2), false, 0},
      {"64 bits", with(34, 64, 2), false, 0},
      {"cut in the format chunk", good.substr(0, 30), false, 0},
      {"no data chunk", good.substr(0, 36), false, 0},
      {"data size past the end is cut", with(40, 0xFFFFFFFF, 4), true, 128},
      {"data size of an odd byte count keeps whole frames", good.substr(0, 44 + 7), true, 4},
      {"ID3 size past the end", std::string("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10) + good, false, 0},
  };
  testing::TempFolder dir;
  for (const auto& c : cases) {
    dir.Write("h.wav", c.bytes);
    WavSlot slot;
    OpenedStream stream;
    std::string error;
    const uint32_t code = slot.Open(dir.Path("h.wav"), stream, error);
    EXPECT_EQ(code == 0, c.opens) << c.name << ": " << error;
    if (code == 0) {
      EXPECT_EQ(ReadAll(slot).size(), c.dataBytes) << c.name;
    } else {
      EXPECT_FALSE(error.empty()) << c.name;
      EXPECT_EQ(slot.FileLength(dir.Path("h.wav")), 0u) << c.name;
    }
  }
}

TEST(WavSeekOffset, MultipliesBeforeDividingAndKeepsFrames) {
  struct Case {
    uint64_t dataBytes;
    uint32_t frame;
    uint64_t n, d, expected;
  } cases[] = {
      {40000, 4, 1, 2, 20000},
      {40000, 4, 1, 3, 13332},            // 13333.3 down to a whole frame
      {40000, 6, 1, 3, 13332},            // 24-bit stereo frames of 6 bytes
      {40000, 4, 0, 100, 0},
      {40000, 4, 100, 100, 40000},        // the end, not past it
      {40000, 4, 5, 1, 40000},            // beyond the end: the end
      {40000, 4, 1, 0, 0},                // no denominator: the start
      {6000000000, 4, 3, 4, 4500000000},  // a data size beyond 32 bits
      {4000000000, 4, 4000000000, 4000000001, 3999999996},  // the product exceeds 64 bits
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WavSeekOffset(c.dataBytes, c.frame, c.n, c.d), c.expected) << c.n << "/" << c.d;
  }
}

TEST(WavSlot, SeeksAndCountsThePosition) {
  testing::TempFolder dir;
  const std::string samples = testing::Ramp16(2 * 8000);  // 1 s stereo
  dir.Write("s.wav", WavFile({}, samples));
  WavSlot slot;
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(dir.Path("s.wav"), stream, error), 0u);
  ASSERT_TRUE(slot.Seek(1, 4));
  EXPECT_EQ(slot.Position(), 2000u);
  std::vector<uint8_t> buffer(4);
  bool more = false;
  ASSERT_EQ(slot.Read(buffer, more), 4u);
  EXPECT_TRUE(more);
  EXPECT_EQ(buffer, std::vector<uint8_t>(samples.begin() + 8000, samples.begin() + 8004));
  EXPECT_EQ(slot.Position(), 2001u);
}

}  // namespace
}  // namespace tarnq::player
