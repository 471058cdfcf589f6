// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/format.h"

#include <charconv>
#include <type_traits>

namespace tarnq::lang {
namespace {

template <typename T>
void AppendNumber(T number, std::u16string& out) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof(digits), number);
  for (const char* p = digits; p != end; ++p) out.push_back(static_cast<char16_t>(*p));
}

// The length of the placeholder at `pos` ("%s", "%lu", "%ld"), 0 when there is none.
size_t PlaceholderLength(std::u16string_view pattern, size_t pos) {
  const std::u16string_view rest = pattern.substr(pos);
  if (rest.starts_with(u"%s")) return 2;
  if (rest.starts_with(u"%lu") || rest.starts_with(u"%ld")) return 3;
  return 0;
}

}  // namespace

void FormatArg::AppendTo(std::u16string& out) const {
  std::visit(
      [&out](const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::u16string_view>) {
          out.append(value);
        } else {
          AppendNumber(value, out);
        }
      },
      m_value);
}

std::u16string FormatText(std::u16string_view pattern, std::initializer_list<FormatArg> args) {
  std::u16string out;
  out.reserve(pattern.size() + 16);
  const FormatArg* next = args.begin();
  for (size_t pos = 0; pos < pattern.size();) {
    if (pattern[pos] != u'%') {
      out.push_back(pattern[pos++]);
      continue;
    }
    if (pattern.substr(pos).starts_with(u"%%")) {
      out.push_back(u'%');
      pos += 2;
      continue;
    }
    const size_t length = PlaceholderLength(pattern, pos);
    if (length != 0 && next != args.end()) {
      (next++)->AppendTo(out);
      pos += length;
    } else {
      out.push_back(pattern[pos++]);
    }
  }
  return out;
}

}  // namespace tarnq::lang
