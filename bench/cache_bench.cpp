// SPDX-License-Identifier: GPL-3.0-or-later
// The information cache at library size: load, lookups and save of a 100,000-entry cache.
//   cache_bench --benchmark_filter=Cache
// Paths look like a real collection ("/home/user/Music/<artist>/<album>/NN - <title>.mp3", some
// with non-ASCII names); every entry has six texts. The cache file goes to $TMPDIR.
// Lookup/Hit asks for every file once (a fully cached search), Lookup/Miss for files that were
// touched since (same path, newer time), Lookup/Linear is the walk the index replaces, on a
// smaller cache because it is quadratic.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "analysis/info_cache.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

using tarnq::analysis::InfoCache;
using tarnq::platform::FileTime;
using tarnq::records::AudioInfo;

constexpr FileTime kBaseTime = 133500000000000000ULL;  // 2024

struct Library {
  std::vector<std::u16string> paths;
  std::vector<uint64_t> sizes;
  std::vector<FileTime> times;
};

const Library& MakeLibrary(size_t count) {
  static std::unique_ptr<Library> made;
  if (made && made->paths.size() == count) return *made;
  made = std::make_unique<Library>();
  uint32_t seed = 12345;
  const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (size_t i = 0; i < count; ++i) {
    const std::string artist = (i % 7 == 0 ? "Bj\xC3\xB6rk Tribute " : "Artist ") + std::to_string(i / 120);
    const std::string album = "Album " + std::to_string(i / 12);
    const std::string name = std::to_string(i % 12 + 1) + " - Title number " + std::to_string(next() % 100000) +
                             " (" + std::to_string(i) + ").mp3";
    made->paths.push_back(tarnq::platform::Utf8ToUtf16("/home/user/Music/" + artist + "/" + album + "/" + name));
    made->sizes.push_back(3000000 + next() % 7000000);
    made->times.push_back(kBaseTime + static_cast<FileTime>(next()) * 10000000ULL);
  }
  return *made;
}

void Fill(InfoCache& cache, const Library& library) {
  for (size_t i = 0; i < library.paths.size(); ++i) {
    tarnq::records::AudioSource source;
    source.channels = 3;
    source.track = static_cast<uint16_t>(i % 12 + 1);
    source.year = 2001;
    source.duration = 200 + static_cast<uint32_t>(i % 200);
    source.sampleRate = 44100;
    source.bitrate = -192;
    source.formatName = u"MP3";
    source.genre = u"Rock";
    const std::u16string title = u"Title number " + tarnq::platform::Utf8ToUtf16(std::to_string(i));
    source.title = title;
    source.artist = u"Some Artist";
    source.album = u"Some Album";
    source.comment = u"ripped";
    AudioInfo info;
    info.Build(source);
    cache.Add(library.sizes[i], library.times[i], library.paths[i], info);
    info.Release();
  }
}

std::u16string CachePath() { return tarnq::platform::JoinPath(tarnq::platform::TempFolder(), u"tarnq-bench-MP3Cache"); }

void BM_CacheSave(benchmark::State& state) {
  const Library& library = MakeLibrary(static_cast<size_t>(state.range(0)));
  InfoCache cache;
  cache.SetPath(CachePath());
  Fill(cache, library);
  for (auto _ : state) benchmark::DoNotOptimize(cache.Save());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CacheSave)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CacheLoad(benchmark::State& state) {
  const Library& library = MakeLibrary(static_cast<size_t>(state.range(0)));
  {
    InfoCache cache;
    cache.SetPath(CachePath());
    Fill(cache, library);
    cache.Save();
  }
  InfoCache cache;
  cache.SetPath(CachePath());
  for (auto _ : state) benchmark::DoNotOptimize(cache.Load());
  if (cache.Count() != library.paths.size()) state.SkipWithError("entries lost");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CacheLoad)->Arg(100000)->Unit(benchmark::kMillisecond);

// All lookups of one search; mode 0 hit, 1 miss (touched files), 2 hit by the linear walk.
void Lookups(benchmark::State& state, int mode) {
  const Library& library = MakeLibrary(static_cast<size_t>(state.range(0)));
  InfoCache cache;
  Fill(cache, library);
  const FileTime shift = mode == 1 ? 3600 * 10000000ULL : 0;
  size_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (size_t i = 0; i < library.paths.size(); ++i) {
      AudioInfo out;
      bool hit;
      if (mode == 2) {
        // The walk in store order the index replaces: compare size first, then time, then path.
        hit = false;
        for (size_t j = 0; j < library.paths.size() && !hit; ++j) {
          hit = library.sizes[j] == library.sizes[i] && library.times[j] == library.times[i] &&
                library.paths[j] == library.paths[i];
        }
        if (hit) hit = cache.Lookup(library.sizes[i], library.times[i], library.paths[i], out);
      } else {
        hit = cache.Lookup(library.sizes[i], library.times[i] + shift, library.paths[i], out);
      }
      hits += hit;
      out.Release();
    }
  }
  if (hits != (mode == 1 ? 0 : library.paths.size())) state.SkipWithError("wrong hit count");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_CacheLookupHit(benchmark::State& state) { Lookups(state, 0); }
void BM_CacheLookupMiss(benchmark::State& state) { Lookups(state, 1); }
void BM_CacheLookupLinear(benchmark::State& state) { Lookups(state, 2); }
BENCHMARK(BM_CacheLookupHit)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CacheLookupMiss)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CacheLookupLinear)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
