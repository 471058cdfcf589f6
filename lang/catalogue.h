// SPDX-License-Identifier: GPL-3.0-or-later
// Reading texts out of a catalogue: the built-in tables of the language library and catalogues
// loaded from language files look the same (see language_record.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lang/language_record.h"

namespace tarnq::lang {

// A catalogue table together with the code page its 8-bit texts are in.
struct Catalogue {
  const CatalogueEntry* entries = nullptr;
  int codePage = 0;  // 0 = the legacy code page, 65001 = UTF-8, else a Windows code page
  explicit operator bool() const { return entries != nullptr; }
};

// A built-in table with the code page its entry 0 marks.
Catalogue CatalogueOf(const CatalogueEntry* table);

// Some controls ask for the text of another identifier: 1155 (the player's Pause button) shows
// 9019 "Pause", 2100 (the drive selection) shows 5509 "Select drives".
int ApplyAlias(int identifier);

// The 8-bit text of `identifier` after the alias, searched from entry 1 on; null when the table
// lacks the identifier or its text is null.
const char* FindText(const CatalogueEntry* table, int identifier);

// The text of `identifier` in UTF-16, each backslash-t pair replaced by a tab; empty when missing.
std::u16string GetText(const Catalogue& catalogue, int identifier);

// Entry 0's text: "US", "DE", "-" for the key table (empty for a null table).
std::string_view LanguageCodeOf(const CatalogueEntry* table);
// Entry 1's text, the display name ("English", "German (Deutsch)").
std::u16string DisplayNameOf(const Catalogue& catalogue);

// A text has up to three ';'-separated parts: menu text; status-bar help; short text.
std::u16string_view MenuPart(std::u16string_view text);  // before the first ';'
std::u16string_view HelpPart(std::u16string_view text);  // between the first and second ';'
// The short text for tooltips, titles and questions: the part after the second ';' when there
// is one, else the part before the first.
std::u16string_view ShortPart(std::u16string_view text);

// Replaces each backslash-t pair by a tab, in place.
void ExpandTabs(std::u16string& text);

}  // namespace tarnq::lang
