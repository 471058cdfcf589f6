// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/catalogue.h"

#include "platform/text.h"

namespace tarnq::lang {

Catalogue CatalogueOf(const CatalogueEntry* table) {
  if (table == nullptr) return {};
  return {table, MarkerToCodePage(table[0].id)};
}

int ApplyAlias(int identifier) {
  switch (identifier) {
    case 1155:
      return 9019;
    case 2100:
      return 5509;
    default:
      return identifier;
  }
}

const char* FindText(const CatalogueEntry* table, int identifier) {
  if (table == nullptr) return nullptr;
  identifier = ApplyAlias(identifier);
  for (const CatalogueEntry* entry = table + 1; entry->id != 0; ++entry) {
    if (entry->id == identifier) return entry->text;
  }
  return nullptr;
}

void ExpandTabs(std::u16string& text) {
  size_t out = 0;
  for (size_t in = 0; in < text.size(); ++in) {
    if (text[in] == u'\\' && in + 1 < text.size() && text[in + 1] == u't') {
      text[out++] = u'\t';
      ++in;
    } else {
      text[out++] = text[in];
    }
  }
  text.resize(out);
}

std::u16string GetText(const Catalogue& catalogue, int identifier) {
  const char* text = FindText(catalogue.entries, identifier);
  if (text == nullptr || *text == '\0') return {};
  std::u16string result = platform::DecodeCodePage(text, catalogue.codePage);
  ExpandTabs(result);
  return result;
}

std::string_view LanguageCodeOf(const CatalogueEntry* table) {
  if (table == nullptr || table[0].text == nullptr) return {};
  return table[0].text;
}

std::u16string DisplayNameOf(const Catalogue& catalogue) { return GetText(catalogue, 1); }

std::u16string_view MenuPart(std::u16string_view text) { return text.substr(0, text.find(u';')); }

std::u16string_view HelpPart(std::u16string_view text) {
  const size_t first = text.find(u';');
  if (first == std::u16string_view::npos) return {};
  text.remove_prefix(first + 1);
  return text.substr(0, text.find(u';'));
}

std::u16string_view ShortPart(std::u16string_view text) {
  const size_t first = text.find(u';');
  if (first == std::u16string_view::npos) return text;
  const size_t second = text.find(u';', first + 1);
  if (second == std::u16string_view::npos) return text.substr(0, first);
  return text.substr(second + 1);
}

}  // namespace tarnq::lang
