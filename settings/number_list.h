// SPDX-License-Identifier: GPL-3.0-or-later
// Number lists of settings values ("n,n,n" in placements, fonts, colour lists and the desktop-size
// record) and the hexadecimal form they are written in.
#pragma once

#include <charconv>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/field_line.h"

namespace tarnq::settings {

// Appends `value` in lower-case hexadecimal without "0x".
inline void AppendHex(std::string& out, uint32_t value) {
  char digits[16];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value, 16).ptr);
}

// "n,n,n": decimal numbers, or hexadecimal ones when the value begins with "#"; a "-" is allowed
// in front of each. Parsing stops at the first item that is not a number. Returns how many were
// read (up to out.size(); one more when further numbers follow).
template <class CharT>
size_t ParseNumberList(std::basic_string_view<CharT> value, std::span<int64_t> out) {
  int base = 10;
  if (!value.empty() && value.front() == CharT('#')) {
    base = 16;
    value.remove_prefix(1);
  }
  size_t count = 0;
  size_t pos = 0;
  while (true) {
    while (pos < value.size() && value[pos] == CharT(' ')) ++pos;
    bool negative = false;
    if (pos < value.size() && (value[pos] == CharT('-') || value[pos] == CharT('+'))) {
      negative = value[pos] == CharT('-');
      ++pos;
    }
    size_t digits = 0;
    bool any = false;
    while (pos + digits < value.size()) {
      detail::ParseDigits(value.substr(pos + digits, 1), 0xFF, base, any);
      if (!any) break;
      ++digits;
    }
    if (digits == 0) break;
    const uint64_t magnitude = detail::ParseDigits(value.substr(pos, digits), 0xFFFFFFFFull, base, any);
    pos += digits;
    if (count == out.size()) return count + 1;
    // Numbers are 32-bit words: "80000000" in a hexadecimal list is -2147483648.
    const auto word = static_cast<uint32_t>(negative ? ~magnitude + 1 : magnitude);
    out[count++] = static_cast<int32_t>(word);
    while (pos < value.size() && value[pos] == CharT(' ')) ++pos;
    if (pos >= value.size() || value[pos] != CharT(',')) break;
    ++pos;
  }
  return count;
}

}  // namespace tarnq::settings
