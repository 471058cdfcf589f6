// SPDX-License-Identifier: GPL-3.0-or-later
// SimilarityPercent on the longest texts a comparison sees (255 units) and on typical titles.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/similarity.h"

namespace {

std::u16string Repeat(std::u16string_view pattern, size_t length) {
  std::u16string text;
  while (text.size() < length) text += pattern;
  text.resize(length);
  return text;
}

void BM_SimilarityPercent255(benchmark::State& state) {
  const std::u16string a = Repeat(u"THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG ", 255);
  std::u16string b = Repeat(u"THE QUIET BROWN BOX JUMPED OVER A LAZY FROG ", 255);
  for (auto _ : state) benchmark::DoNotOptimize(tarnq::engine::SimilarityPercent(a, b));
}
BENCHMARK(BM_SimilarityPercent255);

void BM_SimilarityPercent20(benchmark::State& state) {
  const std::u16string a = u"SWEET CHILD OF MINE ";
  const std::u16string b = u"SWEET CHILD O' MINE!";
  for (auto _ : state) benchmark::DoNotOptimize(tarnq::engine::SimilarityPercent(a, b));
}
BENCHMARK(BM_SimilarityPercent20);

void BM_SimilarityPercent20NonLatin(benchmark::State& state) {
  const std::u16string a = u"ЛЕТНИЙ ДОЖДЬ НАД РЕКОЙ";
  const std::u16string b = u"ЛЕТНИЙ ДОЖДЬ НА РЕКЕ";
  for (auto _ : state) benchmark::DoNotOptimize(tarnq::engine::SimilarityPercent(a, b));
}
BENCHMARK(BM_SimilarityPercent20NonLatin);

}  // namespace

BENCHMARK_MAIN();
