// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/colors.h"

#include <algorithm>
#include <string>
#include <utility>

#include "settings/field_line.h"
#include "settings/number_list.h"
#include "settings/settings_store.h"

namespace tarnq::settings {

bool ReadCustomColors(SettingsStore& store, std::string_view section, std::array<uint32_t, 16>& colors) {
  colors.fill(0xFFFFFF);
  std::string value;
  if (!store.ReadString(section, "CC", {}, value, 512)) return false;
  int64_t n[16];
  const size_t count = std::min<size_t>(ParseNumberList<char>(value, n), 16);
  for (size_t i = 0; i < count; ++i) colors[i] = static_cast<uint32_t>(n[i]);
  return count > 0;
}

void WriteCustomColors(SettingsStore& store, std::string_view section,
                       const std::array<uint32_t, 16>& colors) {
  size_t used = colors.size();
  while (used > 0 && colors[used - 1] == 0xFFFFFF) --used;
  if (used == 0) {
    store.DeleteKey(section, "CC");
    return;
  }
  std::string value = "#";
  for (size_t i = 0; i < used; ++i) {
    if (i > 0) value.push_back(',');
    AppendHex(value, colors[i]);
  }
  store.WriteString(section, "CC", value);
}

std::vector<ColorPair> ReadColorScheme(SettingsStore& store, std::string_view section) {
  std::vector<ColorPair> pairs;
  std::string key;
  for (uint64_t number = 1;; ++number) {
    key.clear();
    AppendNumber(key, number);
    // A key that is there with an empty value still counts: only a missing key ends the scheme.
    const std::optional<std::string> value = store.ReadValue(section, key, 129);
    if (!value) break;
    // Two hexadecimal numbers; a pair that does not give two stays zero.
    ColorPair pair;
    const size_t comma = value->find(',');
    bool anyFirst = false, anySecond = false;
    if (comma != std::string::npos) {
      std::string_view first = std::string_view(*value).substr(0, comma);
      while (!first.empty() && first.front() == ' ') first.remove_prefix(1);
      std::string_view second = std::string_view(*value).substr(comma + 1);
      while (!second.empty() && second.front() == ' ') second.remove_prefix(1);
      const uint64_t a = detail::ParseDigits(first, 0xFFFFFFFFull, 16, anyFirst);
      const uint64_t b = detail::ParseDigits(second, 0xFFFFFFFFull, 16, anySecond);
      if (anyFirst && anySecond) pair = {static_cast<uint32_t>(a), static_cast<uint32_t>(b)};
    }
    pairs.push_back(pair);
  }
  return pairs;
}

void WriteColorScheme(SettingsStore& store, std::string_view section, std::span<const ColorPair> pairs) {
  // Reading counts keys up to the first gap, so stale keys of a longer scheme must go.
  std::vector<std::pair<std::string, std::string>> entries(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    AppendNumber(entries[i].first, static_cast<uint64_t>(i + 1));
    AppendHex(entries[i].second, pairs[i].first);
    entries[i].second.push_back(',');
    AppendHex(entries[i].second, pairs[i].second);
  }
  store.ReplaceSection(section, entries);
}

}  // namespace tarnq::settings
