// SPDX-License-Identifier: GPL-3.0-or-later
// External language files (TARNQ_XX.LNG): lines "Key=text" naming each catalogue text by its
// four-letter key, plus "Language" (the display name) and, for 8-bit files, "CP" (the code page).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lang/catalogue.h"

namespace tarnq::lang {

// Language files are small; anything bigger is not one.
inline constexpr uint64_t kMaxLanguageFileBytes = uint64_t{16} << 20;

// The file's text in UTF-16: FF FE at the start means UTF-16 little-endian, EF BB BF UTF-8,
// anything else 8-bit text in the code page of the file's "CP" value (the legacy code page
// when it has none).
std::u16string DecodeLanguageFile(std::string_view bytes);

// The value of `key`: the first line that begins with exactly `key` (case-sensitive), followed
// by any number of underscores and '='; the value runs to the end of that line. False when no
// line matches.
bool FindLanguageValue(std::u16string_view text, std::u16string_view key, std::u16string& value);

// A catalogue built from a language file. Its texts are UTF-8; it owns them.
class LoadedCatalogue {
 public:
  Catalogue View() const { return {m_entries.data(), 65001}; }
  const std::u16string& Code() const { return m_code; }
  const std::u16string& DisplayName() const { return m_displayName; }
  const std::u16string& Path() const { return m_path; }

  // Builds the catalogue from the decoded file text: for every identifier of `keyTable` (entry 2
  // on) the value of its key with backslash-n pairs turned into line breaks, or the `english`
  // text of the identifier when the file lacks the key. Entry 0 holds `code`, entry 1 the
  // "Language" value.
  void Build(std::u16string_view fileText, const CatalogueEntry* keyTable, const Catalogue& english,
             std::u16string_view code, std::u16string_view path);

 private:
  std::vector<CatalogueEntry> m_entries;
  std::unique_ptr<char[]> m_storage;  // every text, NUL-terminated; m_entries point into it
  std::u16string m_code;
  std::u16string m_displayName;
  std::u16string m_path;
};

// Reads and builds a language file. Returns 0 or the error of reading it.
uint32_t LoadLanguageFile(std::u16string_view path, const CatalogueEntry* keyTable, const Catalogue& english,
                          std::u16string_view code, LoadedCatalogue& out);

// The file called `name` in `folder`, its name compared ignoring case (files copied from
// Windows keep whatever case they had). Empty when there is none.
std::u16string FindFileInFolder(std::u16string_view folder, std::u16string_view name);

}  // namespace tarnq::lang
