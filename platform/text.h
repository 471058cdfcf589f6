// SPDX-License-Identifier: GPL-3.0-or-later
// Text conversions and locale-aware text services. Everything here is thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnq::platform {

// --- UTF-8 <-> UTF-16, the whole Unicode range -------------------------------------------------
// Malformed input (bad lead or continuation bytes, overlongs, surrogates encoded in UTF-8, code
// points above U+10FFFF, truncated sequences) becomes U+FFFD; nothing past the input is read.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// Appending forms for hot paths that reuse a buffer.
void AppendUtf8ToUtf16(std::string_view utf8, std::u16string& out);
void AppendUtf16ToUtf8(std::u16string_view utf16, std::string& out);

// Cuts `text` to at most `capacity` units without splitting a surrogate pair.
std::u16string_view CutUtf16(std::u16string_view text, size_t capacity);

// --- File names -------------------------------------------------------------------------------
// A Linux file name is a byte string. Valid UTF-8 decodes as usual; every byte that is not part of
// a valid sequence becomes the lone surrogate U+DC80..U+DCFF, so the round trip is exact for
// every byte string.
std::u16string NameBytesToUtf16(std::string_view bytes);
void AppendNameBytesToUtf16(std::string_view bytes, std::u16string& out);
// Back to bytes. A lone surrogate outside U+DC80..U+DCFF cannot be encoded: returns false
// (error 123, "The filename, directory name, or volume label syntax is incorrect.").
bool Utf16ToNameBytes(std::u16string_view text, std::string& bytes);

// --- The legacy 8-bit code page -----------------------------------------------------------------
// The code page that 8-bit texts without the UTF-8 marker are read in (a Windows code page number).
// Defaults to the one Windows would choose for the user's locale; the settings may override it.
int LegacyCodePage();
void SetLegacyCodePage(int codePage);  // 0 restores the locale default
// The Windows ANSI code page for a POSIX locale name such as "ru_RU.UTF-8" (1252 when unknown).
int CodePageForLocale(std::string_view locale);

// Decodes 8-bit text in `codePage` (0 = LegacyCodePage()). Unknown code pages fall back to 1252.
std::u16string DecodeCodePage(std::string_view bytes, int codePage = 0);
// Encodes in `codePage` (0 = LegacyCodePage()); characters the code page cannot hold become '?'.
std::string EncodeCodePageLossy(std::u16string_view text, int codePage = 0);

inline constexpr std::string_view kUtf8Marker = "\xEF\xBB\xBF";
// The rule for writing a text into an 8-bit file: pure ASCII as it is, anything else as the UTF-8
// marker followed by UTF-8 (every reader decodes that, whatever its code page).
std::string Encode8Bit(std::u16string_view text);
// Reads such a value back: after the marker as UTF-8, otherwise in the legacy code page.
std::u16string Decode8Bit(std::string_view bytes);
bool IsAscii(std::u16string_view text);

// --- Comparison and case --------------------------------------------------------------------------
// Opens this thread's collator and with it the collation library's process-wide caches. Call it
// once at start-up, before any worker: creating those caches when memory has run out crashes inside
// the library (it frees a cache it never finished building), so they are made while memory is
// plentiful. Later calls cost nothing.
void PrepareTextServices();

// Compares like the user's locale sorts, ignoring case (strength secondary: accents count).
// Returns -1, 0 or 1. A null text compares equal to anything.
int CompareText(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength);
int CompareText(std::u16string_view a, std::u16string_view b);
// The same with digit runs compared as numbers ("Track 2" before "Track 10").
int CompareTextNumeric(std::u16string_view a, std::u16string_view b);
// The collation sort key of `text` for CompareText's order: comparing two keys with memcmp gives
// the same sign as CompareText of the texts. Appended to `key` (no terminating zero).
void AppendSortKey(std::u16string_view text, std::string& key);
// The collator's locale (LC_ALL, LC_COLLATE, LANG; default en_US), e.g. "de_DE".
std::string CollationLocale();

// Simple per-code-point case folding, independent of the locale (name masks).
std::u16string FoldCase(std::u16string_view text);
char32_t FoldCase(char32_t c);
// Per-unit simple upper-casing: each BMP unit mapped alone, surrogates unchanged; length kept.
std::u16string UpperUnits(std::u16string_view text);
void UpperUnitsInPlace(char16_t* text, size_t length);

// --- Numbers, dates, times in the user's formats ------------------------------------------------
// The number with the locale's digit grouping ("1,234,567").
std::u16string FormatNumberGrouped(int64_t value);
// The date part of a FILETIME in the user's short date format, local time.
std::u16string FormatDate(uint64_t fileTime);
// The time part, local time, with or without seconds.
std::u16string FormatTime(uint64_t fileTime, bool withSeconds);
// The user's locale for formatting (LC_ALL, LC_TIME, LANG; default en_US).
std::string FormattingLocale();

}  // namespace tarnq::platform
