// Similarity of two tag texts, measured by their longest common subsequence (LCS) of UTF-16 code
// units. No case folding happens here: callers upper-case both texts first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnq::engine {

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
