// SPDX-License-Identifier: GPL-3.0-or-later
// The locale-dependent text services on Windows: the system's code pages, CompareStringEx and
// LCMapStringEx for the user's sort order, CharUpperBuffW, and the user's number and date formats.
#include "platform/text.h"

#include "platform/text_internal.h"
#include "platform/win/win_util.h"

#include <climits>
#include <vector>

namespace tarnq::platform {
namespace {

constexpr DWORD kCompareFlags = NORM_IGNORECASE | NORM_IGNOREKANATYPE;

int ClampLength(size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

int Sign(int result) { return result == CSTR_LESS_THAN ? -1 : (result == CSTR_GREATER_THAN ? 1 : 0); }

int UsableCodePage(int codePage) {
  if (codePage <= 0) codePage = LegacyCodePage();
  return IsValidCodePage(static_cast<UINT>(codePage)) ? codePage : 1252;
}

// "en-US" -> "en_US".
std::string LocaleNameOfUser() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH];
  const int n = GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
  if (n <= 1) return "en_US";
  std::string out = Utf16ToUtf8(win::FromWide(name, static_cast<size_t>(n - 1)));
  for (char& c : out)
    if (c == '-') c = '_';
  return out;
}

std::u16string LocaleInfo(LCTYPE type, const char16_t* fallback) {
  wchar_t buffer[32];
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, static_cast<int>(std::size(buffer)));
  if (n <= 1) return fallback;
  return win::FromWide(buffer, static_cast<size_t>(n - 1));
}

// A FILETIME in the user's time zone.
bool LocalFields(uint64_t fileTime, SYSTEMTIME& local) {
  const FILETIME utc = win::ToFileTime(fileTime);
  SYSTEMTIME utcFields;
  return FileTimeToSystemTime(&utc, &utcFields) && SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &local);
}

void PlainSpaces(std::u16string& text) {
  for (char16_t& c : text)
    if (c == 0x202F || c == 0x00A0) c = u' ';
}

}  // namespace

void PrepareTextServices() {}

// --- Code pages -----------------------------------------------------------------------------------

int LegacyCodePage() {
  const int chosen = CodePageOverride();
  return chosen > 0 ? chosen : static_cast<int>(GetACP());
}

std::u16string DecodeCodePage(std::string_view bytes, int codePage) {
  codePage = UsableCodePage(codePage);
  if (codePage == CP_UTF8) return Utf8ToUtf16(bytes);
  std::u16string out;
  if (bytes.empty()) return out;
  const int need = MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), ClampLength(bytes.size()), nullptr, 0);
  if (need <= 0) return out;
  std::wstring wide(static_cast<size_t>(need), L'\0');
  MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), ClampLength(bytes.size()), wide.data(), need);
  return win::FromWide(wide.data(), wide.size());
}

std::string EncodeCodePageLossy(std::u16string_view text, int codePage) {
  codePage = UsableCodePage(codePage);
  if (codePage == CP_UTF8) return Utf16ToUtf8(text);
  std::string out;
  if (text.empty()) return out;
  // No "best fit" look-alikes: a character the code page lacks becomes '?'.
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  const int need = WideCharToMultiByte(static_cast<UINT>(codePage), flags, win::Wide(text), ClampLength(text.size()),
                                       nullptr, 0, "?", nullptr);
  if (need <= 0) return out;
  out.resize(static_cast<size_t>(need));
  WideCharToMultiByte(static_cast<UINT>(codePage), flags, win::Wide(text), ClampLength(text.size()), out.data(), need,
                      "?", nullptr);
  return out;
}

// --- Comparison and case ----------------------------------------------------------------------------

std::string CollationLocale() {
  static const std::string locale = LocaleNameOfUser();
  return locale;
}

int CompareText(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  if (a == nullptr || b == nullptr) return 0;
  return Sign(CompareStringEx(LOCALE_NAME_USER_DEFAULT, kCompareFlags, reinterpret_cast<const wchar_t*>(a),
                              ClampLength(aLength), reinterpret_cast<const wchar_t*>(b), ClampLength(bLength),
                              nullptr, nullptr, 0));
}

int CompareText(std::u16string_view a, std::u16string_view b) {
  return CompareText(a.data(), a.size(), b.data(), b.size());
}

int CompareTextNumeric(std::u16string_view a, std::u16string_view b) {
  if (a.data() == nullptr || b.data() == nullptr) return 0;
  return Sign(CompareStringEx(LOCALE_NAME_USER_DEFAULT, kCompareFlags | SORT_DIGITSASNUMBERS, win::Wide(a),
                              ClampLength(a.size()), win::Wide(b), ClampLength(b.size()), nullptr, nullptr, 0));
}

void AppendSortKey(std::u16string_view text, std::string& key) {
  const DWORD flags = LCMAP_SORTKEY | kCompareFlags;
  const int need = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, win::Wide(text), ClampLength(text.size()), nullptr, 0,
                                 nullptr, nullptr, 0);
  if (need <= 0) return;
  const size_t start = key.size();
  key.resize(start + static_cast<size_t>(need));
  // With LCMAP_SORTKEY the output is bytes, counted in bytes.
  const int done = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, win::Wide(text), ClampLength(text.size()),
                                 reinterpret_cast<wchar_t*>(key.data() + start), need, nullptr, nullptr, 0);
  if (done <= 0) {
    key.resize(start);
    return;
  }
  key.resize(start + static_cast<size_t>(done) - 1);  // drop the terminating zero
}

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return c;
  std::u16string unit;
  AppendCodePoint(c, unit);
  // Simple folding as the invariant locale maps case: lower case of the upper case, so that
  // variants of one letter (final sigma, long s) fold together. The length must not change.
  wchar_t upper[2], lower[2];
  const int n = static_cast<int>(unit.size());
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, win::Wide(unit), n, upper, n, nullptr, nullptr, 0) != n ||
      LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, upper, n, lower, n, nullptr, nullptr, 0) != n)
    return c;
  if (n == 1) return static_cast<char32_t>(lower[0]);
  return 0x10000 + ((static_cast<char32_t>(lower[0]) - 0xD800) << 10) + (static_cast<char32_t>(lower[1]) - 0xDC00);
}

void UpperUnitsInPlace(char16_t* text, size_t length) {
  // CharUpperBuffW maps each unit alone and keeps the length; surrogates stay as they are.
  size_t i = 0;
  while (i < length) {
    if (IsHigh(text[i]) || IsLow(text[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < length && !IsHigh(text[end]) && !IsLow(text[end]) && end - i < 0x10000000) ++end;
    CharUpperBuffW(reinterpret_cast<wchar_t*>(text + i), static_cast<DWORD>(end - i));
    i = end;
  }
}

// --- Formatting -------------------------------------------------------------------------------------

std::string FormattingLocale() {
  static const std::string locale = LocaleNameOfUser();
  return locale;
}

std::u16string FormatNumberGrouped(int64_t value) {
  const std::string digits = std::to_string(value);
  const std::u16string number(digits.begin(), digits.end());
  // The user's grouping and separators, without decimals.
  std::u16string decimal = LocaleInfo(LOCALE_SDECIMAL, u".");
  std::u16string thousand = LocaleInfo(LOCALE_STHOUSAND, u",");
  const std::u16string grouping = LocaleInfo(LOCALE_SGROUPING, u"3;0");
  UINT groups = 0;
  for (char16_t c : grouping)
    if (c >= u'1' && c <= u'9') groups = groups * 10 + (c - u'0');
  if (grouping.size() >= 2 && grouping.ends_with(u";0") && groups >= 10) groups /= 10;  // "3;0" is plain threes
  NUMBERFMTW format{};
  format.NumDigits = 0;
  format.LeadingZero = 0;
  format.Grouping = groups == 0 ? 3 : groups;
  format.lpDecimalSep = reinterpret_cast<wchar_t*>(decimal.data());
  format.lpThousandSep = reinterpret_cast<wchar_t*>(thousand.data());
  format.NegativeOrder = 1;
  wchar_t buffer[64];
  const int n = GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, win::Wide(number), &format, buffer,
                                  static_cast<int>(std::size(buffer)));
  if (n <= 1) return number;
  std::u16string out = win::FromWide(buffer, static_cast<size_t>(n - 1));
  PlainSpaces(out);
  return out;
}

std::u16string FormatDate(uint64_t fileTime) {
  SYSTEMTIME local;
  if (!LocalFields(fileTime, local)) return {};
  wchar_t buffer[128];
  const int n = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, buffer,
                                static_cast<int>(std::size(buffer)), nullptr);
  if (n <= 1) return {};
  std::u16string out = win::FromWide(buffer, static_cast<size_t>(n - 1));
  PlainSpaces(out);
  return out;
}

std::u16string FormatTime(uint64_t fileTime, bool withSeconds) {
  SYSTEMTIME local;
  if (!LocalFields(fileTime, local)) return {};
  wchar_t buffer[128];
  const int n = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, withSeconds ? 0 : TIME_NOSECONDS, &local, nullptr, buffer,
                                static_cast<int>(std::size(buffer)));
  if (n <= 1) return {};
  std::u16string out = win::FromWide(buffer, static_cast<size_t>(n - 1));
  PlainSpaces(out);
  return out;
}

}  // namespace tarnq::platform
