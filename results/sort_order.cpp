// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/sort_order.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include "platform/paths.h"
#include "platform/text.h"
#include "platform/time.h"
#include "results/columns.h"
#include "results/folder_table.h"

namespace tarnq::results {
namespace {

constexpr uint16_t kClassVolume = 0xFFFF;
constexpr uint16_t kClassMask = 0x1018;
constexpr uint16_t kAttributeVolume = 0x08;
constexpr uint16_t kClassOffline = 0x1000;

bool SetsClass(int key) {
  return key == kSortName || key == kSortExtension || key == kSortPath || key == kSortSize ||
         key == kSortModified;
}

// The name without / only its extension: the text after the last ".".
void SplitName(const std::u16string& name, std::u16string_view& stem, std::u16string_view& ext) {
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos) {
    stem = name;
    ext = {};
  } else {
    stem = std::u16string_view(name).substr(0, dot);
    ext = std::u16string_view(name).substr(dot + 1);
  }
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

}  // namespace

void ProvideSortValue(SortQuery& query, ResultRow row, const FolderTable& folders) {
  query.type = SortValueType::kNone;
  query.number = 0;
  query.text.clear();
  const int key = query.key;
  query.nextKey = key == kSortNone ? -1 : kSortName;
  if (key == kSortName) query.nextKey = query.chosen ? kSortExtension : kSortPath;
  if (key == kSortPath) query.nextKey = query.chosen ? kSortName : -1;

  if (SetsClass(key)) {
    const uint16_t attributes = row.Attributes();
    if (attributes & kAttributeVolume) {
      query.cls = kClassVolume;
      query.type = SortValueType::kText;
      query.text = u" ";
      return;
    }
    query.cls = attributes & kClassMask;
    if (query.cls & kClassOffline) {
      query.type = SortValueType::kText;
      row.GetName(query.text);
      return;
    }
  }
  const records::AudioInfo info = row.Info();
  auto text = [&](size_t index) {
    query.type = SortValueType::kText;
    info.GetText(index, query.text, records::kMaxTextBytes + 1);
  };
  auto u32 = [&](uint64_t value) {
    query.type = SortValueType::kUnsigned32;
    query.number = value;
  };
  switch (key) {
    case kSortNone: break;
    case kSortName:
    case kSortExtension: {
      std::u16string name = row.Name();
      std::u16string_view stem, ext;
      SplitName(name, stem, ext);
      query.type = SortValueType::kText;
      query.text = key == kSortName ? stem : ext;
      break;
    }
    case kSortPath:
      query.type = SortValueType::kText;
      folders.AppendPath(row.Folder(), query.text);
      break;
    case kSortArtist: text(records::kTextArtist); break;
    case kSortTitle: text(records::kTextTitle); break;
    case kSortAlbum: text(records::kTextAlbum); break;
    case kSortGenre: text(records::kTextGenre); break;
    case kSortType: text(records::kTextType); break;
    case kSortComment: text(records::kTextComment); break;
    case kSortTrack: u32(info.track); break;
    case kSortBpm: u32(info.bpm); break;
    case kSortDuration: u32(info.duration); break;
    case kSortBitrate:
      // The average of a variable rate counts; plain "VBR" (-1) and unknown (0) count as 0.
      u32(info.bitrate > 0 ? static_cast<uint32_t>(info.bitrate)
                           : info.bitrate < -1 ? static_cast<uint32_t>(-static_cast<int64_t>(info.bitrate)) : 0u);
      break;
    case kSortSize: {
      const uint64_t size = row.Size();
      query.type = SortValueType::kUnsigned64;
      query.number = size == kUnknownSize ? 0 : size;
      break;
    }
    case kSortModified: {
      const uint64_t time = row.Modified();
      query.type = SortValueType::kUnsigned64;
      query.number = time < platform::kFileTime1980 ? 0 : time;
      break;
    }
    default: break;
  }
}

std::vector<int> SortChain(int key) {
  std::vector<int> chain;
  if (key <= kSortNone || key >= kSortKeyCount) return chain;
  static const FolderTable kNoFolders;
  std::vector<std::byte> blank;
  EncodeRow({}, {}, u"", blank);
  SortQuery query;
  query.key = key;
  query.chosen = true;
  // Only the first key is the chosen order, so Filename -> Extension -> Filename (as a tie-break)
  // -> Path -> end. The guard only protects against a provider that would loop.
  for (int step = 0; step < 2 * kSortKeyCount; ++step) {
    if (std::find(chain.begin(), chain.end(), query.key) == chain.end()) chain.push_back(query.key);
    const int current = query.key;
    ProvideSortValue(query, ResultRow(blank.data()), kNoFolders);
    if (query.nextKey < 0 || query.nextKey == current) break;
    query.key = query.nextKey;
    query.chosen = false;
  }
  return chain;
}

namespace {

// One row's value for one key of the chain, prepared once per sort.
struct Cell {
  uint16_t cls = 0;
  SortValueType type = SortValueType::kNone;
  bool ready = false;
  uint64_t number = 0;
  uint32_t textStart = 0;  // into the key arena (collation key bytes, or UTF-16 when numeric)
  uint32_t textLength = 0;
};

class Sorter {
 public:
  Sorter(const std::vector<std::byte*>& rows, const SortSettings& settings, const FolderTable& folders)
      : m_rows(rows), m_settings(settings), m_folders(folders), m_chain(SortChain(settings.key)),
        m_cells(rows.size() * m_chain.size()) {}

  int Compare(size_t a, size_t b) {
    for (size_t level = 0; level < m_chain.size(); ++level) {
      const Cell& x = CellOf(a, level);
      const Cell& y = CellOf(b, level);
      if (SetsClass(m_chain[level]) && x.cls != y.cls) return x.cls > y.cls ? -1 : 1;  // never reversed
      int result = 0;
      if (x.type != y.type) {
        result = x.type < y.type ? -1 : 1;
      } else if (x.type == SortValueType::kText) {
        result = CompareText(x, y);
      } else if (x.number != y.number) {
        result = x.number < y.number ? -1 : 1;
      }
      if (result != 0) {
        if (m_settings.reversed && !((x.cls | y.cls) & kClassOffline)) result = -result;
        return result;
      }
    }
    return 0;
  }

 private:
  const Cell& CellOf(size_t row, size_t level) {
    Cell& cell = m_cells[row * m_chain.size() + level];
    if (cell.ready) return cell;
    m_query.key = m_chain[level];
    m_query.chosen = level == 0;
    m_query.numeric = m_settings.numeric;
    m_query.cls = 0;
    const int key = m_chain[level];
    if (key == kSortPath) {
      // Every row of a folder has the same path: compute its value once per folder.
      const uint32_t folder = ResultRow(m_rows[row]).Folder();
      ProvideSortValue(m_query, ResultRow(m_rows[row]), NoFolderText());
      if (m_query.type == SortValueType::kText && m_query.cls == 0) {
        const auto it = m_pathCells.find(folder);
        if (it != m_pathCells.end()) {
          cell = it->second;
          return cell;
        }
        m_query.text.clear();
        m_folders.AppendPath(folder, m_query.text);
        Fill(cell);
        m_pathCells.emplace(folder, cell);
        return cell;
      }
    } else {
      ProvideSortValue(m_query, ResultRow(m_rows[row]), m_folders);
    }
    Fill(cell);
    return cell;
  }

  // An empty table, so that the provider does not build the path for the folder cache.
  static const FolderTable& NoFolderText() {
    static const FolderTable empty;
    return empty;
  }

  void Fill(Cell& cell) {
    cell.ready = true;
    cell.cls = m_query.cls;
    cell.type = m_query.type;
    cell.number = m_query.number;
    if (cell.type != SortValueType::kText) return;
    cell.textStart = static_cast<uint32_t>(m_arena.size());
    if (m_settings.numeric) {
      const size_t bytes = m_query.text.size() * 2;
      m_arena.resize(m_arena.size() + bytes);
      std::memcpy(m_arena.data() + cell.textStart, m_query.text.data(), bytes);
    } else {
      platform::AppendSortKey(m_query.text, m_arena);
    }
    cell.textLength = static_cast<uint32_t>(m_arena.size() - cell.textStart);
  }

  int CompareText(const Cell& x, const Cell& y) {
    if (m_settings.numeric) {
      m_left.resize(x.textLength / 2);
      m_right.resize(y.textLength / 2);
      std::memcpy(m_left.data(), m_arena.data() + x.textStart, x.textLength);
      std::memcpy(m_right.data(), m_arena.data() + y.textStart, y.textLength);
      return platform::CompareTextNumeric(m_left, m_right);
    }
    const size_t n = std::min(x.textLength, y.textLength);
    const int c = n == 0 ? 0 : std::memcmp(m_arena.data() + x.textStart, m_arena.data() + y.textStart, n);
    if (c != 0) return Sign(c);
    return x.textLength == y.textLength ? 0 : (x.textLength < y.textLength ? -1 : 1);
  }

  const std::vector<std::byte*>& m_rows;
  const SortSettings& m_settings;
  const FolderTable& m_folders;
  std::vector<int> m_chain;
  std::vector<Cell> m_cells;
  std::string m_arena;
  std::unordered_map<uint32_t, Cell> m_pathCells;
  SortQuery m_query;
  std::u16string m_left, m_right;
};

}  // namespace

int CompareRows(ResultRow a, ResultRow b, const SortSettings& settings, const FolderTable& folders) {
  std::vector<std::byte*> rows = {a.Data(), b.Data()};
  Sorter sorter(rows, settings, folders);
  return sorter.Compare(0, 1);
}

void GatherGroups(std::vector<std::byte*>& rows) {
  // Bucket the rows by group in the order of each group's first member; each bucket keeps the
  // sorted order of its rows.
  std::unordered_map<uint32_t, uint32_t> bucketOf;
  std::vector<uint32_t> bucketOfRow(rows.size());
  std::vector<uint32_t> bucketSize;
  for (size_t i = 0; i < rows.size(); ++i) {
    const uint32_t group = ResultRow(rows[i]).Group();
    const auto [it, added] = bucketOf.try_emplace(group, static_cast<uint32_t>(bucketSize.size()));
    if (added) bucketSize.push_back(0);
    bucketOfRow[i] = it->second;
    ++bucketSize[it->second];
  }
  std::vector<size_t> start(bucketSize.size() + 1, 0);
  for (size_t b = 0; b < bucketSize.size(); ++b) start[b + 1] = start[b] + bucketSize[b];
  std::vector<std::byte*> gathered(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) gathered[start[bucketOfRow[i]]++] = rows[i];
  rows.swap(gathered);

  // Renumber along the display order; rows outside any group stay outside.
  uint32_t number = 0;
  bool first = true;
  uint32_t previous = 0;
  for (std::byte* record : rows) {
    ResultRow row(record);
    const uint32_t group = row.Group();
    if (group == 0) continue;
    if (first || group != previous) {
      ++number;
      first = false;
      previous = group;
    }
    row.SetGroup(number);
  }
}

void SortRows(std::vector<std::byte*>& rows, const SortSettings& settings, const FolderTable& folders) {
  if (rows.empty()) return;
  if (settings.key > kSortNone && settings.key < kSortKeyCount) {
    Sorter sorter(rows, settings, folders);
    std::vector<uint32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t a, uint32_t b) { return sorter.Compare(a, b) < 0; });
    std::vector<std::byte*> sorted(rows.size());
    for (size_t i = 0; i < order.size(); ++i) sorted[i] = rows[order[i]];
    rows.swap(sorted);
  }
  GatherGroups(rows);
}

}  // namespace tarnq::results
