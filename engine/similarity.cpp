// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/similarity.h"
#include "platform/per_thread.h"

#include <algorithm>
#include <bit>
#include <type_traits>
#include <vector>

namespace tarnq::engine {
namespace {

// Bit-parallel LCS (Hyyrö's formulation of Allison-Dix): bit i of V stands for pattern unit i;
// each unit c of the other text updates V = (V + (V & M[c])) | (V & ~M[c]), where M[c] marks the
// pattern positions holding c. The LCS length is the number of zero bits left in V. This gives the
// same integer as the row-by-row table in n*m/64 word steps instead of n*m.
//
// The per-thread scratch holds the match masks: a direct table for units below 256 (the entries a
// call sets are cleared again before it returns) and a small open-addressing table for the rest.
struct LcsScratch {
  std::vector<uint64_t> low;        // 256 * words masks, all zero between calls
  std::vector<uint64_t> highMasks;  // slots * words
  std::vector<char16_t> highKeys;   // 0 = free slot (keys are 256 or above)
  std::vector<uint64_t> v;
  std::vector<uint64_t> zero;
};
thread_local platform::PerThread<LcsScratch> t_scratch;

thread_local LcsPattern t_pattern;

size_t LcsBitParallel(std::u16string_view pattern, std::u16string_view text) {
  LcsScratch& s = t_scratch.Get();
  const size_t n = pattern.size();
  const size_t words = (n + 63) / 64;
  if (s.low.size() < 256 * words) s.low.assign(256 * words, 0);

  size_t highUnits = 0;
  for (const char16_t c : pattern) highUnits += c >= 256 ? 1 : 0;
  size_t slots = 0;
  if (highUnits != 0) {
    slots = std::bit_ceil(2 * highUnits);
    s.highKeys.assign(slots, 0);
    s.highMasks.assign(slots * words, 0);
  }
  // The masks of unit c >= 256 in the high table (linear probing; at most half full).
  auto find = [&](char16_t c, bool insert) -> uint64_t* {
    size_t h = (static_cast<size_t>(c) * 0x9E37u) & (slots - 1);
    while (true) {
      if (s.highKeys[h] == c) return &s.highMasks[h * words];
      if (s.highKeys[h] == 0) {
        if (!insert) return nullptr;
        s.highKeys[h] = c;
        return &s.highMasks[h * words];
      }
      h = (h + 1) & (slots - 1);
    }
  };
  if (s.zero.size() < words) s.zero.assign(words, 0);

  for (size_t i = 0; i < n; ++i) {
    const char16_t c = pattern[i];
    const uint64_t bit = uint64_t{1} << (i % 64);
    if (c < 256) {
      s.low[c * words + i / 64] |= bit;
    } else {
      find(c, true)[i / 64] |= bit;
    }
  }

  s.v.assign(words, ~uint64_t{0});
  auto maskOf = [&](char16_t c) -> const uint64_t* {
    if (c < 256) return &s.low[c * words];
    const uint64_t* m = slots != 0 ? find(c, false) : nullptr;
    return m != nullptr ? m : s.zero.data();
  };
  // One step of V for every unit of the other text; the word count is fixed at compile time for
  // the usual sizes (texts of up to 256 units) so the carry chain stays in registers.
  auto run = [&]<size_t W>(std::integral_constant<size_t, W>) {
    uint64_t v[W];
    for (size_t w = 0; w < W; ++w) v[w] = ~uint64_t{0};
    for (const char16_t c : text) {
      const uint64_t* m = maskOf(c);
      uint64_t carry = 0;
      for (size_t w = 0; w < W; ++w) {
        const uint64_t u = v[w] & m[w];
        const uint64_t sum = v[w] + u;
        const uint64_t withCarry = sum + carry;
        carry = (sum < v[w]) || (withCarry < sum) ? 1 : 0;
        v[w] = withCarry | (v[w] & ~m[w]);
      }
    }
    std::copy(v, v + W, s.v.begin());
  };
  switch (words) {
    case 2:
      run(std::integral_constant<size_t, 2>{});
      break;
    case 3:
      run(std::integral_constant<size_t, 3>{});
      break;
    case 4:
      run(std::integral_constant<size_t, 4>{});
      break;
    default: {
      uint64_t* v = s.v.data();
      for (const char16_t c : text) {
        const uint64_t* m = maskOf(c);
        uint64_t carry = 0;
        for (size_t w = 0; w < words; ++w) {
          const uint64_t u = v[w] & m[w];
          const uint64_t sum = v[w] + u;
          const uint64_t withCarry = sum + carry;
          carry = (sum < v[w]) || (withCarry < sum) ? 1 : 0;
          v[w] = withCarry | (v[w] & ~m[w]);
        }
      }
    }
  }
  const uint64_t* v = s.v.data();

  size_t ones = 0;
  for (size_t w = 0; w < words; ++w) {
    uint64_t bits = v[w];
    if (w == words - 1 && n % 64 != 0) bits &= (uint64_t{1} << (n % 64)) - 1;
    ones += static_cast<size_t>(std::popcount(bits));
  }

  // Restore the all-zero invariant of the direct table.
  for (const char16_t c : pattern) {
    if (c < 256) std::fill_n(&s.low[c * words], words, 0);
  }
  return n - ones;
}

}  // namespace

// Masks of units below 256 sit in a direct table (only the pattern's own entries are set, and
// they are cleared on the next Assign), the others in a small open-addressing table.
bool LcsPattern::Assign(std::u16string_view pattern) {
  for (size_t i = 0; i < m_size; ++i) {
    if (m_units[i] < 256) m_low[m_units[i]] = 0;
  }
  if (m_anyHigh) std::fill(std::begin(m_highKeys), std::end(m_highKeys), char16_t{0});
  m_size = 0;
  m_anyHigh = false;
  if (pattern.size() > kMaxUnits) return false;
  m_size = pattern.size();
  for (size_t i = 0; i < m_size; ++i) {
    const char16_t c = pattern[i];
    m_units[i] = c;
    const uint64_t bit = uint64_t{1} << i;
    if (c < 256) {
      m_low[c] |= bit;
      continue;
    }
    m_anyHigh = true;
    size_t h = c & 127;
    while (m_highKeys[h] != 0 && m_highKeys[h] != c) h = (h + 1) & 127;  // never full: <= 64 keys
    if (m_highKeys[h] == 0) {
      m_highKeys[h] = c;
      m_highMasks[h] = 0;
    }
    m_highMasks[h] |= bit;
  }
  return true;
}

size_t LcsPattern::Lcs(std::u16string_view text) const {
  if (m_size == 0) return 0;
  uint64_t v = ~uint64_t{0};
  for (const char16_t c : text) {
    uint64_t m = 0;
    if (c < 256) {
      m = m_low[c];
    } else if (m_anyHigh) {
      size_t h = c & 127;
      while (m_highKeys[h] != 0 && m_highKeys[h] != c) h = (h + 1) & 127;
      m = m_highKeys[h] == c ? m_highMasks[h] : 0;
    }
    v = (v + (v & m)) | (v & ~m);
  }
  const uint64_t used = m_size == 64 ? ~uint64_t{0} : (uint64_t{1} << m_size) - 1;
  return m_size - static_cast<size_t>(std::popcount(v & used));
}

namespace {

uint32_t RoundedPercent(float ratio) {
  return static_cast<uint32_t>(static_cast<double>(ratio) * 100.0 + 0.5);
}

}  // namespace

size_t LcsLength(std::u16string_view x, std::u16string_view y) {
  if (x.empty() || y.empty()) return 0;
  // The shorter text is the bit pattern: fewer words per step.
  if (x.size() > y.size()) std::swap(x, y);
  if (x.size() <= LcsPattern::kMaxUnits) {
    LcsPattern& pattern = t_pattern;
    pattern.Assign(x);
    return pattern.Lcs(y);
  }
  return LcsBitParallel(x, y);
}

float TextSimilarity(std::u16string_view x, std::u16string_view y) {
  if (x.empty() || y.empty()) return 0.0f;
  return static_cast<float>(LcsLength(x, y)) / static_cast<float>(x.size());
}

uint32_t SimilarityPercentFromLcs(size_t xLength, size_t yLength, size_t lcs) {
  if (xLength == 0 || yLength == 0) return 0;
  const float d = static_cast<float>(lcs) / static_cast<float>(xLength);
  const float e = static_cast<float>(lcs) / static_cast<float>(yLength);
  return (RoundedPercent(d) + RoundedPercent(e)) >> 1;
}

uint32_t SimilarityPercent(std::u16string_view x, std::u16string_view y) {
  if (x.empty() || y.empty()) return 0;
  // Both directions share one LCS length, so it is computed once.
  return SimilarityPercentFromLcs(x.size(), y.size(), LcsLength(x, y));
}

}  // namespace tarnq::engine
