// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/columns.h"

#include "settings/field_line.h"
#include "settings/settings_store.h"

namespace tarnq::results {
namespace {

constexpr std::string_view kSection = "TARNQ";

// Commands 151-166 in order.
constexpr int kCommandKeys[] = {kSortName,   kSortExtension, kSortPath,     kSortArtist,
                                kSortTitle,  kSortAlbum,     kSortTrack,    kSortGenre,
                                kSortBitrate, kSortDuration, kSortType,     kSortBpm,
                                kSortComment, kSortSize,     kSortModified, kSortNone};

}  // namespace

int ColumnIndex(uint16_t columnId) {
  for (size_t i = 0; i < kColumns.size(); ++i)
    if (kColumns[i].textId == columnId) return static_cast<int>(i);
  return -1;
}

std::optional<int> SortKeyForCommand(int commandId) {
  if (commandId < kCommandSortFirst || commandId > kCommandSortLast) return std::nullopt;
  return kCommandKeys[commandId - kCommandSortFirst];
}

std::optional<int> SortKeyForHeaderClick(uint16_t columnId, bool rightHalf) {
  switch (columnId) {
    case column::kFilename: return rightHalf ? kSortExtension : kSortName;
    case column::kPath: return kSortPath;
    case column::kArtist: return kSortArtist;
    case column::kTitle: return kSortTitle;
    case column::kAlbum: return kSortAlbum;
    case column::kTrack: return kSortTrack;
    case column::kGenre: return kSortGenre;
    case column::kBitrate: return kSortBitrate;
    case column::kDuration: return kSortDuration;
    case column::kType: return kSortType;
    case column::kComment: return kSortComment;
    case column::kBpm: return kSortBpm;
    case column::kSize: return kSortSize;
    case column::kModified: return kSortModified;
    default: return std::nullopt;
  }
}

SortOrder ReadSortOrder(settings::SettingsStore& store) {
  const uint32_t value = store.ReadInt(kSection, "Sort", 0);
  SortOrder order;
  const uint32_t key = value & 0xFFFF;
  order.key = key < kSortKeyCount ? static_cast<int>(key) : kSortNone;
  order.reversed = (value >> 16) != 0;
  return order;
}

void WriteSortOrder(settings::SettingsStore& store, const SortOrder& order) {
  const uint32_t key = order.key >= 0 && order.key < kSortKeyCount ? static_cast<uint32_t>(order.key) : 0;
  store.WriteInt(kSection, "Sort", key | (order.reversed ? 0x10000u : 0u));
}

ColumnLayout DefaultLayout() {
  ColumnLayout layout;
  for (int position = 0;; ++position) {
    bool found = false;
    for (size_t i = 0; i < kColumns.size(); ++i) {
      if (kColumns[i].defaultPosition != position) continue;
      layout.push_back({static_cast<int>(i), kColumns[i].defaultWidth, kColumns[i].flags});
      found = true;
    }
    if (!found) break;
  }
  return layout;
}

ColumnLayout ParseLayout(std::u16string_view value) {
  ColumnLayout layout;
  size_t pos = 0;
  while (pos <= value.size()) {
    size_t end = value.find(u';', pos);
    if (end == std::u16string_view::npos) end = value.size();
    std::u16string_view entry = value.substr(pos, end - pos);
    pos = end + 1;
    while (!entry.empty() && entry.front() == u' ') entry.remove_prefix(1);
    if (entry.empty()) continue;
    uint16_t align = 0;
    bool explicitAlign = true;
    switch (entry.front()) {
      case u'C': case u'c': align = kAlignCenter; break;
      case u'R': case u'r': align = kAlignRight; break;
      case u'L': case u'l': align = 0; break;
      default: explicitAlign = false;
    }
    if (explicitAlign) entry.remove_prefix(1);
    const size_t comma = entry.find(u',');
    if (comma == 0 || entry.empty() || entry.front() < u'0' || entry.front() > u'9') continue;
    const int64_t index = settings::ParseSigned(entry.substr(0, comma));
    if (index < 0 || index >= static_cast<int64_t>(kColumns.size())) continue;
    int32_t width = kColumns[index].defaultWidth;
    if (comma != std::u16string_view::npos) {
      const int64_t w = settings::ParseSigned(entry.substr(comma + 1));
      if (w > 0 && w < 100000) width = static_cast<int32_t>(w);
    }
    bool duplicate = false;
    for (const auto& c : layout) duplicate |= c.tableIndex == index;
    if (duplicate) continue;
    const uint16_t flags = static_cast<uint16_t>((kColumns[index].flags & ~kAlignMask) | align);
    layout.push_back({static_cast<int>(index), width, flags});
  }
  return layout.empty() ? DefaultLayout() : layout;
}

std::u16string FormatLayout(const ColumnLayout& layout) {
  std::u16string out;
  for (const auto& c : layout) {
    if (c.tableIndex < 0 || c.tableIndex >= static_cast<int>(kColumns.size())) continue;
    if (!out.empty()) out += u';';
    if ((c.flags & kAlignMask) == kAlignCenter) out += u'C';
    else if ((c.flags & kAlignMask) == kAlignRight) out += u'R';
    for (char ch : std::to_string(c.tableIndex) + "," + std::to_string(c.width)) out += static_cast<char16_t>(ch);
  }
  return out;
}

ColumnLayout ReadLayout(settings::SettingsStore& store) {
  if (store.DesktopChanged()) return DefaultLayout();
  return ParseLayout(store.ReadText(kSection, "L"));
}

void WriteLayout(settings::SettingsStore& store, const ColumnLayout& layout) {
  store.WriteText(kSection, "L", FormatLayout(layout));
}

}  // namespace tarnq::results
