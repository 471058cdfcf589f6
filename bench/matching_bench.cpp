// SPDX-License-Identifier: GPL-3.0-or-later
// Sort + AssignGroups of a synthetic library, single thread, as a search runs it:
//   matching_bench --benchmark_filter=SortAndGroup/Exact   (one mode per process for peak memory)
// Counters: comparisons per run, groups, the prepared data's bytes, the resident size before the
// runs and the peak during them (the library itself, about 0.4 GB, is part of both).
// The plain reference sorts (byte-string key, record) pairs with std::sort and groups equal
// neighbours: the floor the exact mode is measured against.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "engine/matching.h"
#include "platform/text.h"
#include "synthetic_library.h"

namespace {

using tarnq::records::FoundFile;

const tarnq::bench::SyntheticLibrary& Library(size_t count) {
  static std::unique_ptr<tarnq::bench::SyntheticLibrary> library;
  static size_t made = 0;
  if (!library || made != count) {
    library.reset();
    library = std::make_unique<tarnq::bench::SyntheticLibrary>(count, 1);
    made = count;
  }
  return *library;
}

// VmRSS or VmHWM (the peak) of this process in MiB, from /proc/self/status.
double StatusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::strlen(field) + 1)) / 1024.0;
  }
  return 0.0;
}
// Restarts the peak (VmHWM) at the current size, so a benchmark reports its own peak.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Reports the resident size before the timed runs and the peak during them.
struct PeakMeter {
  double before;
  PeakMeter() {
    ResetPeak();
    before = StatusMiB("VmRSS:");
  }
  void Report(benchmark::State& state) const {
    state.counters["rss_before_MiB"] = before;
    state.counters["peak_rss_MiB"] = StatusMiB("VmHWM:");
  }
};

std::vector<FoundFile> FreshCopy(const tarnq::bench::SyntheticLibrary& library) {
  std::vector<FoundFile> files = library.Files();
  for (const FoundFile f : files) f.SetGroup(0);
  return files;
}

tarnq::engine::MatchCriteria Criteria(bool fuzzy, int32_t tolerance) {
  tarnq::engine::MatchCriteria c;
  c.useSimilarity = fuzzy;
  c.artistThreshold = 80;
  c.titleThreshold = 80;
  c.durationTolerance = tolerance;
  return c;
}

void RunSortAndGroup(benchmark::State& state, bool fuzzy) {
  const auto& library = Library(static_cast<size_t>(state.range(0)));
  const auto criteria = Criteria(fuzzy, static_cast<int32_t>(state.range(1)));
  tarnq::engine::SortGroupResult result;
  const PeakMeter meter;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<FoundFile> files = FreshCopy(library);
    state.ResumeTiming();
    result = tarnq::engine::SortAndGroup(files, criteria);
    benchmark::DoNotOptimize(result.groups);
  }
  state.counters["comparisons"] = static_cast<double>(result.comparisons);
  state.counters["groups"] = result.groups;
  state.counters["work_MiB"] = static_cast<double>(result.workBytes) / 1048576.0;
  meter.Report(state);
}

void BM_SortAndGroupExact(benchmark::State& state) { RunSortAndGroup(state, false); }
void BM_SortAndGroupFuzzy(benchmark::State& state) { RunSortAndGroup(state, true); }
// Args: records, duration tolerance (-1 = off, so Artist and Title decide most comparisons).
BENCHMARK(BM_SortAndGroupExact)->Args({100000, -1})->Args({1000000, -1})->Args({1000000, 2})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortAndGroupFuzzy)->Args({1000000, -1})->Args({1000000, 2})->Unit(benchmark::kMillisecond)->Iterations(3);

// The comparators called directly in the sort, each comparison converting and collating its texts:
// what SortAndGroup saves (smaller library, it is slow).
void BM_PlainComparatorsExact(benchmark::State& state) {
  const auto& library = Library(static_cast<size_t>(state.range(0)));
  const auto criteria = Criteria(false, -1);
  uint32_t groups = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<FoundFile> files = FreshCopy(library);
    state.ResumeTiming();
    tarnq::engine::SortRecords(files, &tarnq::engine::CompareExact, criteria);
    groups = tarnq::engine::AssignGroups(files, &tarnq::engine::CompareExact, criteria);
  }
  state.counters["groups"] = groups;
}
BENCHMARK(BM_PlainComparatorsExact)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Reference: byte-string keys (artist, a zero byte, title in UTF-8) built per record, std::sort,
// equal neighbours grouped.
void BM_ReferenceByteKeySortAndGroup(benchmark::State& state) {
  const auto& library = Library(static_cast<size_t>(state.range(0)));
  uint32_t groups = 0;
  const PeakMeter meter;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<FoundFile> files = FreshCopy(library);
    state.ResumeTiming();
    std::vector<std::pair<std::string, FoundFile>> keyed;
    keyed.reserve(files.size());
    for (const FoundFile f : files) {
      const tarnq::records::AudioInfo info = f.Info();
      std::string key(info.TextUtf8(tarnq::records::kTextArtist));
      key += '\0';
      key += info.TextUtf8(tarnq::records::kTextTitle);
      keyed.emplace_back(std::move(key), f);
    }
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    groups = 0;
    for (size_t k = 0; k < keyed.size();) {
      size_t j = k + 1;
      while (j < keyed.size() && keyed[j].first == keyed[k].first) ++j;
      if (j - k > 1 && keyed[k].first.size() > 1) {
        ++groups;
        for (size_t i = k; i < j; ++i) keyed[i].second.SetGroup(groups);
      }
      k = j;
    }
    benchmark::DoNotOptimize(groups);
  }
  state.counters["groups"] = groups;
  meter.Report(state);
}
BENCHMARK(BM_ReferenceByteKeySortAndGroup)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The records alone, for the peak memory figures above.
void BM_LibraryOnly(benchmark::State& state) {
  const auto& library = Library(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(library.Files().size());
  state.counters["copies"] = static_cast<double>(library.Copies());
  state.counters["rss_MiB"] = StatusMiB("VmRSS:");
}
BENCHMARK(BM_LibraryOnly)->Arg(1000000)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
