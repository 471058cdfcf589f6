// SPDX-License-Identifier: GPL-3.0-or-later
// An unstable quick sort that stays safe when the comparison is not a strict weak ordering (the
// duplicate orderings are not: a similarity or a duration tolerance is not transitive). Every loop
// moves a bounded index one way, every partition excludes its pivot, and past a depth of about
// 2 log2(n) the range is heap-sorted, so any comparator, even a random one, ends in O(n log n)
// comparisons without reading outside the range. std::sort gives no such promise.
#pragma once

#include <bit>
#include <cstddef>
#include <span>
#include <utility>

namespace tarnq::engine {

namespace safe_sort_detail {

inline constexpr size_t kInsertionLimit = 16;

// Insertion sort of a[lo, hi): j never passes lo, whatever the comparator says.
template <class T, class Compare>
void InsertionSort(T* a, size_t lo, size_t hi, Compare& compare) {
  for (size_t i = lo + 1; i < hi; ++i) {
    T value = std::move(a[i]);
    size_t j = i;
    while (j > lo && compare(value, a[j - 1]) < 0) {
      a[j] = std::move(a[j - 1]);
      --j;
    }
    a[j] = std::move(value);
  }
}

template <class T, class Compare>
void SiftDown(T* a, size_t root, size_t n, Compare& compare) {
  while (true) {
    size_t child = 2 * root + 1;
    if (child >= n) return;
    if (child + 1 < n && compare(a[child], a[child + 1]) < 0) ++child;
    if (!(compare(a[root], a[child]) < 0)) return;
    std::swap(a[root], a[child]);
    root = child;
  }
}

template <class T, class Compare>
void HeapSort(T* a, size_t n, Compare& compare) {
  for (size_t i = n / 2; i > 0; --i) SiftDown(a, i - 1, n, compare);
  for (size_t end = n; end > 1; --end) {
    std::swap(a[0], a[end - 1]);
    SiftDown(a, 0, end - 1, compare);
  }
}

// Index of the median of a[i], a[j], a[k] by the comparator (some index of the three, always).
template <class T, class Compare>
size_t Median3(T* a, size_t i, size_t j, size_t k, Compare& compare) {
  if (compare(a[i], a[j]) < 0) {
    if (compare(a[j], a[k]) < 0) return j;
    return compare(a[i], a[k]) < 0 ? k : i;
  }
  if (compare(a[i], a[k]) < 0) return i;
  return compare(a[j], a[k]) < 0 ? k : j;
}

template <class T, class Compare>
void Sort(T* a, size_t lo, size_t hi, unsigned depth, Compare& compare) {
  while (hi - lo > kInsertionLimit) {
    if (depth == 0) {
      HeapSort(a + lo, hi - lo, compare);
      return;
    }
    --depth;
    const size_t n = hi - lo;
    const size_t mid = lo + n / 2;
    size_t p;
    if (n > 128) {
      const size_t s = n / 8;
      p = Median3(a, Median3(a, lo, lo + s, lo + 2 * s, compare),
                  Median3(a, mid - s, mid, mid + s, compare),
                  Median3(a, hi - 1 - 2 * s, hi - 1 - s, hi - 1, compare), compare);
    } else {
      p = Median3(a, lo, mid, hi - 1, compare);
    }
    // Three-way partition of a[lo+1, hi) around the pivot held at a[lo]:
    // [lo+1, lt) less, [lt, i) equal, (gt, hi) greater. Each step advances i or lowers gt.
    std::swap(a[lo], a[p]);
    size_t lt = lo + 1;
    size_t i = lo + 1;
    size_t gt = hi;  // one past the last unclassified element
    while (i < gt) {
      const int c = compare(a[i], a[lo]);
      if (c < 0) {
        std::swap(a[lt], a[i]);
        ++lt;
        ++i;
      } else if (c > 0) {
        --gt;
        std::swap(a[i], a[gt]);
      } else {
        ++i;
      }
    }
    // Put the pivot between the less and the equal part; both sides left exclude it.
    std::swap(a[lo], a[lt - 1]);
    const size_t lessEnd = lt - 1;
    const size_t greaterBegin = gt;
    // Recurse into the smaller side, loop on the larger: the stack stays O(log n).
    if (lessEnd - lo < hi - greaterBegin) {
      Sort(a, lo, lessEnd, depth, compare);
      lo = greaterBegin;
    } else {
      Sort(a, greaterBegin, hi, depth, compare);
      hi = lessEnd;
    }
  }
  InsertionSort(a, lo, hi, compare);
}

}  // namespace safe_sort_detail

// Sorts `items` by `compare(a, b)`, which returns a negative value, 0 or a positive value.
template <class T, class Compare>
void QuickSort(std::span<T> items, Compare compare) {
  const size_t n = items.size();
  if (n < 2) return;
  const unsigned depth = 2 * static_cast<unsigned>(std::bit_width(n));
  safe_sort_detail::Sort(items.data(), 0, n, depth, compare);
}

}  // namespace tarnq::engine
