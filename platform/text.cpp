// SPDX-License-Identifier: GPL-3.0-or-later
// The text services every platform shares: UTF-8 and UTF-16, file-name escapes, the 8-bit rules.
// The locale-dependent services are in text_icu.cpp (Linux) and win/text_win.cpp (Windows).
#include "platform/text.h"

#include "platform/text_internal.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace tarnq::platform {
namespace {

inline bool IsCont(unsigned char c) { return (c & 0xC0) == 0x80; }
// Decodes one UTF-8 sequence at s[i]. On success stores the code point and advances i past it.
// On failure leaves i unchanged and stores in `bad` how many bytes form the maximal invalid
// subpart (at least 1), so a caller can replace them by one U+FFFD.
bool DecodeUtf8(const unsigned char* s, size_t n, size_t& i, char32_t& cp, size_t& bad) {
  const unsigned char c = s[i];
  if (c < 0x80) {
    cp = c;
    ++i;
    return true;
  }
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    cp = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no encoded surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    cp = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    bad = 1;
    return false;
  }
  size_t k = 1;
  for (; k <= need; ++k) {
    if (i + k >= n) break;
    const unsigned char d = s[i + k];
    if (k == 1 ? (d < lo || d > hi) : !IsCont(d)) break;
    cp = (cp << 6) | (d & 0x3F);
  }
  if (k <= need) {
    bad = k;
    return false;
  }
  i += need + 1;
  return true;
}

std::atomic<int> g_codePageOverride{0};

}  // namespace

int CodePageOverride() { return g_codePageOverride.load(std::memory_order_relaxed); }

std::string LocaleFromEnvironment(std::initializer_list<const char*> variables) {
  for (const char* name : variables) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    std::string locale(value);
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX") return "en_US";
    return locale;
  }
  return "en_US";
}

// --- UTF-8 / UTF-16 ---------------------------------------------------------------------------

void AppendUtf8ToUtf16(std::string_view utf8, std::u16string& out) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    char32_t cp;
    size_t bad;
    if (DecodeUtf8(s, n, i, cp, bad)) {
      AppendCodePoint(cp, out);
    } else {
      out.push_back(kReplacement);
      i += bad;
    }
  }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  AppendUtf8ToUtf16(utf8, out);
  return out;
}

namespace {

// Encodes UTF-16 into UTF-8 at `p`, which has room for 3 bytes per unit. Lone surrogates become
// U+FFFD, or, when `escapes` is set, the escapes U+DC80..U+DCFF become their byte and any other lone
// surrogate (and a NUL) makes the function return null.
char* EncodeUtf8(std::u16string_view text, char* p, bool escapes) {
  const char16_t* s = text.data();
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    // ASCII runs are the common case for paths and tags.
    while (i < n && s[i] < 0x80 && s[i] != 0) *p++ = static_cast<char>(s[i++]);
    if (i == n) break;
    const char16_t u = s[i];
    char32_t cp;
    if (IsHigh(u) && i + 1 < n && IsLow(s[i + 1])) {
      cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      i += 2;
    } else if (escapes && u >= 0xDC80 && u <= 0xDCFF) {
      *p++ = static_cast<char>(u - 0xDC00);
      ++i;
      continue;
    } else if (IsHigh(u) || IsLow(u) || u == 0) {
      if (escapes) return nullptr;
      cp = u == 0 ? 0 : kReplacement;
      ++i;
    } else {
      cp = u;
      ++i;
    }
    if (cp < 0x80) {
      *p++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
      *p++ = static_cast<char>(0xC0 | (cp >> 6));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (cp >> 12));
      *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (cp >> 18));
      *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return p;
}

}  // namespace

void AppendUtf16ToUtf8(std::u16string_view utf16, std::string& out) {
  const size_t start = out.size();
  out.resize(start + utf16.size() * 3);
  char* end = EncodeUtf8(utf16, out.data() + start, false);
  out.resize(static_cast<size_t>(end - out.data()));
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3 / 2);
  AppendUtf16ToUtf8(utf16, out);
  return out;
}

std::u16string_view CutUtf16(std::u16string_view text, size_t capacity) {
  if (text.size() <= capacity) return text;
  size_t n = capacity;
  if (n > 0 && IsHigh(text[n - 1]) && IsLow(text[n])) --n;
  return text.substr(0, n);
}

// --- File names -----------------------------------------------------------------------------------

void AppendNameBytesToUtf16(std::string_view bytes, std::u16string& out) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    if (s[i] < 0x80) {
      out.push_back(s[i++]);
      continue;
    }
    char32_t cp;
    size_t bad;
    if (DecodeUtf8(s, n, i, cp, bad)) {
      AppendCodePoint(cp, out);
    } else {
      // One escape per byte keeps the round trip exact.
      out.push_back(static_cast<char16_t>(0xDC00 + s[i]));
      ++i;
    }
  }
}

std::u16string NameBytesToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  AppendNameBytesToUtf16(bytes, out);
  return out;
}

bool Utf16ToNameBytes(std::u16string_view text, std::string& bytes) {
  bytes.resize(text.size() * 3);
  char* end = EncodeUtf8(text, bytes.data(), true);
  if (end == nullptr) {
    bytes.clear();
    return false;
  }
  bytes.resize(static_cast<size_t>(end - bytes.data()));
  return true;
}

// --- Code pages -----------------------------------------------------------------------------------

int CodePageForLocale(std::string_view locale) {
  const std::string_view lang = locale.substr(0, locale.find_first_of("_-.@"));
  const std::string_view region =
      locale.find('_') == std::string_view::npos
          ? std::string_view{}
          : locale.substr(locale.find('_') + 1, 2);
  struct Entry {
    const char* languages;
    int codePage;
  };
  // The ANSI code page Windows picks for the user's language.
  static constexpr Entry kTable[] = {
      {" cs hu pl ro sk sl hr bs sq ", 1250},
      {" ru uk be bg mk sr kk ky tt mn ", 1251},
      {" el ", 1253},
      {" tr az ", 1254},
      {" he iw yi ", 1255},
      {" ar fa ur ", 1256},
      {" lt lv et ", 1257},
      {" vi ", 1258},
      {" th ", 874},
      {" ja ", 932},
      {" ko ", 949},
  };
  if (lang.empty() || lang.size() > 3) return 1252;
  std::string padded(1, ' ');
  padded.append(lang);
  padded.push_back(' ');
  if (lang == "zh") return (region == "TW" || region == "HK" || region == "MO") ? 950 : 936;
  // Serbian and Bosnian in Latin script use the Central European page.
  if (locale.find("@latin") != std::string_view::npos) return 1250;
  for (const Entry& e : kTable)
    if (std::strstr(e.languages, padded.c_str()) != nullptr) return e.codePage;
  return 1252;
}

void SetLegacyCodePage(int codePage) {
  g_codePageOverride.store(codePage > 0 ? codePage : 0, std::memory_order_relaxed);
}

bool IsAscii(std::u16string_view text) {
  for (char16_t c : text)
    if (c >= 0x80) return false;
  return true;
}

std::string Encode8Bit(std::u16string_view text) {
  std::string out;
  if (IsAscii(text)) {
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(static_cast<char>(c));
    return out;
  }
  out.assign(kUtf8Marker);
  AppendUtf16ToUtf8(text, out);
  return out;
}

std::u16string Decode8Bit(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Marker)) return Utf8ToUtf16(bytes.substr(kUtf8Marker.size()));
  return DecodeCodePage(bytes, 0);
}

// --- Case ------------------------------------------------------------------------------------------

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t u = text[i];
    if (IsHigh(u) && i + 1 < n && IsLow(text[i + 1])) {
      const char32_t cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      AppendCodePoint(FoldCase(cp), out);
      ++i;
    } else if (IsHigh(u) || IsLow(u)) {
      out.push_back(u);
    } else {
      AppendCodePoint(FoldCase(char32_t(u)), out);
    }
  }
  return out;
}

std::u16string UpperUnits(std::u16string_view text) {
  std::u16string out(text);
  UpperUnitsInPlace(out.data(), out.size());
  return out;
}

}  // namespace tarnq::platform
