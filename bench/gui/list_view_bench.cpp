// SPDX-License-Identifier: GPL-3.0-or-later
// The result list's view with 100,000 rows, on Qt's offscreen platform: filling the view after a
// search (hand-over, model reset, first layout), a header-click sort, the first paint of the
// window's list, and painting one screen of rows after a page scroll.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>

#include <cstdlib>

#include "results/result_list.h"
#include "results/result_row.h"
#include "synthetic_library.h"
#include "ui/result_model.h"
#include "ui/result_view.h"

namespace {

using tarnq::results::ResultList;

constexpr size_t kRows = 100000;

const tarnq::bench::SyntheticLibrary& Library() {
  static const tarnq::bench::SyntheticLibrary library(kRows, 11);
  return library;
}

// Every record in a group of two or three, in group order, as a search hands them over.
void Fill(ResultList& list) {
  list.BeginBatch();
  const uint32_t root = list.AddFolder(u"/home/user/Music", 0);
  uint32_t folders[64];
  for (uint32_t i = 0; i < 64; ++i) {
    const std::u16string name = u"Artist " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                std::u16string(1, static_cast<char16_t>(u'0' + i / 26));
    folders[i] = list.AddFolder(name, root);
  }
  std::vector<std::byte> row;
  size_t i = 0;
  for (const auto& file : Library().Files()) {
    tarnq::records::AudioInfo copy;
    file.Info().CopyTo(copy);
    tarnq::results::RowFromFoundFile(file, row);
    tarnq::results::ResultRow view(row.data());
    view.SetInfo(copy);
    view.SetFolder(folders[i % 64]);
    view.SetGroup(static_cast<uint32_t>(i / 3 + 1));
    list.AddRow(row);
    ++i;
  }
  list.EndBatch();
}

struct Window {
  Window() : model(list) {
    view.resize(900, 560);
    view.SetResultModel(&model);
    view.show();
  }
  ResultList list;
  tarnq::ui::ResultModel model;
  tarnq::ui::ResultView view;
};

void BM_FillView(benchmark::State& state) {
  for (auto _ : state) {
    Window w;
    Fill(w.list);
    QApplication::processEvents();
    benchmark::DoNotOptimize(w.view.grab());
  }
  state.counters["rows"] = static_cast<double>(kRows);
}
BENCHMARK(BM_FillView)->Unit(benchmark::kMillisecond);

// The same work without a view, to tell the list's share from the view's.
void BM_FillListOnly(benchmark::State& state) {
  for (auto _ : state) {
    ResultList list;
    Fill(list);
    benchmark::DoNotOptimize(list.RowCount());
  }
}
BENCHMARK(BM_FillListOnly)->Unit(benchmark::kMillisecond);

void BM_SortListOnly(benchmark::State& state) {
  ResultList list;
  Fill(list);
  const uint16_t columns[] = {42, 43, 48, 40};
  size_t n = 0;
  for (auto _ : state) list.HeaderClick(columns[n++ % 4], false);
}
BENCHMARK(BM_SortListOnly)->Unit(benchmark::kMillisecond);

void BM_HeaderSort(benchmark::State& state) {
  Window w;
  Fill(w.list);
  QApplication::processEvents();
  const uint16_t columns[] = {42, 43, 48, 40};  // Artist, Title, Duration, Filename
  size_t n = 0;
  for (auto _ : state) {
    w.list.HeaderClick(columns[n++ % 4], false);
    QApplication::processEvents();
    benchmark::DoNotOptimize(w.view.viewport()->grab());
  }
}
BENCHMARK(BM_HeaderSort)->Unit(benchmark::kMillisecond);

void BM_FirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto* w = new Window;
    Fill(w->list);
    state.ResumeTiming();
    benchmark::DoNotOptimize(w->view.grab());
    state.PauseTiming();
    delete w;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstPaint)->Unit(benchmark::kMillisecond);

void BM_PaintOneScreen(benchmark::State& state) {
  Window w;
  Fill(w.list);
  QApplication::processEvents();
  QScrollBar* bar = w.view.verticalScrollBar();
  int value = 0;
  for (auto _ : state) {
    value = (value + bar->pageStep()) % std::max(1, bar->maximum());
    bar->setValue(value);
    benchmark::DoNotOptimize(w.view.viewport()->grab());
  }
  state.counters["rowsPerScreen"] = static_cast<double>(bar->pageStep());
}
BENCHMARK(BM_PaintOneScreen)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  Library();  // made once, outside every measurement
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
