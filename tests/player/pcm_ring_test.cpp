// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/pcm_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

namespace tarnq::player {
namespace {

std::vector<uint8_t> Counting(size_t count, uint8_t first) {
  std::vector<uint8_t> out(count);
  std::iota(out.begin(), out.end(), first);
  return out;
}

// The device reads in pieces that do not match the buffers: it gets the buffers' bytes in the
// order written, whole frames only, and hears of each finished buffer.
TEST(PcmRing, DeliversBuffersInOrderAcrossReadsOfAnySize) {
  PcmRing ring;
  int done = 0;
  ring.Start(4, [&] { ++done; });
  const auto a = Counting(4000, 0), b = Counting(4002, 100);  // b ends in half a frame
  ASSERT_TRUE(ring.Write(a));
  ASSERT_TRUE(ring.Write(b));
  EXPECT_EQ(ring.FreeBuffers(), kOutputBufferCount - 2);
  std::vector<uint8_t> got, piece(1234);  // 308 frames and 2 bytes
  while (size_t n = ring.Read(piece)) {
    EXPECT_EQ(n % 4, 0u);
    got.insert(got.end(), piece.begin(), piece.begin() + static_cast<ptrdiff_t>(n));
  }
  std::vector<uint8_t> want = a;
  want.insert(want.end(), b.begin(), b.begin() + 4000);
  EXPECT_EQ(got, want);
  EXPECT_EQ(done, 2);
  EXPECT_TRUE(ring.IsEmpty());
  EXPECT_EQ(ring.FreeBuffers(), kOutputBufferCount);
}

TEST(PcmRing, RefusesMoreThanItsBuffers) {
  PcmRing ring;
  ring.Start(2, nullptr);
  const std::vector<uint8_t> full(kOutputBufferBytes, 7);
  for (size_t i = 0; i < kOutputBufferCount; ++i) ASSERT_TRUE(ring.Write(full)) << i;
  EXPECT_EQ(ring.FreeBuffers(), 0u);
  EXPECT_FALSE(ring.Write(full));
  EXPECT_FALSE(PcmRing().Write(full));  // never started
  ring.Start(2, nullptr);
  EXPECT_FALSE(ring.Write(std::vector<uint8_t>(kOutputBufferBytes + 2)));
}

// Pause keeps what is queued; Reset drops it all at once and the next buffer plays first.
TEST(PcmRing, PauseKeepsAndResetDropsTheQueue) {
  PcmRing ring;
  ring.Start(2, nullptr);
  std::vector<uint8_t> out(64);
  ASSERT_TRUE(ring.Write(Counting(32, 0)));
  ring.Pause(true);
  EXPECT_EQ(ring.Read(out), 0u);
  EXPECT_FALSE(ring.IsEmpty());
  ring.Pause(false);
  EXPECT_EQ(ring.Read(std::span(out).first(16)), 16u);
  ASSERT_TRUE(ring.Write(Counting(32, 50)));
  ring.Reset();
  EXPECT_TRUE(ring.IsEmpty());
  EXPECT_EQ(ring.FreeBuffers(), kOutputBufferCount);
  EXPECT_EQ(ring.Read(out), 0u);
  ASSERT_TRUE(ring.Write(Counting(8, 200)));
  ASSERT_EQ(ring.Read(out), 8u);
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 8), Counting(8, 200));
}

// The player thread writes and resets while the device's thread reads: every byte read belongs to
// a written buffer, in order within it (the buffers carry their number in every byte).
TEST(PcmRing, WritesAndResetsRaceWithTheDevice) {
  PcmRing ring;
  std::atomic<int> done = 0;
  ring.Start(1, [&] { ++done; });
  std::atomic<bool> stop = false;
  std::atomic<int> bad = 0;
  std::thread device([&] {
    std::vector<uint8_t> out(777);
    uint8_t last = 0;
    while (!stop) {
      const size_t n = ring.Read(out);
      for (size_t i = 0; i < n; ++i) {
        if (out[i] < last) ++bad;  // an older buffer after a newer one
        last = out[i];
      }
    }
  });
  for (int i = 1; i < 250; ++i) {
    while (!ring.Write(std::vector<uint8_t>(1000 + i, static_cast<uint8_t>(i)))) std::this_thread::yield();
    if (i % 17 == 0) ring.Reset();
  }
  while (!ring.IsEmpty()) std::this_thread::yield();
  stop = true;
  device.join();
  EXPECT_EQ(bad, 0);
  EXPECT_GT(done, 0);
}

}  // namespace
}  // namespace tarnq::player
