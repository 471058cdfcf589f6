// SPDX-License-Identifier: GPL-3.0-or-later
// A growable store of variable-length packed records (found files, result rows, folders).
//
// Records never move once appended: they live in chunks that are never reallocated, and the index
// of record pointers grows by adding blocks, never by copying. So a reader on another thread may
// call Count() and At(i) while one thread appends, without a lock, and a pointer from At() stays
// valid until Clear() or destruction. Insert() reorders the index under the lock; readers that may
// run while someone inserts take Lock() around their reads.
//
// Appends wait for the lock (no change is ever skipped because the lock was busy).
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/threads.h"

namespace tarnq::records {

// Fields of packed records sit at any alignment: they are read and written byte-wise.
template <class T>
T LoadPacked(const std::byte* record, size_t offset) {
  T value;
  std::memcpy(&value, record + offset, sizeof(T));
  return value;
}
template <class T>
void StorePacked(std::byte* record, size_t offset, const T& value) {
  std::memcpy(record + offset, &value, sizeof(T));
}

class PackedStore {
 public:
  // Frees what a record owns (for example its text block); called for every record by Clear().
  using Releaser = void (*)(std::byte* record);
  // Where the chunks and index blocks come from; allocate returns zeroed memory or null.
  struct Allocator {
    void* (*allocate)(size_t bytes);
    void (*release)(void* block);
  };
  static Allocator DefaultAllocator();

  static constexpr size_t kFirstChunkBytes = 16384;
  static constexpr size_t kChunkBytes = 1048576;
  static constexpr uint64_t kFirstIndexBlock = 4096;  // slots; each later block doubles
  static constexpr uint64_t kNoIndex = ~uint64_t{0};

  explicit PackedStore(Releaser releaser = nullptr, Allocator allocator = DefaultAllocator());
  ~PackedStore();
  PackedStore(const PackedStore&) = delete;
  PackedStore& operator=(const PackedStore&) = delete;

  // Copies `length` bytes of `record` to the end. Returns 0, or 87 (invalid parameter) for an
  // empty record, or 8 (not enough memory) when a chunk or index block cannot be allocated; on
  // failure the store is unchanged.
  uint32_t Append(const void* record, size_t length);
  // Appends, then moves the new record to index `position` (later records shift up by one);
  // kNoIndex or any position at or past the end keeps it last. Returns its index, or kNoIndex on
  // failure.
  uint64_t Insert(const void* record, size_t length, uint64_t position);

  uint64_t Count() const { return m_count.load(std::memory_order_acquire); }
  // Record i, or null when i is out of range.
  std::byte* At(uint64_t i) const;
  // Releases every record, frees all memory. The store can be used again afterwards.
  void Clear();

  // Bytes of the chunks allocated so far (records plus unused tails).
  uint64_t ReservedBytes() const { return m_reservedBytes; }
  platform::StoreLock& Lock() { return m_lock; }

 private:
  struct Chunk {
    std::byte* data;
    size_t capacity;
  };
  static constexpr size_t kMaxIndexBlocks = 40;

  std::byte* CopyIn(const void* record, size_t length);
  bool EnsureSlot(uint64_t index);
  std::atomic<std::byte*>& Slot(uint64_t index) const;
  void FreeAll();

  Releaser m_releaser;
  Allocator m_allocator;
  platform::StoreLock m_lock;
  std::vector<Chunk> m_chunks;  // writer side only, under the lock
  size_t m_chunkUsed = 0;        // bytes used in the last chunk
  uint64_t m_reservedBytes = 0;
  std::array<std::atomic<std::byte*>*, kMaxIndexBlocks> m_index{};  // block k: 4096 << k slots
  std::atomic<uint64_t> m_count{0};
};

}  // namespace tarnq::records
