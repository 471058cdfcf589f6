// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/text_blocks.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace tarnq::records {
namespace {

size_t Hash(const char* block) {
  // Blocks come from malloc: the low bits carry little; mix the whole address.
  auto x = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(block));
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDULL;
  x ^= x >> 33;
  return static_cast<size_t>(x);
}

}  // namespace

size_t TextBlockSet::Find(const char* block) const {
  const size_t mask = m_slots.size() - 1;
  size_t slot = Hash(block) & mask;
  while (m_slots[slot] != nullptr && m_slots[slot] != block) slot = (slot + 1) & mask;
  return slot;
}

bool TextBlockSet::Grow() {
  std::vector<char*> old;
  try {
    old.assign(m_slots.empty() ? 64 : m_slots.size() * 2, nullptr);
  } catch (const std::bad_alloc&) {
    return false;
  }
  old.swap(m_slots);
  for (char* block : old)
    if (block != nullptr) m_slots[Find(block)] = block;
  return true;
}

bool TextBlockSet::Adopt(char* block) {
  if (block == nullptr) return true;
  // At most half full, so probes stay short.
  if (2 * (m_size + 1) > m_slots.size() && !Grow()) return false;
  const size_t slot = Find(block);
  if (m_slots[slot] == nullptr) {
    m_slots[slot] = block;
    ++m_size;
  }
  return true;
}

bool TextBlockSet::Owns(const char* block) const {
  return block != nullptr && m_size != 0 && m_slots[Find(block)] == block;
}

void TextBlockSet::EraseSlot(size_t slot) {
  // Backward-shift deletion: the entries after the hole move up when their home allows it, so
  // lookups never need tombstones.
  const size_t mask = m_slots.size() - 1;
  m_slots[slot] = nullptr;
  --m_size;
  size_t hole = slot;
  for (size_t next = (slot + 1) & mask; m_slots[next] != nullptr; next = (next + 1) & mask) {
    const size_t home = Hash(m_slots[next]) & mask;
    // Move the entry into the hole when its home is not in (hole, next].
    const bool between = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
    if (!between) {
      m_slots[hole] = m_slots[next];
      m_slots[next] = nullptr;
      hole = next;
    }
  }
}

bool TextBlockSet::Disown(char* block) {
  if (!Owns(block)) return false;
  EraseSlot(Find(block));
  return true;
}

bool TextBlockSet::Free(char* block) {
  if (!Disown(block)) return false;
  std::free(block);
  return true;
}

void TextBlockSet::Clear() {
  for (char*& block : m_slots) {
    std::free(block);
    block = nullptr;
  }
  m_size = 0;
}

}  // namespace tarnq::records
