// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/packed_store.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/errors.h"

namespace tarnq::records {
namespace {

void* ZeroedAllocate(size_t bytes) { return std::calloc(1, bytes); }
void Free(void* block) { std::free(block); }

// Block k of the index holds 4096 << k slots; blocks 0..k-1 hold 4096 * (2^k - 1) together.
struct SlotPosition {
  size_t block;
  uint64_t offset;
};
SlotPosition Locate(uint64_t index) {
  const uint64_t q = index / PackedStore::kFirstIndexBlock + 1;
  const size_t block = static_cast<size_t>(std::bit_width(q) - 1);
  const uint64_t before = PackedStore::kFirstIndexBlock * ((uint64_t{1} << block) - 1);
  return {block, index - before};
}

}  // namespace

PackedStore::Allocator PackedStore::DefaultAllocator() { return {&ZeroedAllocate, &Free}; }

PackedStore::PackedStore(Releaser releaser, Allocator allocator)
    : m_releaser(releaser), m_allocator(allocator) {}

PackedStore::~PackedStore() { FreeAll(); }

std::atomic<std::byte*>& PackedStore::Slot(uint64_t index) const {
  const SlotPosition pos = Locate(index);
  return m_index[pos.block][pos.offset];
}

bool PackedStore::EnsureSlot(uint64_t index) {
  const SlotPosition pos = Locate(index);
  if (pos.block >= kMaxIndexBlocks) return false;
  if (m_index[pos.block] != nullptr) return true;
  const uint64_t slots = kFirstIndexBlock << pos.block;
  void* memory = m_allocator.allocate(slots * sizeof(std::atomic<std::byte*>));
  if (memory == nullptr) return false;
  auto* block = static_cast<std::atomic<std::byte*>*>(memory);
  for (uint64_t i = 0; i < slots; ++i) new (&block[i]) std::atomic<std::byte*>(nullptr);
  // Published to readers by the release store of the count that follows.
  m_index[pos.block] = block;
  return true;
}

std::byte* PackedStore::CopyIn(const void* record, size_t length) {
  if (m_chunks.empty() || m_chunks.back().capacity - m_chunkUsed < length) {
    // A record never spans chunks; a large one gets a chunk of exactly its size.
    const size_t step = m_chunks.empty() ? kFirstChunkBytes : kChunkBytes;
    const size_t capacity = length > step ? length : step;
    try {
      m_chunks.reserve(m_chunks.size() + 1);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    auto* data = static_cast<std::byte*>(m_allocator.allocate(capacity));
    if (data == nullptr) return nullptr;
    m_chunks.push_back({data, capacity});
    m_chunkUsed = 0;
    m_reservedBytes += capacity;
  }
  std::byte* target = m_chunks.back().data + m_chunkUsed;
  std::memcpy(target, record, length);
  m_chunkUsed += length;
  return target;
}

uint32_t PackedStore::Append(const void* record, size_t length) {
  if (record == nullptr || length == 0) return platform::err::kInvalidParameter;
  platform::StoreGuard guard(m_lock);
  const uint64_t count = m_count.load(std::memory_order_relaxed);
  if (!EnsureSlot(count)) return platform::err::kNotEnoughMemory;
  std::byte* copy = CopyIn(record, length);
  if (copy == nullptr) return platform::err::kNotEnoughMemory;
  Slot(count).store(copy, std::memory_order_relaxed);
  m_count.store(count + 1, std::memory_order_release);
  return platform::err::kSuccess;
}

uint64_t PackedStore::Insert(const void* record, size_t length, uint64_t position) {
  platform::StoreGuard guard(m_lock);
  if (Append(record, length) != platform::err::kSuccess) return kNoIndex;
  const uint64_t last = m_count.load(std::memory_order_relaxed) - 1;
  if (position >= last) return last;
  std::byte* inserted = Slot(last).load(std::memory_order_relaxed);
  for (uint64_t i = last; i > position; --i) {
    Slot(i).store(Slot(i - 1).load(std::memory_order_relaxed), std::memory_order_relaxed);
  }
  Slot(position).store(inserted, std::memory_order_release);
  return position;
}

std::byte* PackedStore::At(uint64_t i) const {
  if (i >= Count()) return nullptr;
  return Slot(i).load(std::memory_order_acquire);
}

void PackedStore::FreeAll() {
  const uint64_t count = m_count.load(std::memory_order_relaxed);
  if (m_releaser != nullptr) {
    for (uint64_t i = 0; i < count; ++i) m_releaser(Slot(i).load(std::memory_order_relaxed));
  }
  m_count.store(0, std::memory_order_release);
  for (auto& block : m_index) {
    if (block != nullptr) m_allocator.release(block);
    block = nullptr;
  }
  for (const Chunk& chunk : m_chunks) m_allocator.release(chunk.data);
  m_chunks.clear();
  m_chunks.shrink_to_fit();
  m_chunkUsed = 0;
  m_reservedBytes = 0;
}

void PackedStore::Clear() {
  platform::StoreGuard guard(m_lock);
  FreeAll();
}

}  // namespace tarnq::records
