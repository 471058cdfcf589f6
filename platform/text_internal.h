// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the text services of every platform (text.cpp and its locale back ends).
#pragma once

#include <initializer_list>
#include <string>

namespace tarnq::platform {

inline constexpr char16_t kReplacement = 0xFFFD;

inline bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

inline void AppendCodePoint(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// The code page SetLegacyCodePage chose, 0 when none.
int CodePageOverride();

// The locale name from the first set variable, without encoding and modifier; "en_US" for none,
// "C" and "POSIX".
std::string LocaleFromEnvironment(std::initializer_list<const char*> variables);

}  // namespace tarnq::platform
