// SPDX-License-Identifier: GPL-3.0-or-later
// Field lines: the ";"-separated record syntax of results files, the information cache, provider
// entries and the preset's "Option" and "Filter" values.
//
// Writing: numbers in decimal with 0 as an empty field; texts as 8-bit values (ASCII as it is,
// anything else as the UTF-8 marker 0xEF 0xBB 0xBF plus UTF-8); a field holding ";" or a double
// quote, or beginning with a quote character, is enclosed in double quotes, or in apostrophes when
// it holds the pair `";` (which would end a double-quoted field early). Nothing inside is escaped,
// so CR, LF and NUL in a text are written as spaces: they would break the line.
//
// Reading: a field that begins with a double quote or an apostrophe runs to the next occurrence of
// that same character that is followed by ";" or the end of the line, without the enclosing
// characters (to the end of the line when there is none); any other field runs to the next ";".
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "platform/time.h"

namespace tarnq::settings {

// --- Numbers --------------------------------------------------------------------------------------
// strtoul/strtoull/strtol semantics, never reading past the view: leading spaces and tabs, an
// optional sign, digits up to the first other character. No digits → 0. Overflow saturates.
// A "-" negates in the unsigned forms (so "-1" is all ones), as strtoul does.
namespace detail {
// Digits from the start of `text`; `any` tells whether there was one.
template <class CharT>
uint64_t ParseDigits(std::basic_string_view<CharT> text, uint64_t max, int base, bool& any) {
  uint64_t value = 0;
  bool overflow = false;
  any = false;
  for (CharT ch : text) {
    const auto c = static_cast<uint32_t>(ch);
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    any = true;
    if (overflow || value > (max - digit) / static_cast<uint64_t>(base)) overflow = true;
    else value = value * static_cast<uint64_t>(base) + digit;
  }
  return overflow ? max : value;
}
// Skips spaces and one sign; returns the position of the digits.
template <class CharT>
size_t SkipSpaceAndSign(std::basic_string_view<CharT> text, bool& negative) {
  size_t i = 0;
  while (i < text.size() && (text[i] == CharT(' ') || text[i] == CharT('\t'))) ++i;
  negative = false;
  if (i < text.size() && (text[i] == CharT('-') || text[i] == CharT('+'))) {
    negative = text[i] == CharT('-');
    ++i;
  }
  return i;
}
}  // namespace detail

template <class CharT>
uint64_t ParseUnsigned(std::basic_string_view<CharT> text,
                       uint64_t max = std::numeric_limits<uint64_t>::max(), int base = 10) {
  bool negative;
  const size_t i = detail::SkipSpaceAndSign(text, negative);
  bool any;
  const uint64_t value = detail::ParseDigits(text.substr(i), max, base, any);
  if (!any) return 0;
  if (value == max) return max;
  return negative ? (~value + 1) & max : value;
}

template <class CharT>
int64_t ParseSigned(std::basic_string_view<CharT> text,
                    int64_t min = std::numeric_limits<int64_t>::min(),
                    int64_t max = std::numeric_limits<int64_t>::max(), int base = 10) {
  bool negative;
  const size_t i = detail::SkipSpaceAndSign(text, negative);
  // The magnitude of `min` is one more than that of -(min + 1).
  const uint64_t limit = negative ? static_cast<uint64_t>(-(min + 1)) + 1 : static_cast<uint64_t>(max);
  bool any;
  const uint64_t magnitude = detail::ParseDigits(text.substr(i), limit, base, any);
  if (!any || magnitude == 0) return 0;
  if (negative) return -static_cast<int64_t>(magnitude - 1) - 1;
  return static_cast<int64_t>(magnitude);
}

inline uint32_t ParseUnsigned32(std::string_view text) {
  return static_cast<uint32_t>(ParseUnsigned(text, 0xFFFFFFFFu));
}
inline uint64_t ParseUnsigned64(std::string_view text) { return ParseUnsigned(text); }
inline int32_t ParseSigned32(std::string_view text) {
  return static_cast<int32_t>(ParseSigned(text, INT32_MIN, INT32_MAX));
}
inline int64_t ParseSigned64(std::string_view text) { return ParseSigned(text); }

// --- Splitting ------------------------------------------------------------------------------------
// Walks the fields of one line. An empty line has no fields; "a;" has two ("a" and "").
template <class CharT>
class BasicFieldReader {
 public:
  using View = std::basic_string_view<CharT>;
  explicit BasicFieldReader(View line) : m_rest(line), m_done(line.empty()) {}

  bool Next(View& field) {
    if (m_done) return false;
    const CharT first = m_rest.empty() ? CharT(0) : m_rest.front();
    if (first == CharT('"') || first == CharT('\'')) {
      for (size_t i = 1; i < m_rest.size(); ++i) {
        if (m_rest[i] != first) continue;
        if (i + 1 == m_rest.size()) {
          field = m_rest.substr(1, i - 1);
          m_done = true;
          return true;
        }
        if (m_rest[i + 1] == CharT(';')) {
          field = m_rest.substr(1, i - 1);
          m_rest.remove_prefix(i + 2);
          return true;
        }
      }
      field = m_rest.substr(1);  // no closing character: the rest of the line
      m_done = true;
      return true;
    }
    const size_t semi = m_rest.find(CharT(';'));
    if (semi == View::npos) {
      field = m_rest;
      m_done = true;
      return true;
    }
    field = m_rest.substr(0, semi);
    m_rest.remove_prefix(semi + 1);
    return true;
  }

  // The next field, or an empty one when the line is used up.
  View NextOrEmpty() {
    View field;
    return Next(field) ? field : View();
  }

 private:
  View m_rest;
  bool m_done;
};
using FieldReader = BasicFieldReader<char>;
using FieldReader16 = BasicFieldReader<char16_t>;

// Appends `field` to `out` with the quoting rules above (no separator).
template <class CharT>
void AppendQuotedField(std::basic_string<CharT>& out, std::basic_string_view<CharT> field) {
  using View = std::basic_string_view<CharT>;
  const bool needsQuotes = field.find(CharT(';')) != View::npos || field.find(CharT('"')) != View::npos ||
                           (!field.empty() && field.front() == CharT('\''));
  if (!needsQuotes) {
    out.append(field);
    return;
  }
  const CharT closeDouble[] = {CharT('"'), CharT(';')};
  const CharT closeSingle[] = {CharT('\''), CharT(';')};
  if (field.find(View(closeDouble, 2)) == View::npos) {
    out.push_back(CharT('"'));
    out.append(field);
    out.push_back(CharT('"'));
  } else if (field.find(View(closeSingle, 2)) == View::npos) {
    out.push_back(CharT('\''));
    out.append(field);
    out.push_back(CharT('\''));
  } else {
    // Holds both `";` and `';`: no enclosing character survives the reader, so the separators
    // become commas rather than splitting the record.
    out.push_back(CharT('"'));
    for (CharT c : field) out.push_back(c == CharT(';') ? CharT(',') : c);
    out.push_back(CharT('"'));
  }
}

// --- Texts and paths in 8-bit values --------------------------------------------------------------
// A text value: CR, LF and NUL become spaces, then ASCII as it is, else marker + UTF-8.
std::string EncodeTextField(std::u16string_view text);
// After the marker as UTF-8 (the whole range), otherwise in the legacy code page.
std::u16string DecodeTextField(std::string_view bytes);
// A path value: like a text, but file-name bytes that are not valid UTF-8 (escape surrogates)
// are written as the original bytes after the marker, and read back to the same escapes.
std::string EncodePathField(std::u16string_view path);
std::u16string DecodePathField(std::string_view bytes);

// A number in plain decimal.
void AppendNumber(std::string& out, uint64_t value);
void AppendNumber(std::string& out, int64_t value);

// --- Writing a line -------------------------------------------------------------------------------
class FieldLineWriter {
 public:
  // Appends to `out`; several lines may go into one buffer.
  explicit FieldLineWriter(std::string& out) : m_out(out) {}

  void Unsigned(uint64_t value);  // empty for 0
  void Signed(int64_t value);     // empty for 0
  void Text(std::u16string_view text);
  void Path(std::u16string_view path);
  // Plain UTF-8 without marker (the path field of results files); escapes become their bytes.
  void Utf8(std::u16string_view text);
  // 8-bit bytes as they are (CR, LF and NUL become spaces), quoted as needed.
  void Raw(std::string_view bytes);
  void Empty();
  // Ends the line with CR LF. A line of one empty field is written as ";" so that it is not an
  // empty line (which readers skip).
  void EndLine();

  size_t FieldCount() const { return m_fields; }

 private:
  void Separator();
  std::string& m_out;
  size_t m_fields = 0;
  size_t m_lineStart = std::string::npos;
};

// --- Lines ----------------------------------------------------------------------------------------
// Walks the lines of a text: a line ends at CR, LF or CR LF; empty lines are skipped.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view text) : m_rest(text) {}
  bool Next(std::string_view& line);

 private:
  std::string_view m_rest;
};

// --- Packed date-time -----------------------------------------------------------------------------
// UTC calendar fields of a FILETIME in one number: bits 0-5 second, 6-11 minute, 12-16 hour,
// 17-21 day, 22-25 month, 26 and up year (milliseconds dropped). Times not after `zeroUpTo`
// pack as 0 (the preset uses 1980-01-01 00:00; the cache one tick less).
uint64_t PackDateTime(platform::FileTime fileTime, platform::FileTime zeroUpTo = platform::kFileTime1980);
// 0 or fields out of range give 0.
platform::FileTime UnpackDateTime(uint64_t packed);

}  // namespace tarnq::settings
