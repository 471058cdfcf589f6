// SPDX-License-Identifier: GPL-3.0-or-later
// The counts the status bar shows: files and bytes of all rows ("Total") or of the selected rows
// ("Selected"), with the number of groups and the cancelled note.
#pragma once

#include <cstdint>
#include <string>

namespace tarnq::results {

// Catalogue ids of the words.
namespace status_text {
inline constexpr int kTotal = 1221;
inline constexpr int kSelected = 1222;
inline constexpr int kFile = 1223;
inline constexpr int kFiles = 1224;
inline constexpr int kGroup = 1225;
inline constexpr int kGroups = 1226;
inline constexpr int kByte = 1228;
inline constexpr int kBytes = 1229;
inline constexpr int kSearchCanceled = 1230;
}  // namespace status_text

struct TotalCounter {
  uint64_t files = 0;
  uint64_t bytes = 0;
  void Add(uint64_t size) {
    ++files;
    if (size != ~uint64_t{0}) bytes += size;
  }
  friend bool operator==(const TotalCounter&, const TotalCounter&) = default;
};

struct StatusTextInput {
  int textId = status_text::kTotal;  // kTotal, kSelected (or another catalogue id)
  TotalCounter counter;
  bool shortSizes = false;  // sizes in the short form ("Show the file size in bytes" off)
  uint32_t groupCount = 0;  // not shown for kSelected
  bool canceled = false;    // not shown for kSelected
  bool incomplete = false;  // not shown for kSelected: some folders could not be searched
};

// Catalogue id of the note after the totals of a search that could not list every folder.
inline constexpr int kIncompleteTextId = 12001;

// "Total 12 files, 34,567 bytes, 3 groups - search canceled"; "0 files" when both counters are
// 0 ("" for kSelected). The words come from the active catalogue.
std::u16string FormatStatusText(const StatusTextInput& input);

}  // namespace tarnq::results
