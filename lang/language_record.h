// SPDX-License-Identifier: GPL-3.0-or-later
// The layout of the language library's data, shared by the library and the program that reads it.
// Everything here is static data of the library: the program reads it and never frees it.
#pragma once

#include <cstdint>

namespace tarnq::lang {

#pragma pack(push, 1)
// One catalogue entry (10 bytes). Entry 0 holds the code-page marker and the language code,
// entry 1 the identifier 1 and the display name, then the texts; identifier 0 ends the table.
struct CatalogueEntry {
  int16_t id;
  const char* text;  // NUL-terminated 8-bit text; may be null
};

// One item of a menu tree (14 bytes); a tree ends with identifier 0.
struct MenuItem {
  int16_t id;  // command or sub-menu identifier, kSeparatorId for a separator
  uint32_t flags;
  const MenuItem* subMenu;  // null for a command
};
#pragma pack(pop)
static_assert(sizeof(CatalogueEntry) == 10);
static_assert(sizeof(MenuItem) == 14);

inline constexpr int16_t kSeparatorId = -1;
inline constexpr uint32_t kMenuSeparator = 0x800;
inline constexpr uint32_t kMenuRightJustify = 0x4000;

// Code-page marker in entry 0: 0 = the legacy code page, n > 0 = code page n - 1,
// n < 0 = code page ~n.
inline constexpr int MarkerToCodePage(int marker) {
  return marker > 0 ? marker - 1 : marker < 0 ? ~marker : 0;
}

// What the library's one export returns.
struct LanguageRecord {
  const CatalogueEntry* const* catalogues;  // English, German, the key table, then null
  const MenuItem* mainMenu;
  const MenuItem* listMenuAddition;  // separator + Export List, appended to a dialog's list menu
  const MenuItem* selectionMenu;     // Select all, Deselect all, Invert selection
};

// The export's name and type.
inline constexpr const char* kRecordExportName = "r";
using RecordFunction = const LanguageRecord* (*)();

}  // namespace tarnq::lang
