// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/packed_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "records/found_file.h"

namespace tarnq::records {
namespace {

// A record of `length` bytes whose first field is its length (as every packed record's) and whose
// bytes after it repeat `fill`.
std::vector<std::byte> Record(uint16_t length, unsigned char fill) {
  std::vector<std::byte> bytes(length, std::byte{fill});
  std::memcpy(bytes.data(), &length, 2);
  return bytes;
}

uint16_t LengthOf(const std::byte* record) {
  uint16_t length;
  std::memcpy(&length, record, 2);
  return length;
}

TEST(PackedStore, AppendsAndFindsRecordsInOrder) {
  PackedStore store;
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_EQ(store.At(0), nullptr);
  for (unsigned i = 0; i < 10000; ++i) {
    const auto record = Record(static_cast<uint16_t>(3 + i % 200), static_cast<unsigned char>(i));
    ASSERT_EQ(store.Append(record.data(), record.size()), 0u);
  }
  ASSERT_EQ(store.Count(), 10000u);
  for (unsigned i = 0; i < 10000; ++i) {
    const std::byte* record = store.At(i);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(LengthOf(record), 3 + i % 200);
    ASSERT_EQ(record[2], std::byte{static_cast<unsigned char>(i)});
  }
  EXPECT_EQ(store.At(10000), nullptr);
  EXPECT_EQ(store.At(PackedStore::kNoIndex), nullptr);
  EXPECT_EQ(store.Append(nullptr, 4), 87u);
  const auto record = Record(4, 1);
  EXPECT_EQ(store.Append(record.data(), 0), 87u);
  EXPECT_EQ(store.Count(), 10000u);
}

TEST(PackedStore, GrowsInChunksAndNeverMovesARecord) {
  PackedStore store;
  const auto small = Record(100, 7);
  ASSERT_EQ(store.Append(small.data(), small.size()), 0u);
  EXPECT_EQ(store.ReservedBytes(), PackedStore::kFirstChunkBytes);
  const std::byte* first = store.At(0);
  // Enough records to need many chunks and several index blocks.
  for (int i = 0; i < 40000; ++i) ASSERT_EQ(store.Append(small.data(), small.size()), 0u);
  EXPECT_EQ(store.At(0), first);
  EXPECT_EQ(store.ReservedBytes(), PackedStore::kFirstChunkBytes + 4 * PackedStore::kChunkBytes);

  // A first record larger than the first chunk gets a chunk of exactly its size.
  PackedStore big;
  const auto large = Record(20000, 3);
  ASSERT_EQ(big.Append(large.data(), large.size()), 0u);
  EXPECT_EQ(big.ReservedBytes(), 20000u);
}

TEST(PackedStore, InsertMovesOnlyTheIndex) {
  PackedStore store;
  const auto a = Record(4, 'a');
  const auto b = Record(4, 'b');
  const auto c = Record(4, 'c');
  const auto d = Record(4, 'd');
  EXPECT_EQ(store.Insert(a.data(), a.size(), PackedStore::kNoIndex), 0u);
  EXPECT_EQ(store.Insert(b.data(), b.size(), 0), 0u);
  EXPECT_EQ(store.Insert(c.data(), c.size(), 1), 1u);
  EXPECT_EQ(store.Insert(d.data(), d.size(), 99), 3u);
  std::string order;
  for (uint64_t i = 0; i < store.Count(); ++i) order += static_cast<char>(store.At(i)[2]);
  EXPECT_EQ(order, "bcad");
  EXPECT_EQ(store.Insert(nullptr, 4, 0), PackedStore::kNoIndex);
}

// An allocator that fails on demand.
std::atomic<bool> g_failAllocations{false};
void* MaybeAllocate(size_t bytes) { return g_failAllocations ? nullptr : std::calloc(1, bytes); }
void FreeBlock(void* block) { std::free(block); }

TEST(PackedStore, AllocationFailureIsReportedAndKeepsTheStore) {
  PackedStore store(nullptr, {&MaybeAllocate, &FreeBlock});
  const auto record = Record(1000, 5);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(store.Append(record.data(), record.size()), 0u);
  g_failAllocations = true;
  EXPECT_EQ(store.Append(record.data(), record.size()), 8u);  // the first chunk is full
  EXPECT_EQ(store.Insert(record.data(), record.size(), 0), PackedStore::kNoIndex);
  g_failAllocations = false;
  ASSERT_EQ(store.Count(), 16u);
  for (uint64_t i = 0; i < 16; ++i) ASSERT_EQ(LengthOf(store.At(i)), 1000);
  EXPECT_EQ(store.Append(record.data(), record.size()), 0u);
  EXPECT_EQ(store.Count(), 17u);

  PackedStore empty(nullptr, {&MaybeAllocate, &FreeBlock});
  g_failAllocations = true;
  EXPECT_EQ(empty.Append(record.data(), record.size()), 8u);
  g_failAllocations = false;
  EXPECT_EQ(empty.Count(), 0u);
}

TEST(PackedStore, AppendWaitsForABusyLockInsteadOfSkipping) {
  PackedStore store;
  std::atomic<bool> locked{false};
  std::thread holder([&] {
    store.Lock().Lock();
    locked = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    store.Lock().Unlock();
  });
  while (!locked) std::this_thread::yield();
  const auto record = Record(10, 1);
  EXPECT_EQ(store.Append(record.data(), record.size()), 0u);  // well past 50 ms
  holder.join();
  EXPECT_EQ(store.Count(), 1u);
}

TEST(PackedStore, ReadersOnAnotherThreadSeeStableRecordsWhileItGrows) {
  PackedStore store;
  constexpr unsigned kRecords = 200000;
  std::atomic<bool> done{false};
  std::atomic<uint64_t> mismatches{0};
  std::thread reader([&] {
    uint64_t seen = 0;
    while (!done || seen < store.Count()) {
      const uint64_t count = store.Count();
      for (; seen < count; ++seen) {
        const std::byte* record = store.At(seen);
        if (record == nullptr || LengthOf(record) != 8 + seen % 50 ||
            record[2] != std::byte{static_cast<unsigned char>(seen)}) {
          ++mismatches;
        }
      }
    }
  });
  for (unsigned i = 0; i < kRecords; ++i) {
    const auto record = Record(static_cast<uint16_t>(8 + i % 50), static_cast<unsigned char>(i));
    ASSERT_EQ(store.Append(record.data(), record.size()), 0u);
  }
  done = true;
  reader.join();
  EXPECT_EQ(mismatches, 0u);
}

int g_released = 0;
void CountRelease(std::byte*) { ++g_released; }

TEST(PackedStore, ClearAndDestructionReleaseEveryRecord) {
  g_released = 0;
  {
    PackedStore store(&CountRelease);
    const auto record = Record(6, 0);
    for (int i = 0; i < 5; ++i) store.Append(record.data(), record.size());
    store.Clear();
    EXPECT_EQ(g_released, 5);
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_EQ(store.At(0), nullptr);
    for (int i = 0; i < 3; ++i) store.Append(record.data(), record.size());
    EXPECT_EQ(store.Count(), 3u);
  }
  EXPECT_EQ(g_released, 8);
}

TEST(PackedStore, AStoreOfFoundFilesFreesTheirTextBlocks) {
  // Run under AddressSanitizer: a block left behind shows up as a leak.
  FoundFileStore store;
  std::vector<std::byte> bytes;
  for (int i = 0; i < 100; ++i) {
    AudioInfo info;
    ASSERT_TRUE(info.SetTexts({u"MP3", u"", u"Title", u"Artist", u"", u""}));
    ASSERT_TRUE(EncodeFoundFile({}, info, u"song.mp3", bytes));
    ASSERT_EQ(store.Append(bytes.data(), bytes.size()), 0u);
  }
  EXPECT_EQ(FoundFile(store.At(99)).Info().GetText(kTextArtist), u"Artist");
}

}  // namespace
}  // namespace tarnq::records
