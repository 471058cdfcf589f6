// SPDX-License-Identifier: GPL-3.0-or-later
// The information cache: per file path, the AudioInfo the analysis produced, keyed by the file's
// size and last-write time, so a repeated search does not open every file again.
//
// In memory a PackedStore of CacheEntry records (the file's lines) plus a hash index by path; on
// disk one text file of field lines (see info_cache.cpp for the fields), read at the start of a
// search run and written back at its end.
//
// Thread safety: every member may be called from any thread; the store's lock (waited for, never
// skipped) serialises them. The "switched off" flag is read at each step, so the host may flip it
// while a search runs.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/time.h"
#include "records/audio_info.h"
#include "records/packed_store.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::analysis {

// Bit of the general options (key "Opt" of section "TARNQ"): "Do not use the cache".
inline constexpr uint32_t kOptionNoCache = 0x10;
// Settings key of the cache path (section "TARNQ").
inline constexpr std::string_view kCachePathKey = "MP3Cache";
inline constexpr std::u16string_view kCacheFileName = u"MP3Cache";
// Paths are stored and read with at most this many units.
inline constexpr size_t kMaxCachePathUnits = 1023;
// How long a save waits before its one retry when the file could not be created.
inline constexpr std::chrono::milliseconds kCacheRetryWait{1000};

// `CacheEntry` layout (packed, little-endian, read and written through memcpy). An entry keeps
// its line as the file has it: a run that finds most files in the cache decodes only the lines
// it uses, and the cache takes little more memory than its file.
//   0 length   u16  18 + line bytes
//   2 size     u64
//  10 modified u64  FILETIME, UTC
//  18 line     the 8-bit line without its line end
inline constexpr size_t kCacheEntryFixedBytes = 18;
inline constexpr size_t kMaxCacheLineBytes = 0xFFFF - kCacheEntryFixedBytes;

// The cache path as configured: `MP3Cache` expanded with the path macros, else the per-user
// folder plus "MP3Cache".
std::u16string ResolveInfoCachePath(settings::SettingsStore& settings);

// One line of the cache file decoded into its parts. Used by Load; public for tests and tools.
struct CacheLine {
  std::u16string path;
  uint64_t size = 0;
  platform::FileTime modified = 0;
  records::AudioInfo info;  // owns a text block when Parse succeeded
};
// Decodes one line (without its line end). False for a line with fewer than 17 fields, an empty
// or over-long path, a number field that is not a number or does not fit its width, or an MP4
// line without the codec field (written before codecs were read). On success
// `out.info` holds a new text block the caller must release.
bool ParseCacheLine(std::string_view line, CacheLine& out);
// Appends the line of one entry (18 fields, 19 when the info knows its codec), ended by CR LF.
void AppendCacheLine(std::string& out, std::u16string_view path, uint64_t size,
                     platform::FileTime modified, const records::AudioInfo& info);

class InfoCache {
 public:
  InfoCache();
  ~InfoCache();  // destroyed without saving: the last search already saved
  InfoCache(const InfoCache&) = delete;
  InfoCache& operator=(const InfoCache&) = delete;

  // Resolves the path from the settings (program start, and when the option or path changes).
  void ResolvePath(settings::SettingsStore& settings);
  void SetPath(std::u16string_view path);
  std::u16string Path() const;

  // "Do not use the cache": load, lookup, add and save do nothing while it is set.
  void SetSwitchedOff(bool off) { m_switchedOff.store(off, std::memory_order_relaxed); }
  void ApplyOptions(uint32_t generalOptions) { SetSwitchedOff((generalOptions & kOptionNoCache) != 0); }
  bool SwitchedOff() const { return m_switchedOff.load(std::memory_order_relaxed); }

  // Replaces the store by the file's content. Returns 0, or the read error (2 for a missing
  // file: an empty cache). Malformed lines are skipped. Does nothing (0) when switched off or
  // without a path.
  uint32_t Load();

  // The first entry in store order whose size equals `size`, whose time lies within 2 s of
  // `modified` or of `modified` taken as local time (an entry with time 0 matches a file written
  // before 1980), and whose path equals `path`. Copies it (deep) into `out`, whose old text block
  // is not freed. False when nothing matches, the cache is switched off or out of memory.
  bool Lookup(uint64_t size, platform::FileTime modified, std::u16string_view path,
              records::AudioInfo& out) const;

  // Appends an entry with the line `info` is written as. Stale entries of the same path stay (they
  // stop matching). False when switched off, for an empty or over-long path, or out of memory.
  bool Add(uint64_t size, platform::FileTime modified, std::u16string_view path,
           const records::AudioInfo& info);

  // Writes the file (to a temporary file renamed over the old one, which is kept intact when
  // anything fails): one line per path, the newest entry, in store order. When the file cannot
  // be created, a missing folder is created once, and otherwise the save waits kCacheRetryWait
  // (without holding the store) and tries once more; a write error ends the save. Returns 0 or
  // the error code. Does nothing (0) when switched off, without a path, or with an empty store,
  // and when the file already holds exactly what would be written (loaded from that file, every
  // line used, one entry per path, nothing added since).
  uint32_t Save() const;

  // What the save calls to wait before its retry (sleeps by default). Tests pass their own;
  // set it before the cache is shared between threads.
  using RetryWait = std::function<void(std::chrono::milliseconds)>;
  void SetRetryWait(RetryWait wait);

  // Empties the store and deletes the file. Refused with 170 (busy) while a search run holds the
  // cache; returns the deletion's error otherwise (a missing file is not an error).
  uint32_t DeleteNow();

  // After the last lookup of a run: when the file already holds exactly what Save would write,
  // the entries are dropped now (Save then has nothing to do), so their memory is free for the
  // rest of the run. Returns true when it dropped them.
  bool ReleaseIfUnchanged();

  uint64_t Count() const { return m_store.Count(); }
  bool RunActive() const { return m_runActive.load(std::memory_order_acquire); }

 private:
  friend class InfoCacheRun;

  struct IndexSlot {
    uint64_t hash = 0;
    uint32_t head = 0;  // entry index + 1 of the first entry with this hash; 0 = free slot
    uint32_t tail = 0;
  };

  void ClearLocked();
  bool AppendLocked(uint64_t size, platform::FileTime modified, uint64_t hash, std::string_view line);
  bool IndexAppend(uint64_t hash, uint32_t entry);
  IndexSlot* FindSlot(uint64_t hash) const;
  bool ContainsPathLocked(uint64_t hash, std::u16string_view path) const;
  bool GrowIndex();
  uint32_t OpenSaveFile(platform::AtomicFileWriter& writer, std::u16string_view path) const;

  mutable records::PackedStore m_store;
  std::vector<IndexSlot> m_slots;  // open addressing, power-of-two size
  std::vector<uint32_t> m_next;    // per entry: next entry + 1 with the same hash, in store order
  size_t m_usedSlots = 0;
  std::u16string m_path;
  bool m_matchesFile = false;  // the file at m_path holds exactly what Save would write
  std::atomic<bool> m_switchedOff{false};
  std::atomic<bool> m_runActive{false};
  RetryWait m_retryWait;
};

// A search run's hold on the cache: loads it when constructed and saves it exactly once, at
// Finish() or, on any other way out of the run (an exception included), at destruction. While a
// run holds the cache, DeleteNow is refused.
class InfoCacheRun {
 public:
  explicit InfoCacheRun(InfoCache& cache);
  ~InfoCacheRun();
  InfoCacheRun(const InfoCacheRun&) = delete;
  InfoCacheRun& operator=(const InfoCacheRun&) = delete;

  uint32_t LoadResult() const { return m_loadResult; }
  // Saves and releases the cache; returns the save's result. Later calls return it again.
  uint32_t Finish();

 private:
  InfoCache& m_cache;
  uint32_t m_loadResult = 0;
  uint32_t m_saveResult = 0;
  bool m_finished = false;
};

// The names the search run uses.
inline uint32_t LoadInfoCache(InfoCache& cache) { return cache.Load(); }
inline bool LookupInfoCache(const InfoCache& cache, uint64_t size, platform::FileTime modified,
                            std::u16string_view path, records::AudioInfo& out) {
  return cache.Lookup(size, modified, path, out);
}
inline uint32_t SaveInfoCache(const InfoCache& cache) { return cache.Save(); }

}  // namespace tarnq::analysis
