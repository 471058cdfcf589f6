// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/wav_file_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "player/capture_output.h"
#include "temp_folder.h"

namespace tarnq::player {
namespace {

// The file the whole PCM makes when written at once (16-bit; 8-bit input widened): what a
// streamed render must equal.
uint32_t WriteWavFile(std::u16string_view path, const OutputFormat& format, std::span<const uint8_t> pcm) {
  const bool widen = format.bitsPerSample == 8;
  const uint64_t dataBytes = widen ? uint64_t{pcm.size()} * 2 : pcm.size() / 2 * 2;
  const uint32_t channels = format.channels == 0 ? 1 : format.channels;
  // The data must fit the 32-bit RIFF sizes, whole frames of it.
  const uint64_t frameBytes = 2ull * channels;
  const uint64_t limit = (0xFFFFFFFFull - 36) / frameBytes * frameBytes;
  const uint32_t size = static_cast<uint32_t>(std::min(dataBytes / frameBytes * frameBytes, limit));
  std::string bytes = WavHeader(format, size);
  bytes.reserve(44 + size_t{size});
  if (widen) {
    for (size_t i = 0; i < size / 2; ++i) {
      const int32_t s = (int32_t{pcm[i]} - 128) * 256;
      bytes.push_back(static_cast<char>(s & 0xFF));
      bytes.push_back(static_cast<char>((s >> 8) & 0xFF));
    }
  } else {
    bytes.append(reinterpret_cast<const char*>(pcm.data()), size);
  }
  return platform::WriteFileAtomically(path, bytes);
}

std::vector<uint8_t> Noise(size_t count) {
  std::vector<uint8_t> out(count);
  uint32_t x = 12345;
  for (auto& b : out) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
  return out;
}

// Written in output buffers as the render goes, the file is the one the whole PCM at once makes,
// cut at the frame limit; 8-bit samples are widened.
TEST(WavFileOutput, StreamsTheSameFileAsAWholeWrite) {
  struct Case {
    OutputFormat format;
    size_t bytes;
    uint64_t limit;
  };
  const Case cases[] = {
      {{44100, 2, 16}, 3 * kOutputBufferBytes + 100, UINT64_MAX},
      {{8000, 1, 8}, kOutputBufferBytes + 7, UINT64_MAX},
      {{22050, 2, 16}, 2 * kOutputBufferBytes, 10000},  // stops inside the second buffer
  };
  for (const Case& c : cases) {
    testing::TempFolder dir;
    const auto pcm = Noise(c.bytes);
    WavFileOutput file(dir.Path("streamed.wav"), c.limit);
    ASSERT_TRUE(file.Open(c.format, nullptr));
    for (size_t at = 0; at < pcm.size() && file.Position() < c.limit; at += kOutputBufferBytes) {
      ASSERT_TRUE(file.Write(std::span(pcm).subspan(at, std::min(kOutputBufferBytes, pcm.size() - at))));
    }
    ASSERT_EQ(file.Finish(), 0u);
    const size_t kept = std::min<size_t>(pcm.size() / c.format.BlockAlign(), c.limit) * c.format.BlockAlign();
    ASSERT_EQ(WriteWavFile(dir.Path("whole.wav"), c.format, std::span(pcm).first(kept)), 0u);
    EXPECT_EQ(dir.Read("streamed.wav"), dir.Read("whole.wav")) << c.format.sampleRate;
  }
}

// A render that never finishes (an error, Ctrl-C) leaves the old file as it was and no temporary one.
TEST(WavFileOutput, AnUnfinishedRenderKeepsTheOldFile) {
  testing::TempFolder dir;
  dir.Write("out.wav", "old contents");
  {
    WavFileOutput file(dir.Path("out.wav"));
    ASSERT_TRUE(file.Open({8000, 2, 16}, nullptr));
    ASSERT_TRUE(file.Write(Noise(4000)));
  }
  EXPECT_EQ(dir.Read("out.wav"), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Native("")), {}), 1);
  WavFileOutput nowhere(dir.Path("missing/out.wav"));
  EXPECT_FALSE(nowhere.Open({8000, 2, 16}, nullptr));
  EXPECT_NE(nowhere.Error(), 0u);
  EXPECT_NE(nowhere.Finish(), 0u);
}

}  // namespace
}  // namespace tarnq::player
