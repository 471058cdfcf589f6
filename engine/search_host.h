// SPDX-License-Identifier: GPL-3.0-or-later
// What a search needs from its surroundings, as small interfaces the hosts implement: the GUI with
// its windows, tarnq-cli with a terminal, the tests with recorders.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/time.h"
#include "records/audio_info.h"

namespace tarnq::engine {

struct SearchPreset;

// Where a search is.
enum class SearchPhase : uint8_t {
  kIdle,       // no search runs
  kScanning,   // the folders are walked and the files analysed
  kGrouping,   // sorting and grouping the files found
  kFinishing,  // the list is filled; re-sorting, saving the cache
};

// How far a search is: the counters the status bar shows. While the scan runs they count the files
// accepted so far; at the end, the files and bytes the result list holds.
struct SearchProgress {
  SearchPhase phase = SearchPhase::kIdle;
  uint64_t files = 0;
  uint64_t bytes = 0;
  uint32_t groups = 0;      // groups of the run (0 until the list is filled)
  bool canceled = false;    // Stop was requested
  bool incomplete = false;  // a preset folder could not be listed or a scan pass failed
  friend bool operator==(const SearchProgress&, const SearchProgress&) = default;
};

// Hears how a search goes. OnFolder is called on the walk's thread, OnProgress on the search
// worker, possibly at the same time: implementations must be cheap and thread-safe (a GUI keeps
// the latest values and shows them on its own thread; the words are composed there).
class SearchProgressSink {
 public:
  virtual ~SearchProgressSink() = default;
  // The walk starts listing `folder`.
  virtual void OnFolder(std::u16string_view /*folder*/) {}
  virtual void OnProgress(const SearchProgress& /*progress*/) {}
};

class NullProgressSink final : public SearchProgressSink {};

// A folder the scan could not list, with the reason (an error code of platform/errors.h).
struct FolderProblem {
  std::u16string path;
  uint32_t error = 0;
  bool presetFolder = false;  // one of the preset's folders: the result is incomplete
};

// Why a file of a searched folder is not in the result.
enum class SkipReason : uint8_t {
  kUnreadable,   // it could not be opened for reading
  kNotAudio,     // no reader recognised it
  kEmpty,        // 0 bytes
  kLink,         // a symbolic link, not followed
  kVanished,     // gone between the listing and the look at it
  kPathTooLong,  // its path exceeds what the system accepts
};
inline constexpr size_t kSkipReasonCount = 6;

struct SkippedFile {
  std::u16string path;
  SkipReason reason = SkipReason::kNotAudio;
  uint32_t error = 0;  // the error code behind kUnreadable (0 otherwise)
};

// The files a search passed over, counted by reason; the first kMaxListed are kept by name.
struct SkippedFiles {
  static constexpr size_t kMaxListed = 100000;
  std::array<uint64_t, kSkipReasonCount> counts{};
  std::vector<SkippedFile> files;

  void Add(std::u16string_view path, SkipReason reason, uint32_t error = 0) {
    ++counts[static_cast<size_t>(reason)];
    if (files.size() < kMaxListed) files.push_back({std::u16string(path), reason, error});
  }
  uint64_t Count(SkipReason reason) const { return counts[static_cast<size_t>(reason)]; }
  uint64_t Total() const {
    uint64_t total = 0;
    for (const uint64_t n : counts) total += n;
    return total;
  }
  void Merge(const SkippedFiles& other) {
    for (size_t i = 0; i < kSkipReasonCount; ++i) counts[i] += other.counts[i];
    for (const SkippedFile& f : other.files) {
      if (files.size() >= kMaxListed) break;
      files.push_back(f);
    }
  }
};

// How a search ended, for the host's last word.
struct SearchOutcome {
  bool canceled = false;          // Stop was requested
  bool failed = false;            // an error ended the run early (see `error`)
  bool incomplete = false;        // a preset folder could not be listed or a scan pass failed
  bool listFilled = false;        // the groups reached the result list
  bool hostGone = false;          // the host's dispatcher shut down: the run stopped for it
  std::u16string error;           // what went wrong, for the user
  uint32_t cacheSaveError = 0;    // the information cache could not be written (the old file stays)
  uint64_t filesScanned = 0;      // files accepted by the scan
  uint64_t bytesScanned = 0;
  uint32_t groups = 0;
  uint64_t filesFailed = 0;       // files skipped because their examination failed unexpectedly
  SkippedFiles skipped;           // files passed over, and why
  std::vector<FolderProblem> problems;
};

// The main window's side of a search. The search calls these through the UiDispatcher, so they
// run on the user-interface thread.
class SearchHost {
 public:
  virtual ~SearchHost() = default;
  // Re-reads the preset before a search (the preset box and the preset file). Returns 0, or an
  // error code after telling the user why (then no search starts).
  virtual uint32_t ReloadPreset(SearchPreset& /*preset*/) { return 0; }
  // The preset has no folder: show the preset dialog. True when the user confirmed it.
  virtual bool EditPreset(SearchPreset& /*preset*/) { return false; }
  // Greys or enables Find, Stop and the list commands.
  virtual void RefreshCommandStates() {}
  virtual void BringToFront() {}
  // The run is over (command 117: focus the list). `outcome` tells how it went.
  virtual void SearchFinished(const SearchOutcome& /*outcome*/) {}
};

// Where the scan gets a file's audio properties: the information cache and the analysis. The
// search calls every member on its worker thread, one run at a time.
class FileAnalyser {
 public:
  virtual ~FileAnalyser() = default;
  // Around a run, in this order: LoadCache, LoadProviders ... UnloadProviders, SaveCache. The cache
  // calls are skipped while the cache is switched off.
  virtual void LoadCache() {}
  virtual void LoadProviders() {}
  virtual void UnloadProviders() {}
  // Returns 0 or the error code of writing the cache file.
  virtual uint32_t SaveCache() { return 0; }
  // The scan is over: no more lookups or additions in this run.
  virtual void ScanFinished() {}
  // The cached properties of the file with this size, write time and path; false on a miss.
  virtual bool LookupCache(uint64_t /*size*/, platform::FileTime /*modified*/,
                           std::u16string_view /*path*/, records::AudioInfo& /*info*/) {
    return false;
  }
  // Remembers freshly analysed properties (a deep copy; `info` stays the caller's).
  virtual void AddToCache(uint64_t /*size*/, platform::FileTime /*modified*/,
                          std::u16string_view /*path*/, const records::AudioInfo& /*info*/) {}
  // Analyses the file; true when a reader accepted it (`info` then owns a new text block).
  virtual bool Analyse(std::u16string_view path, records::AudioInfo& info) = 0;
  // The same when the size is known from the folder listing (it spares asking the file system).
  virtual bool Analyse(std::u16string_view path, uint64_t /*knownSize*/, records::AudioInfo& info) {
    return Analyse(path, info);
  }
};

}  // namespace tarnq::engine
