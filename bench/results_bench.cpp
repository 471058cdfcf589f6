// SPDX-License-Identifier: GPL-3.0-or-later
// The list operations a 100,000-file library needs at once: loading and saving a results file,
// Select Dupes by either rule, and composing an export.
#include <benchmark/benchmark.h>

#include <string>

#include "results/export.h"
#include "results/results_file.h"
#include "results/selection.h"

namespace {

using namespace tarnq::results;

// 100,000 rows in groups of two to four, spread over 1,000 folders of 100 artists.
std::string SyntheticResultsFile(size_t rows) {
  std::string text;
  uint32_t group = 1;
  size_t inGroup = 0;
  for (size_t i = 0; i < rows; ++i) {
    if (inGroup == 2 + group % 3) {
      ++group;
      inGroup = 0;
    }
    ++inGroup;
    text += "/music/artist " + std::to_string(i % 100) + "/album " + std::to_string(i % 1000) + "/track " +
            std::to_string(i) + ".mp3;" + std::to_string(group) + ";4194304;32;133018848000000000;;;;3;44100;" +
            std::to_string(128 + i % 3 * 64) + ";262;5;Song " + std::to_string(group) +
            ";Band;Album;1999;Rock;MP3, 44100Hz, Joint Stereo;;\r\n";
  }
  return text;
}

const std::string& File() {
  static const std::string file = SyntheticResultsFile(100000);
  return file;
}

void BM_LoadResults(benchmark::State& state) {
  for (auto _ : state) {
    ResultList list;
    LoadResultsFromBytes(list, File());
    benchmark::DoNotOptimize(list.RowCount());
  }
}
BENCHMARK(BM_LoadResults)->Unit(benchmark::kMillisecond);

void BM_ComposeResults(benchmark::State& state) {
  ResultList list;
  LoadResultsFromBytes(list, File());
  for (auto _ : state) benchmark::DoNotOptimize(ComposeResultsFile(list).size());
}
BENCHMARK(BM_ComposeResults)->Unit(benchmark::kMillisecond);

void BM_SelectDupesByOrder(benchmark::State& state) {
  ResultList list;
  LoadResultsFromBytes(list, File());
  for (auto _ : state) benchmark::DoNotOptimize(SelectDupes(list, {}).selected);
}
BENCHMARK(BM_SelectDupesByOrder)->Unit(benchmark::kMillisecond);

void BM_SelectDupesByFolders(benchmark::State& state) {
  ResultList list;
  LoadResultsFromBytes(list, File());
  const FavoriteFolders favorites = {{u'+', u"/music/artist 1"}, {u'-', u"/music/artist 2"}, {u'+', u"/music/artist 3"}};
  for (auto _ : state) benchmark::DoNotOptimize(SelectDupes(list, favorites).selected);
}
BENCHMARK(BM_SelectDupesByFolders)->Unit(benchmark::kMillisecond);

void BM_ExportHtml(benchmark::State& state) {
  ResultList list;
  LoadResultsFromBytes(list, File());
  const ColumnLayout layout = DefaultLayout();
  for (auto _ : state)
    benchmark::DoNotOptimize(ComposeExport(BuildExportTable(list, layout, {}), ExportFormat::kHtmlUtf8).size());
}
BENCHMARK(BM_ExportHtml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
