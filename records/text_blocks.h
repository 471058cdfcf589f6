// SPDX-License-Identifier: GPL-3.0-or-later
// The owner of text blocks (AudioInfo texts) that packed records point at. Packed records hold a
// block's address only as a view; the store or list they live in keeps the blocks here, frees the
// block of a record it drops, and frees the rest when it is cleared or destroyed. So a record can
// be copied byte for byte (sorting, display order, hand-over) without two owners of one block.
//
// A flat open-addressing set of addresses: no allocation per block, constant time to add, find and
// remove. Not thread-safe: its store's writer uses it.
#pragma once

#include <cstddef>
#include <vector>

namespace tarnq::records {

class TextBlockSet {
 public:
  TextBlockSet() = default;
  ~TextBlockSet() { Clear(); }
  TextBlockSet(const TextBlockSet&) = delete;
  TextBlockSet& operator=(const TextBlockSet&) = delete;

  // Takes `block` over (null is ignored). False, and the block stays the caller's, when the set
  // cannot grow.
  bool Adopt(char* block);
  // Frees `block` when the set owns it; true then.
  bool Free(char* block);
  // Gives `block` back to the caller without freeing it; true when the set owned it.
  bool Disown(char* block);
  bool Owns(const char* block) const;
  size_t Size() const { return m_size; }
  // Frees every block.
  void Clear();

 private:
  size_t Find(const char* block) const;  // its slot, or the free slot where it would go
  void EraseSlot(size_t slot);
  bool Grow();

  std::vector<char*> m_slots;  // null = free; the size is a power of two
  size_t m_size = 0;
};

}  // namespace tarnq::records
