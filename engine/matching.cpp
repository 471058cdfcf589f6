// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/matching.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/preset.h"
#include "engine/safe_sort.h"
#include "engine/similarity.h"
#include "platform/text.h"
#include "platform/per_thread.h"

namespace tarnq::engine {

using records::AudioInfo;
using records::FoundFile;
using records::kCompareCapacity;
using records::kTextAlbum;
using records::kTextArtist;
using records::kTextGenre;
using records::kTextTitle;

namespace {

// Texts of the two files under comparison, reused on each thread.
struct PairBuffers {
  std::u16string a;
  std::u16string b;
};
thread_local platform::PerThread<PairBuffers> t_pair;

bool Stopped(const StopCounter* stop) {
  return stop != nullptr && stop->load(std::memory_order_relaxed) != 0;
}

int Sign(uint32_t a, uint32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// Durations further apart than the tolerance separate two files; 64-bit so a + t cannot wrap.
int CompareDuration(uint32_t a, uint32_t b, int32_t tolerance) {
  if (tolerance < 0) return 0;
  const uint64_t t = static_cast<uint32_t>(tolerance);
  if (uint64_t{a} + t < b || uint64_t{b} + t < a) return a < b ? -1 : 1;
  return 0;
}

// The extra criteria of `more`, in their fixed order. The numbers are compared unsigned (the bit
// rate too, although it is stored signed).
int CompareNumbers(FoundFile a, FoundFile b, uint32_t more) {
  int c = 0;
  if ((more & kLimitTrack) != 0 && (c = Sign(a.Track(), b.Track())) != 0) return c;
  if ((more & kLimitBitrate) != 0 &&
      (c = Sign(static_cast<uint32_t>(a.Bitrate()), static_cast<uint32_t>(b.Bitrate()))) != 0) {
    return c;
  }
  if ((more & kLimitBpm) != 0 && (c = Sign(a.Bpm(), b.Bpm())) != 0) return c;
  if ((more & kLimitType) != 0 && (c = Sign(a.Format(), b.Format())) != 0) return c;
  return 0;
}

int CompareMore(FoundFile a, FoundFile b, uint32_t more) {
  if (more == 0) return 0;
  int c = CompareNumbers(a, b, more);
  if (c != 0) return c;
  if ((more & (kLimitAlbum | kLimitGenre)) == 0) return 0;
  const AudioInfo ia = a.Info();
  const AudioInfo ib = b.Info();
  if ((more & kLimitAlbum) != 0 && (c = ia.CompareField(ib, kTextAlbum)) != 0) return c;
  if ((more & kLimitGenre) != 0 && (c = ia.CompareField(ib, kTextGenre)) != 0) return c;
  return 0;
}

int CompareSimilar(const AudioInfo& a, const AudioInfo& b, size_t index, uint32_t threshold) {
  if (threshold >= kThresholdOff) return 0;
  PairBuffers& t = t_pair.Get();
  a.GetText(index, t.a, kCompareCapacity);
  b.GetText(index, t.b, kCompareCapacity);
  platform::UpperUnitsInPlace(t.a.data(), t.a.size());
  platform::UpperUnitsInPlace(t.b.data(), t.b.size());
  if (SimilarityPercent(t.a, t.b) < threshold) return platform::CompareText(t.a, t.b);
  return 0;
}

}  // namespace

static_assert(SearchPreset::kLimitAlbum == kLimitAlbum && SearchPreset::kLimitTrack == kLimitTrack &&
              SearchPreset::kLimitGenre == kLimitGenre && SearchPreset::kLimitBitrate == kLimitBitrate &&
              SearchPreset::kLimitBpm == kLimitBpm && SearchPreset::kLimitType == kLimitType);

MatchCriteria CriteriaFromPreset(const SearchPreset& preset) {
  MatchCriteria criteria;
  criteria.useSimilarity = preset.useSimilarity != 0;
  criteria.durationTolerance = preset.durationTolerance;
  criteria.artistThreshold = preset.artistThreshold;
  criteria.titleThreshold = preset.titleThreshold;
  criteria.moreLimitations = preset.moreLimitations;
  return criteria;
}

int CompareFuzzy(FoundFile a, FoundFile b, const MatchCriteria& criteria) {
  int c = CompareDuration(a.Duration(), b.Duration(), criteria.durationTolerance);
  if (c != 0) return c;
  const AudioInfo ia = a.Info();
  const AudioInfo ib = b.Info();
  if ((c = CompareSimilar(ia, ib, kTextArtist, criteria.artistThreshold)) != 0) return c;
  if ((c = CompareSimilar(ia, ib, kTextTitle, criteria.titleThreshold)) != 0) return c;
  return CompareMore(a, b, criteria.moreLimitations);
}

int CompareExact(FoundFile a, FoundFile b, const MatchCriteria& criteria) {
  int c = CompareDuration(a.Duration(), b.Duration(), criteria.durationTolerance);
  if (c != 0) return c;
  const AudioInfo ia = a.Info();
  const AudioInfo ib = b.Info();
  if ((c = ia.CompareField(ib, kTextArtist)) != 0) return c;
  if ((c = ia.CompareField(ib, kTextTitle)) != 0) return c;
  return CompareMore(a, b, criteria.moreLimitations);
}

int CompareGroup(FoundFile a, FoundFile b) { return Sign(a.Group(), b.Group()); }

RecordOrdering OrderingFor(const MatchCriteria& criteria) {
  return criteria.useSimilarity ? &CompareFuzzy : &CompareExact;
}

bool IsGroupable(FoundFile file) {
  const AudioInfo info = file.Info();
  return info.HasText(kTextArtist) || info.HasText(kTextTitle);
}

namespace {

// The walk of AssignGroups over any sequence: `groupable(k)`, `file(k)` and `same(k, j)`.
template <class Groupable, class File, class Same>
uint32_t WalkGroups(size_t count, Groupable groupable, File file, Same same,
                    const StopCounter* stop) {
  uint32_t n = 0;
  for (size_t k = 0; k < count; ++k) {
    if (Stopped(stop)) break;
    if (!groupable(k)) continue;
    const FoundFile a = file(k);
    for (size_t j = k + 1; j < count; ++j) {
      const FoundFile b = file(j);
      if (b.Group() != 0 || !groupable(j) || !same(k, j)) break;
      if (a.Group() == 0) a.SetGroup(++n);
      b.SetGroup(a.Group());
    }
  }
  return n;
}

}  // namespace

uint32_t AssignGroups(std::span<const FoundFile> sorted, RecordOrdering ordering,
                      const MatchCriteria& criteria, const StopCounter* stop) {
  return WalkGroups(
      sorted.size(), [&](size_t k) { return IsGroupable(sorted[k]); },
      [&](size_t k) { return sorted[k]; },
      [&](size_t k, size_t j) { return ordering(sorted[k], sorted[j], criteria) == 0; }, stop);
}

void SortRecords(std::span<FoundFile> records, RecordOrdering ordering,
                 const MatchCriteria& criteria) {
  QuickSort(records, [&](FoundFile a, FoundFile b) { return ordering(a, b, criteria); });
}

// ---- Prepared comparison data -------------------------------------------------------------------

namespace {

// A reference into an arena: offset in the low 40 bits, length in the high 24.
uint64_t MakeRef(size_t offset, size_t length) {
  return static_cast<uint64_t>(offset) | (static_cast<uint64_t>(length) << 40);
}
size_t RefOffset(uint64_t ref) { return static_cast<size_t>(ref & ((uint64_t{1} << 40) - 1)); }
size_t RefLength(uint64_t ref) { return static_cast<size_t>(ref >> 40); }

// The first eight bytes of a key, big-endian, zero-padded: comparing two such numbers agrees with
// comparing the keys byte-wise whenever the numbers differ.
uint64_t KeyPrefix(const char* key, size_t length) {
  unsigned char bytes[8] = {};
  std::memcpy(bytes, key, std::min<size_t>(length, 8));
  uint64_t prefix = 0;
  for (const unsigned char byte : bytes) prefix = (prefix << 8) | byte;
  return prefix;
}

// One record with what the ordering reads, prepared once (64 bytes).
struct Prepared {
  FoundFile file;
  uint32_t duration;
  uint32_t index;  // position in the input; bit 31 set when the file is groupable
  uint64_t artistPrefix;
  uint64_t titlePrefix;
  uint64_t artistKey;  // collation keys (of the upper-cased texts in the fuzzy ordering)
  uint64_t titleKey;
  uint64_t artistUpper;  // upper-cased texts, fuzzy ordering only
  uint64_t titleUpper;
};
static_assert(sizeof(Prepared) == 64, "one cache line per record");
constexpr uint32_t kGroupableBit = 0x80000000u;

class PreparedOrdering {
 public:
  PreparedOrdering(const MatchCriteria& criteria, size_t count)
      : m_criteria(criteria),
        m_fuzzy(criteria.useSimilarity),
        m_compareArtist(!m_fuzzy || criteria.artistThreshold < kThresholdOff),
        m_compareTitle(!m_fuzzy || criteria.titleThreshold < kThresholdOff),
        m_textKeys((criteria.moreLimitations & (kLimitAlbum | kLimitGenre)) != 0) {
    m_keys.reserve(count * 40);
    if (m_fuzzy) m_upper.reserve(count * 32);
    if (m_textKeys) m_extraKeys.resize(2 * count);
  }

  const MatchCriteria& Criteria() const { return m_criteria; }

  Prepared Prepare(FoundFile file, uint32_t index) {
    const AudioInfo info = file.Info();
    Prepared p{};
    p.file = file;
    p.duration = info.duration;
    p.index = index;
    if (info.HasText(kTextArtist) || info.HasText(kTextTitle)) p.index |= kGroupableBit;
    if (m_compareArtist) PrepareArtist(info, p.artistKey, p.artistPrefix, p.artistUpper);
    if (m_compareTitle) PrepareText(info, kTextTitle, p.titleKey, p.titlePrefix, p.titleUpper);
    if (m_textKeys) {
      if (m_extraKeys.size() < 2 * (static_cast<size_t>(index) + 1)) m_extraKeys.resize(2 * (static_cast<size_t>(index) + 1));
      if ((m_criteria.moreLimitations & kLimitAlbum) != 0) {
        m_extraKeys[2 * index] = AddKey(info, kTextAlbum);
      }
      if ((m_criteria.moreLimitations & kLimitGenre) != 0) {
        m_extraKeys[2 * index + 1] = AddKey(info, kTextGenre);
      }
    }
    return p;
  }

  int operator()(const Prepared& a, const Prepared& b) {
    ++m_comparisons;
    int c = CompareDuration(a.duration, b.duration, m_criteria.durationTolerance);
    if (c != 0) return c;
    if (m_compareArtist) {
      c = CompareText(a.artistPrefix, a.artistKey, a.artistUpper, b.artistPrefix, b.artistKey,
                      b.artistUpper, m_criteria.artistThreshold, m_artistPattern);
      if (c != 0) return c;
    }
    if (m_compareTitle) {
      c = CompareText(a.titlePrefix, a.titleKey, a.titleUpper, b.titlePrefix, b.titleKey,
                      b.titleUpper, m_criteria.titleThreshold, m_titlePattern);
      if (c != 0) return c;
    }
    const uint32_t more = m_criteria.moreLimitations;
    if (more == 0) return 0;
    if ((c = CompareNumbers(a.file, b.file, more)) != 0) return c;
    const uint32_t ia = a.index & ~kGroupableBit;
    const uint32_t ib = b.index & ~kGroupableBit;
    if ((more & kLimitAlbum) != 0 &&
        (c = CompareKeys(m_extraKeys[2 * ia], m_extraKeys[2 * ib])) != 0) {
      return c;
    }
    if ((more & kLimitGenre) != 0 &&
        (c = CompareKeys(m_extraKeys[2 * ia + 1], m_extraKeys[2 * ib + 1])) != 0) {
      return c;
    }
    return 0;
  }

  uint64_t Comparisons() const { return m_comparisons; }
  uint64_t WorkBytes() const {
    return m_keys.capacity() + 2 * m_upper.capacity() + 8 * m_extraKeys.capacity();
  }

 private:
  void PrepareText(const AudioInfo& info, size_t index, uint64_t& key, uint64_t& prefix,
                   uint64_t& upper) {
    info.GetText(index, m_text, kCompareCapacity);
    if (m_fuzzy) {
      platform::UpperUnitsInPlace(m_text.data(), m_text.size());
      upper = MakeRef(m_upper.size(), m_text.size());
      m_upper += m_text;
    }
    const size_t offset = m_keys.size();
    platform::AppendSortKey(m_text, m_keys);
    key = MakeRef(offset, m_keys.size() - offset);
    prefix = KeyPrefix(m_keys.data() + offset, m_keys.size() - offset);
  }

  // An artist recurs on many records: its key (and upper-cased text) are made once per distinct
  // text. The texts stay put while the records are sorted, so views into them are safe keys.
  void PrepareArtist(const AudioInfo& info, uint64_t& key, uint64_t& prefix, uint64_t& upper) {
    const std::string_view text = info.TextUtf8(kTextArtist);
    const auto found = m_artistMemo.find(text);
    if (found != m_artistMemo.end()) {
      key = found->second.key;
      prefix = found->second.prefix;
      upper = found->second.upper;
      return;
    }
    PrepareText(info, kTextArtist, key, prefix, upper);
    m_artistMemo.emplace(text, PreparedText{key, prefix, upper});
  }

  uint64_t AddKey(const AudioInfo& info, size_t index) {
    info.GetText(index, m_text, kCompareCapacity);
    const size_t offset = m_keys.size();
    platform::AppendSortKey(m_text, m_keys);
    return MakeRef(offset, m_keys.size() - offset);
  }

  int CompareKeys(uint64_t a, uint64_t b) const {
    const std::string_view ka(m_keys.data() + RefOffset(a), RefLength(a));
    const std::string_view kb(m_keys.data() + RefOffset(b), RefLength(b));
    const int c = ka.compare(kb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }

  // Keys give CompareText's result. In the fuzzy ordering equal keys go on whatever the
  // similarity, so the similarity is only computed for texts that differ, and not at all when
  // even a full-length common subsequence could not reach the threshold.
  // The text whose LCS masks are loaded; a sort compares one pivot with many records in a row.
  struct CachedPattern {
    LcsPattern masks;
    uint64_t owner = ~uint64_t{0};  // arena reference of the loaded text; never a real one
  };

  size_t Lcs(uint64_t upperA, uint64_t upperB, CachedPattern& cache) {
    const std::u16string_view x(m_upper.data() + RefOffset(upperA), RefLength(upperA));
    const std::u16string_view y(m_upper.data() + RefOffset(upperB), RefLength(upperB));
    if (cache.owner == upperB) return cache.masks.Lcs(x);
    if (cache.owner == upperA) return cache.masks.Lcs(y);
    if (y.size() <= LcsPattern::kMaxUnits) {
      cache.masks.Assign(y);
      cache.owner = upperB;
      return cache.masks.Lcs(x);
    }
    if (x.size() <= LcsPattern::kMaxUnits) {
      cache.masks.Assign(x);
      cache.owner = upperA;
      return cache.masks.Lcs(y);
    }
    return LcsLength(x, y);
  }

  int CompareText(uint64_t prefixA, uint64_t keyA, uint64_t upperA, uint64_t prefixB,
                  uint64_t keyB, uint64_t upperB, uint32_t threshold, CachedPattern& cache) {
    int c;
    if (prefixA != prefixB) {
      c = prefixA < prefixB ? -1 : 1;
    } else {
      c = CompareKeys(keyA, keyB);
    }
    if (c == 0 || !m_fuzzy) return c;
    if (threshold == 0) return 0;
    const size_t n = RefLength(upperA);
    const size_t m = RefLength(upperB);
    if (SimilarityPercentFromLcs(n, m, std::min(n, m)) < threshold) return c;
    return SimilarityPercentFromLcs(n, m, Lcs(upperA, upperB, cache)) < threshold ? c : 0;
  }

  const MatchCriteria m_criteria;
  const bool m_fuzzy;
  const bool m_compareArtist;
  const bool m_compareTitle;
  const bool m_textKeys;
  std::string m_keys;
  std::u16string m_upper;
  std::vector<uint64_t> m_extraKeys;  // album and genre keys by input position
  std::u16string m_text;
  struct PreparedText {
    uint64_t key, prefix, upper;
  };
  std::unordered_map<std::string_view, PreparedText> m_artistMemo;
  CachedPattern m_artistPattern;
  CachedPattern m_titlePattern;
  uint64_t m_comparisons = 0;
};

}  // namespace

struct SortPreparation::Data {
  explicit Data(const MatchCriteria& criteria) : ordering(criteria, 0) {}
  PreparedOrdering ordering;
  std::vector<Prepared> prepared;
  bool broken = false;
};

SortPreparation::SortPreparation(const MatchCriteria& criteria) {
  try {
    m_data = std::make_unique<Data>(criteria);
  } catch (const std::bad_alloc&) {
    // Without it SortAndGroup prepares the records itself.
  }
}

SortPreparation::~SortPreparation() = default;

void SortPreparation::Add(FoundFile file) noexcept {
  if (!m_data || m_data->broken) return;
  try {
    const size_t index = m_data->prepared.size();
    if (index >= kGroupableBit) throw std::bad_alloc();
    m_data->prepared.push_back(m_data->ordering.Prepare(file, static_cast<uint32_t>(index)));
  } catch (...) {
    m_data->broken = true;
    m_data->prepared.clear();
    m_data->prepared.shrink_to_fit();
  }
}

namespace {

bool SameCriteria(const MatchCriteria& a, const MatchCriteria& b) {
  return a.useSimilarity == b.useSimilarity && a.artistThreshold == b.artistThreshold &&
         a.titleThreshold == b.titleThreshold && a.durationTolerance == b.durationTolerance &&
         a.moreLimitations == b.moreLimitations;
}

// The preparation, when it was made for exactly these records and criteria.
SortPreparation::Data* Usable(SortPreparation::Data* data, std::span<const FoundFile> records,
                              const MatchCriteria& criteria) {
  if (data == nullptr || data->broken || data->prepared.size() != records.size() ||
      !SameCriteria(data->ordering.Criteria(), criteria))
    return nullptr;
  for (size_t i = 0; i < records.size(); ++i)
    if (!(data->prepared[i].file == records[i])) return nullptr;
  return data;
}

}  // namespace

SortGroupResult SortAndGroup(std::span<FoundFile> records, const MatchCriteria& criteria,
                             const StopCounter* stop, SortPreparation* preparation) {
  SortGroupResult result;
  if (Stopped(stop)) {
    result.stopped = true;
    return result;
  }
  if (records.empty()) return result;
  if (records.size() >= kGroupableBit) {
    // Positions would not fit the prepared entries; the plain comparators give the same result.
    const RecordOrdering plain = OrderingFor(criteria);
    SortRecords(records, plain, criteria);
    result.groups = AssignGroups(records, plain, criteria, stop);
    result.stopped = Stopped(stop);
    return result;
  }

  SortPreparation::Data* ahead =
      Usable(preparation != nullptr ? preparation->Ahead() : nullptr, records, criteria);
  std::optional<PreparedOrdering> own;
  std::vector<Prepared> ownPrepared;
  if (ahead == nullptr) {
    own.emplace(criteria, records.size());
    ownPrepared.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
      // Preparing a million records takes a while; honour a stop on the way.
      if ((i & 0xFFFF) == 0 && Stopped(stop)) {
        result.stopped = true;
        return result;
      }
      ownPrepared.push_back(own->Prepare(records[i], static_cast<uint32_t>(i)));
    }
  }
  PreparedOrdering& ordering = ahead != nullptr ? ahead->ordering : *own;
  std::vector<Prepared>& prepared = ahead != nullptr ? ahead->prepared : ownPrepared;

  QuickSort(std::span<Prepared>(prepared), [&](const Prepared& a, const Prepared& b) {
    return ordering(a, b);
  });
  for (size_t i = 0; i < prepared.size(); ++i) records[i] = prepared[i].file;
  result.workBytes = ordering.WorkBytes() + prepared.capacity() * sizeof(Prepared);

  if (Stopped(stop)) {
    result.stopped = true;
    result.comparisons = ordering.Comparisons();
    return result;
  }
  result.groups = WalkGroups(
      prepared.size(), [&](size_t k) { return (prepared[k].index & kGroupableBit) != 0; },
      [&](size_t k) { return prepared[k].file; },
      [&](size_t k, size_t j) { return ordering(prepared[k], prepared[j]) == 0; }, stop);
  result.stopped = Stopped(stop);
  result.comparisons = ordering.Comparisons();
  return result;
}

void KeepGroupedByGroup(std::vector<FoundFile>& records, records::FoundFileStore& store) {
  uint32_t maxGroup = 0;
  size_t kept = 0;
  for (const FoundFile file : records) {
    const uint32_t group = file.Group();
    if (group == 0) {
      store.ReleaseTexts(file);
      continue;
    }
    maxGroup = std::max(maxGroup, group);
    ++kept;
  }
  std::vector<FoundFile> ordered;
  ordered.reserve(kept);
  for (const FoundFile file : records) {
    if (file.Group() != 0) ordered.push_back(file);
  }
  if (maxGroup > ordered.size()) {
    // Numbers not dense as AssignGroups leaves them: a plain stable sort.
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](FoundFile a, FoundFile b) { return a.Group() < b.Group(); });
  } else {
    // A counting sort by group number: linear, and members keep their sorted order.
    std::vector<size_t> starts(static_cast<size_t>(maxGroup) + 2, 0);
    for (const FoundFile file : ordered) ++starts[file.Group() + 1];
    for (size_t g = 1; g < starts.size(); ++g) starts[g] += starts[g - 1];
    records.assign(ordered.size(), FoundFile());
    for (const FoundFile file : ordered) records[starts[file.Group()]++] = file;
    return;
  }
  records = std::move(ordered);
}

}  // namespace tarnq::engine
