// SPDX-License-Identifier: GPL-3.0-or-later
// The search preset: folders to search and to skip, recursion, the file filter and the comparison
// criteria. Stored in the main settings file or in a preset file of its own (".tnq"), both in the
// settings-file format:
//   [TARNQ] Option = filterEnabled;noRecursion + 2*moreLimitations;useSimilarity;artist%;title%;tolerance
//           Filter = the filter items (see preset.cpp)
//   [Folder] 1 = +/folder/to/search, 2 = -/folder/to/skip, ...
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/time.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::engine {

// One side of the file filter. The lower bound holds "File mask", the ">=" conditions and the
// attributes that must be set; the upper bound "Exclude", the "<=" conditions and the attributes
// that must be clear.
struct FilterBound {
  std::u16string mask;     // ";"-separated name masks, at most 259 units; empty = no condition
  char dateUnit = 0;       // 0 = no date condition, else one of kDateUnits
  uint64_t dateValue = 0;  // "D" and "T": a FILETIME (UTC); other units: the count N
  char sizeUnit = 0;       // 0 = no size condition, else one of kSizeUnits
  uint64_t sizeValue = 0;  // in that unit
  uint16_t attributes = 0;
  platform::FileTime dateLimit = 0;  // computed from dateUnit/dateValue before each scan
  uint64_t sizeLimit = 0;            // computed from sizeUnit/sizeValue before each scan
  friend bool operator==(const FilterBound&, const FilterBound&) = default;
};

struct FileFilter {
  uint8_t dateKind = 0;  // 0 last write, 1 creation, 2 last access
  FilterBound lower;
  FilterBound upper;
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Date units: Date, Time, Seconds, Minutes, Hours, Days (Z), Weeks, Months (L), Years; the
// position is also the item index in the preset dialog's unit box.
inline constexpr std::string_view kDateUnits = "DTSMHZWLY";
inline constexpr std::string_view kSizeUnits = "BKMG";
// Attribute letters in filter order, with their bits.
inline constexpr std::string_view kAttributeLetters = "DARSHCE";
inline constexpr uint16_t kAttributeBits[] = {0x10, 0x20, 0x1, 0x4, 0x2, 0x800, 0x4000};
inline constexpr size_t kMaskCapacity = 260;  // units, with room for a terminator

struct SearchPreset {
  // Bits of moreLimitations: further fields that must be equal.
  static constexpr uint32_t kLimitAlbum = 0x1;
  static constexpr uint32_t kLimitTrack = 0x2;
  static constexpr uint32_t kLimitGenre = 0x4;
  static constexpr uint32_t kLimitBitrate = 0x8;
  static constexpr uint32_t kLimitBpm = 0x10;
  static constexpr uint32_t kLimitType = 0x20;

  int32_t filterEnabled = 0;  // "With filter"
  FileFilter filter;
  uint32_t moreLimitations = 0;
  int32_t noRecursion = 0;
  // Each entry "+" and a folder to search, or "-" and a folder to skip, in the user's order.
  std::vector<std::u16string> folderList;
  // Derived from folderList by SetFolderList: the entries without their first character.
  std::vector<std::u16string> folders;
  std::vector<std::u16string> excludedFolders;
  int32_t useSimilarity = 0;
  uint32_t artistThreshold = 0;  // percent
  uint32_t titleThreshold = 0;   // percent
  int32_t durationTolerance = 0;  // seconds; -1 = duration not compared
  std::u16string presetFile;      // empty = the preset lives in the main settings file

  // Replaces the folder list and rebuilds folders and excludedFolders: entries beginning with "-"
  // are excluded, all others searched; the first character is dropped from both.
  void SetFolderList(std::vector<std::u16string> list);

  // Reads the preset from `store`. A store without "Option" gives the load defaults (tolerance -1);
  // without "Filter" the filter is cleared; without folder key "1" the folder list stays as it was.
  void Load(settings::SettingsStore& store);
  // Writes "Option", "Filter" and section "Folder" (replacing the old one). Does not flush.
  void Save(settings::SettingsStore& store) const;

  // Takes `presetBoxText` as presetFile when it differs, then loads from that file (path macros
  // expanded) or, when presetFile is empty, from `mainSettings`. A preset file that does not exist
  // or cannot be read is an error (2, 5, ...): nothing else of the preset changes and no search
  // should start.
  uint32_t LoadCurrent(std::u16string_view presetBoxText, settings::SettingsStore& mainSettings);
  // Saves to presetFile, or to `mainSettings` when it is empty, and writes the file to disk.
  // Returns 0 or the error code of the write.
  uint32_t SaveCurrent(settings::SettingsStore& mainSettings) const;

  friend bool operator==(const SearchPreset&, const SearchPreset&) = default;
};

// The "Filter" value and back. Parsing clears the filter first, ignores unknown or malformed items
// and never fails.
std::u16string FormatFilter(const FileFilter& filter);
FileFilter ParseFilter(std::u16string_view value);
// The first item of a "Filter" value that ParseFilter would ignore or misread (an unknown letter,
// a date or size without its unit or with a bad number, an unknown attribute letter); empty when
// every item is well formed. For input typed by a user, where a silent ignore hides a mistake.
std::u16string FirstBadFilterItem(std::u16string_view value);

}  // namespace tarnq::engine
