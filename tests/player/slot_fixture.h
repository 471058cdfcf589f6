// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the decoder slot tests: the committed fixtures, whole decodes, damaged copies.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "player/decoder_slot.h"
#include "temp_folder.h"

namespace tarnq::testing {

inline std::u16string DataPath(const std::string& name) {
  return platform::Utf8ToUtf16(std::string(TARNQ_TESTDATA) + name);
}

inline std::string DataBytes(const std::string& name) {
  std::string bytes;
  EXPECT_EQ(platform::ReadWholeFile(DataPath(name), bytes), 0u) << name;
  return bytes;
}

// Everything the slot delivers from here on, in reads of `chunk` bytes; stops after `limit` bytes
// (a decoder that never ends fails the caller's check instead of hanging the test). `ended`, when
// given, tells whether the slot said its data was over.
inline std::vector<uint8_t> ReadRest(player::DecoderSlot& slot, size_t chunk = 32768, size_t limit = 64 << 20,
                                     bool* ended = nullptr) {
  std::vector<uint8_t> all, buffer(chunk);
  bool more = true;
  for (int idle = 0; more && all.size() < limit && idle < 16;) {
    const size_t n = slot.Read(buffer, more);
    idle = n == 0 ? idle + 1 : 0;
    all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(n));
  }
  if (ended != nullptr) *ended = !more;
  return all;
}

// Opens and reads each damaged copy of `good` (cut short, overwritten in the middle, and the
// analysis fuzz corpus): the slot either refuses it with a message or delivers a bounded stream.
inline void ExpectDamageIsHarmless(player::DecoderSlot& slot, const std::string& good, const std::string& name) {
  std::vector<std::pair<std::string, std::string>> cases;
  for (size_t cut : {size_t{0}, size_t{4}, size_t{40}, size_t{300}, good.size() / 3, good.size() / 2, good.size() - 1}) {
    cases.emplace_back("cut at " + std::to_string(cut), good.substr(0, cut));
  }
  std::string noise = good;
  for (size_t i = noise.size() / 3; i < noise.size() * 2 / 3; i += 7) noise[i] = static_cast<char>(i * 131);
  cases.emplace_back("overwritten middle", noise);
  std::string ones = good;
  for (size_t i = ones.size() / 4; i < ones.size(); i += 97) ones[i] = '\xFF';
  cases.emplace_back("FF bytes spread", ones);
  const std::string fuzz = "fuzz/ogg-resync-in-drained-pages.ogg";
  cases.emplace_back(fuzz, DataBytes(fuzz));
  TempFolder dir;
  for (const auto& [what, bytes] : cases) {
    dir.Write(name, bytes);
    player::OpenedStream stream;
    std::string error;
    if (slot.Open(dir.Path(name), stream, error) != 0) {
      EXPECT_FALSE(error.empty()) << what;
      continue;
    }
    const size_t frameBytes = stream.format.BytesPerFrame();
    ASSERT_GT(frameBytes, 0u) << what;
    // No more than the whole file holds, however it is damaged (plus one block of slack).
    const size_t bound = (std::max<uint64_t>(stream.format.lengthFrames, 1) + 65536) * frameBytes;
    const std::vector<uint8_t> pcm = ReadRest(slot, 4096, bound + 1);
    EXPECT_LE(pcm.size(), bound) << what;
    EXPECT_EQ(pcm.size() % frameBytes, 0u) << what;
    slot.Close();
  }
}

}  // namespace tarnq::testing
