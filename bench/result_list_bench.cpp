// SPDX-License-Identifier: GPL-3.0-or-later
// The result list with the grouped records of a 100,000-file search: the hand-over from the search,
// and re-sorting by the orders a user clicks (group gathering and renumbering included).
#include <benchmark/benchmark.h>

#include "engine/matching.h"
#include "results/result_list.h"
#include "synthetic_library.h"

namespace {

using tarnq::results::ResultList;

// The grouped files of a synthetic library, copied (texts too) so each fill owns its blocks.
struct Grouped {
  Grouped() : library(100000, 7) {
    files = library.Files();
    tarnq::engine::MatchCriteria criteria;
    criteria.durationTolerance = 2;
    tarnq::engine::SortAndGroup(files, criteria);
    std::vector<tarnq::records::FoundFile> grouped;
    for (auto f : files)
      if (f.Group() != 0) grouped.push_back(f);
    files = grouped;
  }
  tarnq::bench::SyntheticLibrary library;
  std::vector<tarnq::records::FoundFile> files;
};

Grouped& Data() {
  static Grouped data;
  return data;
}

void FillList(ResultList& list) {
  const uint32_t folder = list.AddFolder(u"/music/library/some artist/some album", 0);
  std::vector<std::byte> row;
  for (auto f : Data().files) {
    tarnq::records::AudioInfo copy;
    f.Info().CopyTo(copy);
    tarnq::results::RowFromFoundFile(f, row);
    tarnq::results::ResultRow view(row.data());
    view.SetInfo(copy);
    view.SetFolder(folder);
    list.AddRow(row);
  }
}

void BM_FillFromGroupedRecords(benchmark::State& state) {
  for (auto _ : state) {
    ResultList list;
    FillList(list);
    benchmark::DoNotOptimize(list.RowCount());
  }
  state.counters["rows"] = static_cast<double>(Data().files.size());
}
BENCHMARK(BM_FillFromGroupedRecords)->Unit(benchmark::kMillisecond);

void BM_SortBy(benchmark::State& state) {
  ResultList list;
  FillList(list);
  const int key = static_cast<int>(state.range(0));
  for (auto _ : state) {
    list.SetSortKey(0);
    list.SetSortKey(key);
  }
  state.counters["rows"] = static_cast<double>(list.RowCount());
}
BENCHMARK(BM_SortBy)->Arg(0)->Arg(1)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
