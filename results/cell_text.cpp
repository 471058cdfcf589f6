// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/cell_text.h"

#include "lang/format.h"
#include "platform/text.h"
#include "results/columns.h"
#include "results/folder_table.h"

namespace tarnq::results {
namespace {

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string TwoDigits(uint64_t value) {
  std::u16string out;
  out += static_cast<char16_t>(u'0' + (value / 10) % 10);
  out += static_cast<char16_t>(u'0' + value % 10);
  return out;
}

}  // namespace

std::u16string FormatShortSize(uint64_t bytes) {
  static constexpr char16_t kUnits[] = u" KMGT";
  uint64_t value = bytes;
  size_t unit = 0;
  while (value > 1024 && unit + 1 < 5) {
    const bool cut = (value & 1023) != 0;
    value = (value >> 10) + (cut ? 1 : 0);
    ++unit;
  }
  if (unit == 0) {
    value = value == 0 ? 0 : 1;
    unit = 1;
  }
  std::u16string out = platform::FormatNumberGrouped(static_cast<int64_t>(value));
  out += u' ';
  out += kUnits[unit];
  out += u'B';
  return out;
}

std::u16string FormatBitrate(int32_t bitrate) {
  if (bitrate == 0) return {};
  if (bitrate > 0) return platform::FormatNumberGrouped(bitrate) + u" kbps";
  if (bitrate == -1) return u"VBR";
  const int64_t average = -static_cast<int64_t>(bitrate);
  return lang::FormatText(u"%s (ø %ld %s)", {u"VBR", average, u"kbps"});
}

std::u16string FormatDuration(uint32_t seconds) {
  if (seconds == 0) return {};
  const uint64_t h = seconds / 3600;
  const uint64_t m = (seconds / 60) % 60;
  const uint64_t s = seconds % 60;
  if (h == 0) return TwoDigits(m) + u":" + TwoDigits(s);
  return Ascii(std::to_string(h)) + u":" + TwoDigits(m) + u":" + TwoDigits(s);
}

std::u16string FormatSize(uint64_t size, bool shortForm) {
  if (size == kUnknownSize) return {};
  if (shortForm) return FormatShortSize(size);
  // Sizes above the signed range cannot occur for real files; show them saturated.
  return platform::FormatNumberGrouped(size > INT64_MAX ? INT64_MAX : static_cast<int64_t>(size));
}

std::u16string FormatModified(uint64_t fileTime, bool withSeconds) {
  if (fileTime == 0) return {};
  return platform::FormatDate(fileTime) + u" " + platform::FormatTime(fileTime, withSeconds);
}

bool IsDimmed(ResultRow row) { return (row.Attributes() & 0x6) != 0; }

std::u16string CellText(ResultRow row, uint16_t columnId, const FolderTable& folders, uint32_t options) {
  if (!row) return {};
  const records::AudioInfo info = row.Info();
  auto number = [](uint64_t n) { return n == 0 ? std::u16string() : Ascii(std::to_string(n)); };
  // Texts are read whole for display (the 256-unit capacity is for comparisons only).
  auto text = [&](size_t index) { return info.GetText(index, records::kMaxTextBytes + 1); };
  switch (columnId) {
    case column::kFilename: return row.Name();
    case column::kPath: return folders.Path(row.Folder());
    case column::kArtist: return text(records::kTextArtist);
    case column::kTitle: return text(records::kTextTitle);
    case column::kAlbum: return text(records::kTextAlbum);
    case column::kGenre: return text(records::kTextGenre);
    case column::kType: return text(records::kTextType);
    case column::kComment: return text(records::kTextComment);
    case column::kTrack: return number(info.track);
    case column::kBpm: return number(info.bpm);
    case column::kBitrate: return FormatBitrate(info.bitrate);
    case column::kDuration: return FormatDuration(info.duration);
    case column::kSize: return FormatSize(row.Size(), (options & list_option::kShortSizes) != 0);
    case column::kModified:
      return FormatModified(row.Modified(), (options & list_option::kShowSeconds) != 0);
    default: return {};
  }
}

}  // namespace tarnq::results
