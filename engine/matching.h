// SPDX-License-Identifier: GPL-3.0-or-later
// Which found files are duplicates: the two orderings, the numbering of duplicate groups and the
// order by group that the result list receives.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "records/found_file.h"

namespace tarnq::engine {

// Extra criteria that must be equal, tested in this order after Artist and Title:
// Track, Bitrate, BPM, Type, Album, Genre.
inline constexpr uint32_t kLimitAlbum = 0x1;
inline constexpr uint32_t kLimitTrack = 0x2;
inline constexpr uint32_t kLimitGenre = 0x4;
inline constexpr uint32_t kLimitBitrate = 0x8;
inline constexpr uint32_t kLimitBpm = 0x10;
inline constexpr uint32_t kLimitType = 0x20;
// A similarity threshold at or above this leaves its field out of the fuzzy ordering.
inline constexpr uint32_t kThresholdOff = 110;

struct SearchPreset;

// The part of a search preset the orderings read.
struct MatchCriteria {
  bool useSimilarity = false;       // CompareFuzzy when set, else CompareExact
  int32_t durationTolerance = 0;    // seconds; negative switches the duration test off
  uint32_t artistThreshold = 0;     // percent; kThresholdOff or more: Artist not compared
  uint32_t titleThreshold = 0;      // percent; kThresholdOff or more: Title not compared
  uint32_t moreLimitations = 0;     // kLimit* bits
};

MatchCriteria CriteriaFromPreset(const SearchPreset& preset);

// A stop request: the search's counter; non-zero means stop. May be null (never stop).
using StopCounter = std::atomic<int32_t>;

// -1, 0 or 1; 0 means the two files are duplicates. Safe on any thread (per-thread buffers).
int CompareFuzzy(records::FoundFile a, records::FoundFile b, const MatchCriteria& criteria);
int CompareExact(records::FoundFile a, records::FoundFile b, const MatchCriteria& criteria);
// Group numbers as unsigned, ascending.
int CompareGroup(records::FoundFile a, records::FoundFile b);

using RecordOrdering = int (*)(records::FoundFile, records::FoundFile, const MatchCriteria&);
// The ordering the criteria choose (useSimilarity).
RecordOrdering OrderingFor(const MatchCriteria& criteria);

// True when the file has an Artist or a Title: only such files are grouped.
bool IsGroupable(records::FoundFile file);

// Numbers the runs of duplicates of an array sorted with `ordering`: each run's first member
// without a group starts group n + 1 and every following duplicate joins it; a walk ends at a file
// that already has a group, has neither Artist nor Title, or is no duplicate. Returns the number of
// groups (those numbered before a stop request, if one comes).
uint32_t AssignGroups(std::span<const records::FoundFile> sorted, RecordOrdering ordering,
                      const MatchCriteria& criteria, const StopCounter* stop = nullptr);

// Sorts with the unstable safe quick sort and `ordering`.
void SortRecords(std::span<records::FoundFile> records, RecordOrdering ordering,
                 const MatchCriteria& criteria);

struct SortGroupResult {
  uint32_t groups = 0;
  uint64_t comparisons = 0;  // calls of the ordering, sort and grouping together
  bool stopped = false;      // a stop request came; groups are then unusable
  uint64_t workBytes = 0;    // memory the prepared comparison data took
};

// The sort and the grouping of a search in one: the same permutation and the same group numbers
// as SortRecords followed by AssignGroups with the ordering the criteria choose, but every
// record's comparison data (collation keys, upper-cased texts) is prepared once instead of in
// every comparison. Returns stopped = true without grouping when `stop` is set before the end.
// Memory besides the records: about 100 bytes per record (exact), 170 (fuzzy).
class SortPreparation;
SortGroupResult SortAndGroup(std::span<records::FoundFile> records, const MatchCriteria& criteria,
                             const StopCounter* stop = nullptr, SortPreparation* prepared = nullptr);

// SortAndGroup's comparison data made ahead, record by record as a scan accepts them, so that the
// work overlaps the scan. SortAndGroup takes it when it holds exactly the records it is given, in
// the same order, and prepares them itself otherwise. Not thread-safe; one per run.
class SortPreparation {
 public:
  explicit SortPreparation(const MatchCriteria& criteria);
  ~SortPreparation();
  SortPreparation(const SortPreparation&) = delete;
  SortPreparation& operator=(const SortPreparation&) = delete;

  // Prepares the next record. Never throws: a failure (memory) makes the preparation unusable.
  void Add(records::FoundFile file) noexcept;

  struct Data;  // opaque
  Data* Ahead() { return m_data.get(); }

 private:
  std::unique_ptr<Data> m_data;
};

// Keeps only the grouped files of a grouped array, ordered by group number ascending (files of one
// group keep their order). The text blocks of the files left out are released (their records keep
// a null pointer).
void KeepGroupedByGroup(std::vector<records::FoundFile>& records, records::FoundFileStore& store);

}  // namespace tarnq::engine
