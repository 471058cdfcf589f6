// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/av_slot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/text.h"
#include "slot_fixture.h"
#include "temp_folder.h"

namespace tarnq::player {
namespace {

using testing::DataBytes;
using testing::DataPath;

// Everything the slot delivers, in odd-sized reads; the slot must say where its data ends.
std::vector<uint8_t> ReadAll(DecoderSlot& slot, size_t chunk = 1001) {
  bool ended = false;
  std::vector<uint8_t> all = testing::ReadRest(slot, chunk, size_t{64} << 20, &ended);
  EXPECT_TRUE(ended) << "the slot never ended its data";
  return all;
}

struct FixtureCase {
  const char* name;
  AvSlot::Kind kind;
  uint32_t rate;
  uint16_t channels;
  SampleType type;
  uint64_t lengthFrames;   // MP4: the container's exact length; 0 for WMA (its header's is not exact)
  uint64_t decodedFrames;  // what a reference decode of the file gives
  const char16_t* formatName;
};

constexpr AvSlot::Kind kWma = AvSlot::Kind::kWma;
constexpr AvSlot::Kind kMp4 = AvSlot::Kind::kMp4;

const FixtureCase kFixtures[] = {
    {"tagged.wma", kWma, 44100, 1, SampleType::kFloat, 0, 43008, u"WMA"},
    {"lowrate.wma", kWma, 22050, 1, SampleType::kFloat, 0, 25600, u"WMA"},
    {"tracknumber.wma", kWma, 44100, 1, SampleType::kFloat, 0, 20480, u"WMA"},
    {"alac.m4a", kMp4, 44100, 1, SampleType::kInteger, 13230, 13230, nullptr},
    {"same-song-alac.m4a", kMp4, 8000, 1, SampleType::kInteger, 8000, 8000, nullptr},
    {"same-song-aac.m4a", kMp4, 22050, 1, SampleType::kFloat, 22050, 22050, nullptr},
    {"tagged.m4a", kMp4, 44100, 1, SampleType::kFloat, 44100, 44100, nullptr},
    {"six-channels.m4a", kMp4, 8000, 6, SampleType::kInteger, 2000, 2000, nullptr},
};

// Format, length, the bytes delivered and the position at the end; WMA cannot seek.
TEST(AvSlot, DecodesEachFixtureToItsLength) {
  for (const FixtureCase& f : kFixtures) {
    SCOPED_TRACE(f.name);
    AvSlot slot(f.kind);
    EXPECT_GE(slot.FileLength(DataPath(f.name)), 1u);
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(DataPath(f.name), stream, error), 0u) << error;
    EXPECT_EQ(stream.format.sampleRate, f.rate);
    EXPECT_EQ(stream.format.channels, f.channels);
    EXPECT_EQ(stream.format.sampleType, f.type);
    EXPECT_TRUE(IsPlayableFormat(stream.format));
    if (f.lengthFrames != 0) {
      EXPECT_EQ(stream.format.lengthFrames, f.lengthFrames);
    }
    EXPECT_FALSE(stream.tag.formatName.Empty());
    if (f.formatName != nullptr) {
      EXPECT_EQ(stream.tag.formatName.View(), f.formatName);
    }
    EXPECT_EQ(stream.tag.sampleRate, f.rate);
    const std::vector<uint8_t> pcm = ReadAll(slot);
    EXPECT_EQ(pcm.size(), f.decodedFrames * stream.format.BytesPerFrame());
    EXPECT_EQ(slot.Position(), f.decodedFrames);
    EXPECT_EQ(slot.CanSeek(), f.kind == kMp4);
    if (f.kind == kWma) {
      EXPECT_FALSE(slot.Seek(1, 2));
    }
    slot.Close();
    bool more = true;
    std::vector<uint8_t> buffer(64);
    EXPECT_EQ(slot.Read(buffer, more), 0u);
    EXPECT_FALSE(more);
  }
}

// Planar samples of every channel land in their own place of each interleaved frame: the fixture's
// channels are one tone at levels 1, 1/2, 1/4, 1/8, 3/4 and 0.6.
TEST(AvSlot, InterleavesPlanarChannels) {
  AvSlot slot(kMp4);
  OpenedStream stream;
  std::string error;
  ASSERT_EQ(slot.Open(DataPath("six-channels.m4a"), stream, error), 0u) << error;
  const std::vector<uint8_t> pcm = ReadAll(slot);
  ASSERT_EQ(stream.format.bitsPerSample, 16);
  const double levels[6] = {1, 0.5, 0.25, 0.125, 0.75, 0.6};
  double peak[6] = {};
  for (size_t at = 0; at + 12 <= pcm.size(); at += 12) {
    for (int c = 0; c < 6; ++c) {
      int16_t s;
      std::memcpy(&s, pcm.data() + at + 2 * c, 2);
      peak[c] = std::max(peak[c], std::abs(static_cast<double>(s)));
    }
  }
  ASSERT_GT(peak[0], 1000);
  for (int c = 1; c < 6; ++c) EXPECT_NEAR(peak[c] / peak[0], levels[c], 0.01) << "channel " << c;
}

// A seek lands on the exact frame: the position says so, the rest of the stream is delivered, and
// (for the lossless files) its samples are the ones a decode from the start has there.
TEST(AvSlot, Mp4SeekLandsOnTheTargetFrame) {
  for (const FixtureCase& f : kFixtures) {
    if (f.kind != kMp4) continue;
    SCOPED_TRACE(f.name);
    AvSlot slot(f.kind);
    OpenedStream stream;
    std::string error;
    ASSERT_EQ(slot.Open(DataPath(f.name), stream, error), 0u) << error;
    const std::vector<uint8_t> whole = ReadAll(slot);
    const size_t frame = stream.format.BytesPerFrame();
    const struct {
      uint64_t n, d;
    } fractions[] = {{1, 4}, {1, 2}, {9, 10}, {0, 1}, {1, 1}, {7, 3}};
    for (const auto& q : fractions) {
      SCOPED_TRACE(std::to_string(q.n) + "/" + std::to_string(q.d));
      const uint64_t target = q.n >= q.d ? f.lengthFrames : q.n * f.lengthFrames / q.d;
      ASSERT_TRUE(slot.Seek(q.n, q.d));
      EXPECT_EQ(slot.Position(), target);
      const std::vector<uint8_t> rest = ReadAll(slot, 4096);
      ASSERT_EQ(rest.size(), (f.lengthFrames - target) * frame);
      if (f.type == SampleType::kInteger) {
        EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.begin() + static_cast<ptrdiff_t>(target * frame)));
      } else {
        // The lossy decoder starts early enough to have its overlap at the target: the samples
        // agree with the decode from the start up to rounding.
        const float* a = reinterpret_cast<const float*>(rest.data());
        const float* b = reinterpret_cast<const float*>(whole.data()) + target * f.channels;
        double worst = 0;
        for (size_t i = 0; i < rest.size() / sizeof(float); ++i) worst = std::max(worst, double{std::abs(a[i] - b[i])});
        EXPECT_LT(worst, 0.001);
      }
    }
    EXPECT_FALSE(slot.Seek(1, 0));
  }
}

uint32_t Be32(const std::string& s, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(s[at]) << 24 | static_cast<uint8_t>(s[at + 1]) << 16 |
                               static_cast<uint8_t>(s[at + 2]) << 8 | static_cast<uint8_t>(s[at + 3]));
}

// The fixture laid out for streaming ("ftyp", "moov", then "mdat" with its chunk offsets moved),
// so that cutting it short loses samples, not the header.
std::string MoovFirst(const std::string& file) {
  std::string head, moov, rest;
  for (size_t at = 0; at + 8 <= file.size();) {
    const size_t size = Be32(file, at);
    const std::string box = file.substr(at, size);
    const std::string type = file.substr(at + 4, 4);
    (type == "moov" ? moov : type == "ftyp" ? head : rest) += box;
    at += size;
  }
  const size_t stco = moov.find("stco");
  const uint32_t entries = Be32(moov, stco + 8);
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t at = stco + 12 + 4 * i;
    const uint32_t offset = Be32(moov, at) + static_cast<uint32_t>(moov.size());
    for (int b = 0; b < 4; ++b) moov[at + b] = static_cast<char>(offset >> (24 - 8 * b));
  }
  return head + moov + rest;
}

// Damaged and foreign files: refused with a reason, or played up to the damage; never a hang.
TEST(AvSlot, RefusesOrEndsHostileFiles) {
  const std::string aac = MoovFirst(DataBytes("tagged.m4a"));
  const std::string alac = MoovFirst(DataBytes("alac.m4a"));
  const std::string wma = DataBytes("tagged.wma");
  std::string scrambled = aac;
  for (size_t i = scrambled.size() / 3; i < scrambled.size(); i += 7) scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
  struct Case {
    const char* name;
    const char* file;
    AvSlot::Kind kind;
    std::string bytes;
    bool opens;
    size_t minFrames = 0;  // what must still play when it opens
  } cases[] = {
      {"empty", "e.m4a", kMp4, "", false},
      {"text renamed", "notes.m4a", kMp4, "just some words, no movie\n", false},
      {"text renamed", "notes.wma", kWma, "just some words, no movie\n", false},
      {"WMA named .m4a", "w.m4a", kMp4, wma, false},
      {"MP4 named .wma", "m.wma", kWma, aac, false},
      {"no sound", "v.m4v", kMp4, DataBytes("video-only.m4v"), false},
      {"cut in the header", "h.wma", kWma, wma.substr(0, 300), false},
      {"header at the end, cut off", "c.m4a", kMp4, DataBytes("tagged.m4a").substr(0, 3000), false},
      {"AAC cut in its samples", "a.m4a", kMp4, aac.substr(0, aac.size() * 2 / 3), true, 10000},
      {"ALAC cut in its samples", "l.m4a", kMp4, alac.substr(0, alac.size() * 2 / 3), true, 4096},
      {"ALAC cut after the header", "k.m4a", kMp4, alac.substr(0, alac.find("mdat") + 4), true},
      {"WMA cut in half", "w.wma", kWma, wma.substr(0, wma.size() / 2), true, 10000},
      {"AAC scrambled after the header", "s.m4a", kMp4, scrambled, true},
  };
  testing::TempFolder dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write(c.file, c.bytes);
    AvSlot slot(c.kind);
    OpenedStream stream;
    std::string error;
    const uint32_t code = slot.Open(dir.Path(c.file), stream, error);
    ASSERT_EQ(code == 0, c.opens) << error;
    if (code != 0) {
      EXPECT_FALSE(error.empty());
      EXPECT_EQ(slot.FileLength(dir.Path(c.file)), 0u);
      continue;
    }
    const std::vector<uint8_t> pcm = ReadAll(slot);
    EXPECT_GE(pcm.size(), c.minFrames * stream.format.BytesPerFrame());
    if (stream.format.lengthFrames != 0) {
      EXPECT_LE(pcm.size(), stream.format.lengthFrames * stream.format.BytesPerFrame());
    }
    if (slot.CanSeek()) {
      ASSERT_TRUE(slot.Seek(1, 3));
      ReadAll(slot);
    }
  }
  AvSlot slot(kMp4);
  OpenedStream stream;
  std::string error;
  EXPECT_NE(slot.Open(dir.Path("missing.m4a"), stream, error), 0u);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tarnq::player
