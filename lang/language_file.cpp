// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/language_file.h"

#include <charconv>
#include <cstring>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::lang {
namespace {

bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

// The same search on the raw bytes of an 8-bit file, for "CP" before the text can be decoded
// (code pages keep ASCII where line ends and keys are).
bool FindByteValue(std::string_view bytes, std::string_view key, std::string_view& value) {
  for (size_t pos = 0; pos <= bytes.size();) {
    if (bytes.substr(pos, key.size()) == key) {
      size_t p = pos + key.size();
      while (p < bytes.size() && bytes[p] == '_') ++p;
      if (p < bytes.size() && bytes[p] == '=') {
        const size_t end = bytes.find_first_of("\r\n", p + 1);
        value = bytes.substr(p + 1, end == std::string_view::npos ? std::string_view::npos : end - p - 1);
        return true;
      }
    }
    const size_t next = bytes.find_first_of("\r\n", pos);
    if (next == std::string_view::npos) break;
    pos = next + 1;
  }
  return false;
}

std::u16string DecodeUtf16Le(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return out;
}

void ExpandLineBreaks(std::u16string& text) {
  size_t out = 0;
  for (size_t in = 0; in < text.size(); ++in) {
    if (text[in] == u'\\' && in + 1 < text.size() && text[in + 1] == u'n') {
      text[out++] = u'\n';
      ++in;
    } else {
      text[out++] = text[in];
    }
  }
  text.resize(out);
}

}  // namespace

std::u16string DecodeLanguageFile(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16Le(bytes.substr(2));
  if (bytes.starts_with(platform::kUtf8Marker)) return platform::Utf8ToUtf16(bytes.substr(3));
  int codePage = 0;
  std::string_view cp;
  if (FindByteValue(bytes, "CP", cp)) {
    int parsed = 0;
    const auto [end, ec] = std::from_chars(cp.data(), cp.data() + cp.size(), parsed);
    if (ec == std::errc() && parsed > 0) codePage = parsed;
  }
  return platform::DecodeCodePage(bytes, codePage);
}

bool FindLanguageValue(std::u16string_view text, std::u16string_view key, std::u16string& value) {
  if (key.empty()) return false;
  for (size_t pos = 0; pos <= text.size();) {
    if (text.substr(pos, key.size()) == key) {
      size_t p = pos + key.size();
      while (p < text.size() && text[p] == u'_') ++p;
      if (p < text.size() && text[p] == u'=') {
        size_t end = p + 1;
        while (end < text.size() && !IsLineEnd(text[end])) ++end;
        value.assign(text.substr(p + 1, end - p - 1));
        return true;
      }
    }
    while (pos < text.size() && !IsLineEnd(text[pos])) ++pos;
    if (pos == text.size()) break;
    ++pos;
  }
  return false;
}

void LoadedCatalogue::Build(std::u16string_view fileText, const CatalogueEntry* keyTable,
                            const Catalogue& english, std::u16string_view code, std::u16string_view path) {
  m_code.assign(code);
  m_path.assign(path);
  m_displayName.clear();
  FindLanguageValue(fileText, u"Language", m_displayName);

  // Gather the texts first, then lay them out in one block the entries point into.
  std::vector<int16_t> ids;
  std::vector<std::string> texts;
  ids.push_back(0);
  texts.push_back(platform::Utf16ToUtf8(m_code));
  ids.push_back(1);
  texts.push_back(platform::Utf16ToUtf8(m_displayName));
  std::u16string value;
  const int keyCodePage = CatalogueOf(keyTable).codePage;
  if (keyTable != nullptr && keyTable[1].id != 0) {
    for (const CatalogueEntry* entry = keyTable + 2; entry->id != 0; ++entry) {
      const std::u16string key =
          entry->text != nullptr ? platform::DecodeCodePage(entry->text, keyCodePage) : u"";
      if (FindLanguageValue(fileText, key, value)) {
        ExpandLineBreaks(value);
      } else {
        // A file made for an older catalogue lacks the newer keys; English stands in.
        const char* englishText = FindText(english.entries, entry->id);
        value = englishText != nullptr ? platform::DecodeCodePage(englishText, english.codePage) : u"";
      }
      ids.push_back(entry->id);
      texts.push_back(platform::Utf16ToUtf8(value));
    }
  }

  size_t total = 0;
  for (const std::string& t : texts) total += t.size() + 1;
  m_storage = std::make_unique<char[]>(total);
  m_entries.clear();
  m_entries.reserve(texts.size() + 1);
  char* at = m_storage.get();
  for (size_t i = 0; i < texts.size(); ++i) {
    std::memcpy(at, texts[i].c_str(), texts[i].size() + 1);
    m_entries.push_back({ids[i], at});
    at += texts[i].size() + 1;
  }
  m_entries.push_back({0, nullptr});
}

uint32_t LoadLanguageFile(std::u16string_view path, const CatalogueEntry* keyTable, const Catalogue& english,
                          std::u16string_view code, LoadedCatalogue& out) {
  std::string bytes;
  const uint32_t error = platform::ReadWholeFile(path, bytes, kMaxLanguageFileBytes);
  if (error != 0) return error;
  out.Build(DecodeLanguageFile(bytes), keyTable, english, code, path);
  return 0;
}

std::u16string FindFileInFolder(std::u16string_view folder, std::u16string_view name) {
  const std::u16string wanted = platform::FoldCase(name);
  std::u16string found;
  platform::ListDirectory(folder, [&](const platform::DirEntry& entry) {
    if ((entry.attributes & platform::attr::kDirectory) != 0) return true;
    if (entry.name.size() != name.size() || platform::FoldCase(entry.name) != wanted) return true;
    found = platform::JoinPath(folder, entry.name);
    return false;
  });
  return found;
}

}  // namespace tarnq::lang
