// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/pcm.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnq::player {
namespace {

std::vector<uint8_t> Le16(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  return out;
}

TEST(Volume, ScalesAndKeepsUnityAndSilence) {
  struct Case {
    int volume;
    std::vector<uint8_t> in, expected;
  } cases[] = {
      {255, Le16({32767, -32768, 1000}), Le16({32767, -32768, 1000})},
      {0, Le16({32767, -32768, 1000}), Le16({0, 0, 0})},
      {51, Le16({32767, -32768, 1000}), Le16({6553, -6553, 200})},
      {300, Le16({-32768}), Le16({-32768})},  // above 255 is unity, never louder
  };
  for (auto& c : cases) {
    ApplyVolume(c.in, 16, c.volume);
    EXPECT_EQ(c.in, c.expected) << "volume " << c.volume;
  }
  std::vector<uint8_t> eight = {0, 128, 255};
  ApplyVolume(eight, 8, 0);
  EXPECT_EQ(eight, (std::vector<uint8_t>{128, 128, 128}));
}

// Streams the output cannot take are converted, never handed over as they are.
TEST(PcmConverter, ConvertsWhatTheOutputCannotTake) {
  auto bytes = [](std::initializer_list<int> v) { return std::vector<uint8_t>(v.begin(), v.end()); };
  struct Case {
    const char* name;
    StreamFormat in;
    std::vector<uint8_t> input;
    OutputFormat out;
    std::vector<uint8_t> expected;
  } cases[] = {
      {"16-bit stereo as is", {0, 0, 0, 8000, 2, 16}, Le16({5, -5}), {8000, 2, 16}, Le16({5, -5})},
      {"8-bit mono as is", {0, 0, 0, 8000, 1, 8}, bytes({0, 255}), {8000, 1, 8}, bytes({0, 255})},
      {"24-bit rounds to 16", {0, 0, 0, 8000, 1, 24}, bytes({0x80, 0x34, 0x12, 0x00, 0x00, 0x80}), {8000, 1, 16},
       Le16({0x1235, -32768})},
      {"32-bit integer", {0, 0, 0, 8000, 1, 32}, bytes({0, 0, 0xFF, 0x7F}), {8000, 1, 16}, Le16({32767})},
      {"float clipped at full scale", {0, 0, 0, 8000, 2, 32, SampleType::kFloat},
       bytes({0, 0, 0, 0x40, 0, 0, 0x80, 0xBF}), {8000, 2, 16}, Le16({32767, -32768})},
      // Left, right, centre, LFE-like fourth: (2L + C + X) / 4 never clips.
      {"four channels down-mixed", {0, 0, 0, 8000, 4, 16}, Le16({32767, -32768, 32767, 32767}), {8000, 2, 16},
       Le16({32767, 0})},
      {"six channels at full scale stay in range", {0, 0, 0, 8000, 6, 16},
       Le16({32767, 32767, 32767, 32767, 32767, 32767}), {8000, 2, 16}, Le16({32767, 32767})},
  };
  for (const auto& c : cases) {
    PcmConverter converter;
    converter.Configure(c.in);
    EXPECT_EQ(converter.Output(), c.out) << c.name;
    std::vector<uint8_t> out(c.expected.size() + 8);
    const size_t n = converter.Convert(c.input, out, kUnityVolume);
    out.resize(n);
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

TEST(PcmConverter, ConvertsWholeFramesOnly) {
  PcmConverter converter;
  converter.Configure({0, 0, 0, 8000, 2, 16});
  std::vector<uint8_t> out(16);
  EXPECT_EQ(converter.Convert(Le16({1, 2, 3}), out, kUnityVolume), 4u);  // the half frame waits
  EXPECT_EQ(converter.InputBytesFor(size_t{32768}), size_t{32768});
}

}  // namespace
}  // namespace tarnq::player
