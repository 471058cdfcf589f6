// SPDX-License-Identifier: GPL-3.0-or-later
// Filling catalogue texts such as "%lu errors occured" with values. Catalogue texts come from
// translators and language files, so they are never handed to printf: a translation that writes
// "%s" where "%lu" stood, or adds a stray "%n", must not read arguments that are not there.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tarnq::lang {

// One argument: a text or a whole number.
class FormatArg {
 public:
  FormatArg(std::u16string_view text) : m_value(text) {}
  FormatArg(const char16_t* text) : m_value(std::u16string_view(text)) {}
  FormatArg(const std::u16string& text) : m_value(std::u16string_view(text)) {}
  template <std::signed_integral T>
  FormatArg(T number) : m_value(static_cast<int64_t>(number)) {}
  template <std::unsigned_integral T>
  FormatArg(T number) : m_value(static_cast<uint64_t>(number)) {}

  void AppendTo(std::u16string& out) const;

 private:
  std::variant<std::u16string_view, int64_t, uint64_t> m_value;
};

// Replaces each "%s", "%lu" and "%ld" of `pattern` by the next argument in order, written as
// what it is (a number in decimal, a text as it stands) whatever the placeholder said; "%%" is
// one '%'. Any other '%', and a placeholder without an argument left, stays as literal text.
std::u16string FormatText(std::u16string_view pattern, std::initializer_list<FormatArg> args);

}  // namespace tarnq::lang
