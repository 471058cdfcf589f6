// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/safe_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

namespace tarnq::engine {
namespace {

int Three(int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); }

TEST(QuickSort, SortsLikeStdSortForProperOrderings) {
  std::mt19937 random(1);
  for (const size_t n : {0, 1, 2, 3, 16, 17, 100, 129, 1000, 100000}) {
    for (const int distinct : {2, 50, 1 << 30}) {
      std::vector<int> values(n);
      for (int& v : values) v = static_cast<int>(random() % distinct);
      std::vector<int> expected = values;
      std::sort(expected.begin(), expected.end());
      QuickSort(std::span<int>(values), Three);
      ASSERT_EQ(values, expected) << n << " " << distinct;
      // Already sorted and reversed input.
      QuickSort(std::span<int>(values), Three);
      ASSERT_EQ(values, expected);
      std::reverse(values.begin(), values.end());
      QuickSort(std::span<int>(values), Three);
      ASSERT_EQ(values, expected);
    }
  }
}

// Sorting with a comparator that is no ordering at all must end, stay inside the array (checked
// by AddressSanitizer) and keep every element exactly once.
void ExpectPermutationAndBound(size_t n, const std::function<int(int, int)>& compare) {
  std::vector<int> values(n);
  std::iota(values.begin(), values.end(), 0);
  uint64_t calls = 0;
  QuickSort(std::span<int>(values), [&](int a, int b) {
    ++calls;
    return compare(a, b);
  });
  std::vector<int> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  for (size_t i = 0; i < n; ++i) ASSERT_EQ(sorted[i], static_cast<int>(i));
  // O(n log n) even when every partition is lopsided (the heap sort takes over).
  const double bound = 40.0 * static_cast<double>(n) * std::log2(static_cast<double>(n) + 2.0);
  EXPECT_LT(static_cast<double>(calls), bound) << n;
}

TEST(QuickSort, SurvivesComparatorsThatAreNoOrdering) {
  std::mt19937 random(99);
  for (const size_t n : {2, 5, 17, 200, 5000, 200000}) {
    ExpectPermutationAndBound(n, [&](int, int) { return static_cast<int>(random() % 3) - 1; });
    ExpectPermutationAndBound(n, [](int, int) { return -1; });
    ExpectPermutationAndBound(n, [](int, int) { return 1; });
    ExpectPermutationAndBound(n, [](int, int) { return 0; });
    // Non-transitive: "equal" within a window, as a duration tolerance makes it.
    ExpectPermutationAndBound(n, [](int a, int b) { return std::abs(a - b) <= 3 ? 0 : Three(a % 97, b % 97); });
  }
}

}  // namespace
}  // namespace tarnq::engine
