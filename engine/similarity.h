// SPDX-License-Identifier: GPL-3.0-or-later
// Similarity of two tag texts, measured by their longest common subsequence (LCS) of UTF-16 code
// units. No case folding happens here: callers upper-case both texts first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnq::engine {

// One text of at most 64 units prepared for many LCS computations against other texts (the pivot
// of a sort partition, the first member of a run). About 3 KiB; not thread-safe.
class LcsPattern {
 public:
  static constexpr size_t kMaxUnits = 64;
  // Prepares `pattern`; returns false (and holds the empty pattern) when it is longer than
  // kMaxUnits.
  bool Assign(std::u16string_view pattern);
  // LCS length of the pattern and `text` (any length).
  size_t Lcs(std::u16string_view text) const;
  size_t Size() const { return m_size; }

 private:
  uint64_t m_low[256] = {};
  char16_t m_highKeys[128] = {};  // 0 = free slot; keys are 256 or above
  uint64_t m_highMasks[128] = {};
  char16_t m_units[kMaxUnits] = {};
  size_t m_size = 0;
  bool m_anyHigh = false;
};

// Length of the longest common subsequence of `x` and `y`.
size_t LcsLength(std::u16string_view x, std::u16string_view y);

// LCS length divided by the length of `x`, in single precision; 0 when either text is empty.
float TextSimilarity(std::u16string_view x, std::u16string_view y);

// (round(100 * similarity of x to y) + round(100 * similarity of y to x)) >> 1, where round adds
// 0.5 in double precision and truncates. 0 to 100.
uint32_t SimilarityPercent(std::u16string_view x, std::u16string_view y);

// The same percentage from the lengths and an LCS length already known.
uint32_t SimilarityPercentFromLcs(size_t xLength, size_t yLength, size_t lcs);

}  // namespace tarnq::engine
