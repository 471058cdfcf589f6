// SPDX-License-Identifier: GPL-3.0-or-later
// The locale-dependent text services on Linux: code pages, collation, case and formats from ICU.
#include "platform/text.h"

#include "platform/per_thread.h"
#include "platform/text_internal.h"

#include <pthread.h>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucol.h>
#include <unicode/udat.h>
#include <unicode/uchar.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <unordered_map>

namespace tarnq::platform {
namespace {

// --- Code page converters, one set per thread (ICU converters are not shareable) ---------------

void ToUnicodeCallback(const void*, UConverterToUnicodeArgs* args, const char* bytes, int32_t length,
                       UConverterCallbackReason reason, UErrorCode* error) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close, clone
  *error = U_ZERO_ERROR;
  // Windows maps the unassigned bytes of its single-byte code pages to the C1 controls.
  if (reason == UCNV_UNASSIGNED && length == 1) {
    const UChar c1 = static_cast<unsigned char>(bytes[0]);
    if (c1 >= 0x80 && c1 <= 0x9F) {
      ucnv_cbToUWriteUChars(args, &c1, 1, 0, error);
      return;
    }
  }
  const UChar replacement = kReplacement;
  ucnv_cbToUWriteUChars(args, &replacement, 1, 0, error);
}

struct ConverterCache {
  std::unordered_map<int, UConverter*> converters;
  ~ConverterCache() {
    for (auto& [cp, conv] : converters) ucnv_close(conv);
  }
  UConverter* Get(int codePage) {
    auto it = converters.find(codePage);
    if (it != converters.end()) return it->second;
    UConverter* conv = Open(codePage);
    if (conv == nullptr && codePage != 1252) return Get(1252);
    converters.emplace(codePage, conv);
    return conv;
  }
  static UConverter* Open(int codePage) {
    const std::string name = "windows-" + std::to_string(codePage);
    UErrorCode status = U_ZERO_ERROR;
    UConverter* conv = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status) || conv == nullptr) return nullptr;
    status = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv, ToUnicodeCallback, nullptr, nullptr, nullptr, &status);
    status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(conv, "?", 1, &status);
    return conv;
  }
};

UConverter* ConverterFor(int codePage) {
  thread_local PerThread<ConverterCache> cache;
  return cache.Get().Get(codePage);
}


// --- Collators and formatters, one per thread ---------------------------------------------------

struct CollatorDeleter {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorDeleter>;

CollatorPtr OpenCollator(bool numeric) {
  UErrorCode status = U_ZERO_ERROR;
  UCollator* coll = ucol_open(CollationLocale().c_str(), &status);
  if (U_FAILURE(status) || coll == nullptr) {
    status = U_ZERO_ERROR;
    coll = ucol_open("", &status);  // root collation
  }
  if (coll == nullptr) return nullptr;
  ucol_setStrength(coll, UCOL_SECONDARY);
  if (numeric) {
    status = U_ZERO_ERROR;
    ucol_setAttribute(coll, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
  }
  return CollatorPtr(coll);
}

// Each thread's collators. The thread_local is a plain record with no destructor: glibc allocates
// to register a thread_local's destructor and ends the process when that fails (a scan under a
// low memory limit died so). The collators are closed by a thread-specific key's destructor
// instead, which needs no allocation.
struct ThreadCollators {
  UCollator* collators[2] = {nullptr, nullptr};  // plain, numeric
  bool tried[2] = {false, false};
};
thread_local ThreadCollators t_collators;

void CloseThreadCollators(void* record) {
  auto* c = static_cast<ThreadCollators*>(record);
  for (UCollator*& coll : c->collators) {
    if (coll != nullptr) ucol_close(coll);
    coll = nullptr;
  }
}

pthread_key_t CollatorKey() {
  static const pthread_key_t key = [] {
    pthread_key_t k{};
    pthread_key_create(&k, &CloseThreadCollators);
    return k;
  }();
  return key;
}

UCollator* Collator(bool numeric) {
  ThreadCollators& c = t_collators;
  const int which = numeric ? 1 : 0;
  if (!c.tried[which]) {
    c.tried[which] = true;
    c.collators[which] = OpenCollator(numeric).release();
    pthread_setspecific(CollatorKey(), &c);
  }
  return c.collators[which];
}

int Sign(UCollationResult r) { return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0); }

int32_t ClampLength(size_t n) { return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n); }

// ICU writes a narrow no-break space before "AM"/"PM" in some locales; files and terminals expect
// plain spaces.
void PlainSpaces(std::u16string& text) {
  for (char16_t& c : text)
    if (c == 0x202F || c == 0x00A0) c = u' ';
}

}  // namespace

void PrepareTextServices() { Collator(false); }

// --- Code pages -----------------------------------------------------------------------------------

int LegacyCodePage() {
  const int chosen = CodePageOverride();
  if (chosen > 0) return chosen;
  static const int fromLocale = CodePageForLocale(LocaleFromEnvironment({"LC_ALL", "LC_CTYPE", "LANG"}));
  return fromLocale;
}

std::u16string DecodeCodePage(std::string_view bytes, int codePage) {
  if (codePage <= 0) codePage = LegacyCodePage();
  if (codePage == 65001) return Utf8ToUtf16(bytes);
  std::u16string out;
  if (bytes.empty()) return out;
  // Every Windows code page keeps ASCII as it is.
  bool ascii = true;
  for (unsigned char c : bytes) ascii = ascii && c < 0x80;
  if (ascii) return std::u16string(bytes.begin(), bytes.end());
  UConverter* conv = ConverterFor(codePage);
  if (conv == nullptr) {
    for (unsigned char c : bytes) out.push_back(c < 0x80 ? c : kReplacement);
    return out;
  }
  out.resize(bytes.size() * 2 + 2);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetToUnicode(conv);
  const int32_t len = ucnv_toUChars(conv, out.data(), ClampLength(out.size()), bytes.data(),
                                    ClampLength(bytes.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
    out.clear();
    return out;
  }
  out.resize(static_cast<size_t>(len));
  return out;
}

std::string EncodeCodePageLossy(std::u16string_view text, int codePage) {
  if (codePage <= 0) codePage = LegacyCodePage();
  if (codePage == 65001) return Utf16ToUtf8(text);
  std::string out;
  if (text.empty()) return out;
  UConverter* conv = ConverterFor(codePage);
  if (conv == nullptr) {
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
  }
  out.resize(text.size() * 4 + 4);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(conv);
  const int32_t len = ucnv_fromUChars(conv, out.data(), ClampLength(out.size()), text.data(),
                                      ClampLength(text.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
    out.clear();
    return out;
  }
  out.resize(static_cast<size_t>(len));
  return out;
}

// --- Comparison and case ----------------------------------------------------------------------------

std::string CollationLocale() {
  static const std::string locale = LocaleFromEnvironment({"LC_ALL", "LC_COLLATE", "LANG"});
  return locale;
}

int CompareText(const char16_t* a, size_t aLength, const char16_t* b, size_t bLength) {
  if (a == nullptr || b == nullptr) return 0;
  UCollator* coll = Collator(false);
  if (coll == nullptr) return 0;
  return Sign(ucol_strcoll(coll, a, ClampLength(aLength), b, ClampLength(bLength)));
}

int CompareText(std::u16string_view a, std::u16string_view b) {
  return CompareText(a.data(), a.size(), b.data(), b.size());
}

int CompareTextNumeric(std::u16string_view a, std::u16string_view b) {
  if (a.data() == nullptr || b.data() == nullptr) return 0;
  UCollator* coll = Collator(true);
  if (coll == nullptr) return 0;
  return Sign(ucol_strcoll(coll, a.data(), ClampLength(a.size()), b.data(), ClampLength(b.size())));
}

void AppendSortKey(std::u16string_view text, std::string& key) {
  UCollator* coll = Collator(false);
  if (coll == nullptr) return;
  const size_t start = key.size();
  size_t room = text.size() * 4 + 16;
  for (;;) {
    key.resize(start + room);
    const int32_t need = ucol_getSortKey(coll, text.data(), ClampLength(text.size()),
                                         reinterpret_cast<uint8_t*>(key.data() + start),
                                         ClampLength(room));
    if (need <= 0) {
      key.resize(start);
      return;
    }
    if (static_cast<size_t>(need) <= room) {
      key.resize(start + static_cast<size_t>(need) - 1);  // drop the terminating zero
      return;
    }
    room = static_cast<size_t>(need);
  }
}

char32_t FoldCase(char32_t c) { return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT)); }

void UpperUnitsInPlace(char16_t* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const char16_t u = text[i];
    if (u < 0x80) {
      if (u >= u'a' && u <= u'z') text[i] = static_cast<char16_t>(u - 32);
      continue;
    }
    if (IsHigh(u) || IsLow(u)) continue;
    const UChar32 up = u_toupper(u);
    if (up <= 0xFFFF) text[i] = static_cast<char16_t>(up);
  }
}

// --- Formatting -------------------------------------------------------------------------------------

std::string FormattingLocale() {
  static const std::string locale = LocaleFromEnvironment({"LC_ALL", "LC_TIME", "LANG"});
  return locale;
}

namespace {

struct NumberFormatDeleter {
  void operator()(UNumberFormat* f) const { unum_close(f); }
};
struct DateFormatDeleter {
  void operator()(UDateFormat* f) const { udat_close(f); }
};
using DateFormatPtr = std::unique_ptr<UDateFormat, DateFormatDeleter>;

// Windows shows four-digit years in its short date; ICU's short patterns often have two.
DateFormatPtr OpenDateFormat(UDateFormatStyle timeStyle, UDateFormatStyle dateStyle) {
  UErrorCode status = U_ZERO_ERROR;
  const std::string locale = FormattingLocale();
  UDateFormat* fmt = udat_open(timeStyle, dateStyle, locale.c_str(), nullptr, -1, nullptr, -1, &status);
  if (U_FAILURE(status) || fmt == nullptr) return nullptr;
  if (dateStyle != UDAT_NONE) {
    UChar pattern[128];
    status = U_ZERO_ERROR;
    const int32_t len = udat_toPattern(fmt, false, pattern, 128, &status);
    if (U_SUCCESS(status) && len > 0 && len < 128) {
      std::u16string p(reinterpret_cast<char16_t*>(pattern), static_cast<size_t>(len));
      const size_t yy = p.find(u"yy");
      if (yy != std::u16string::npos && p.find(u"yyy") == std::u16string::npos) {
        p.erase(yy, 1);
        udat_applyPattern(fmt, false, reinterpret_cast<const UChar*>(p.data()), ClampLength(p.size()));
      }
    }
  }
  return DateFormatPtr(fmt);
}

std::u16string FormatWith(UDateFormat* fmt, uint64_t fileTime) {
  if (fmt == nullptr) return {};
  // UDate is milliseconds since 1970.
  const double ms = (static_cast<double>(fileTime) - static_cast<double>(116444736000000000ULL)) / 10000.0;
  UChar buffer[128];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t len = udat_format(fmt, ms, buffer, 128, nullptr, &status);
  if (U_FAILURE(status) || len <= 0) return {};
  std::u16string out(reinterpret_cast<char16_t*>(buffer), static_cast<size_t>(std::min(len, 127)));
  PlainSpaces(out);
  return out;
}

}  // namespace

std::u16string FormatNumberGrouped(int64_t value) {
  struct NumberFormat {
    std::unique_ptr<UNumberFormat, NumberFormatDeleter> fmt;
    bool tried = false;
  };
  thread_local PerThread<NumberFormat> holder;
  NumberFormat& number = holder.Get();
  if (!number.tried) {
    number.tried = true;
    UErrorCode status = U_ZERO_ERROR;
    UNumberFormat* f = unum_open(UNUM_DECIMAL, nullptr, 0, FormattingLocale().c_str(), nullptr, &status);
    if (U_FAILURE(status)) f = nullptr;
    number.fmt.reset(f);
  }
  const auto& fmt = number.fmt;
  if (!fmt) return Utf8ToUtf16(std::to_string(value));
  UChar buffer[64];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t len = unum_formatInt64(fmt.get(), value, buffer, 64, nullptr, &status);
  if (U_FAILURE(status) || len <= 0 || len >= 64) return Utf8ToUtf16(std::to_string(value));
  std::u16string out(reinterpret_cast<char16_t*>(buffer), static_cast<size_t>(len));
  PlainSpaces(out);
  return out;
}

// The date and time formats of one thread, opened on first use.
struct DateFormats {
  DateFormatPtr date, timeWithSeconds, timeWithoutSeconds;
  bool opened = false;
  DateFormats& Open() {
    if (!opened) {
      opened = true;
      date = OpenDateFormat(UDAT_NONE, UDAT_SHORT);
      timeWithSeconds = OpenDateFormat(UDAT_MEDIUM, UDAT_NONE);
      timeWithoutSeconds = OpenDateFormat(UDAT_SHORT, UDAT_NONE);
    }
    return *this;
  }
};
thread_local PerThread<DateFormats> t_dateFormats;

std::u16string FormatDate(uint64_t fileTime) {
  return FormatWith(t_dateFormats.Get().Open().date.get(), fileTime);
}

std::u16string FormatTime(uint64_t fileTime, bool withSeconds) {
  DateFormats& f = t_dateFormats.Get().Open();
  return FormatWith(withSeconds ? f.timeWithSeconds.get() : f.timeWithoutSeconds.get(), fileTime);
}

}  // namespace tarnq::platform
