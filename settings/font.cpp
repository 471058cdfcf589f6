// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/font.h"

#include <algorithm>

#include "platform/text.h"
#include "settings/field_line.h"
#include "settings/number_list.h"
#include "settings/settings_store.h"

namespace tarnq::settings {

bool ReadFont(SettingsStore& store, std::string_view section, std::string_view key, LogFont& font) {
  font = LogFont();
  if (store.DesktopChanged()) return false;
  std::u16string value;
  if (!store.ReadText(section, key, {}, value, 256)) return false;
  // The face name follows the 13th comma; it may itself hold commas.
  size_t pos = 0;
  int commas = 0;
  while (commas < 13 && (pos = value.find(u',', pos)) != std::u16string::npos) {
    ++commas;
    ++pos;
  }
  std::u16string_view numbers = value;
  if (commas == 13) {
    font.faceName = platform::CutUtf16(std::u16string_view(value).substr(pos), 31);
    numbers = std::u16string_view(value).substr(0, pos - 1);
  }
  int64_t n[13] = {};
  const size_t count = std::min<size_t>(ParseNumberList<char16_t>(numbers, n), 13);
  if (count == 0) {
    font = LogFont();
    return false;
  }
  font.height = static_cast<int32_t>(n[0]);
  font.width = static_cast<int32_t>(n[1]);
  font.escapement = static_cast<int32_t>(n[2]);
  font.orientation = static_cast<int32_t>(n[3]);
  font.weight = static_cast<int32_t>(n[4]);
  font.italic = static_cast<uint8_t>(n[5]);
  font.underline = static_cast<uint8_t>(n[6]);
  font.strikeOut = static_cast<uint8_t>(n[7]);
  font.charSet = static_cast<uint8_t>(n[8]);
  font.outPrecision = static_cast<uint8_t>(n[9]);
  font.clipPrecision = static_cast<uint8_t>(n[10]);
  font.quality = static_cast<uint8_t>(n[11]);
  font.pitchAndFamily = static_cast<uint8_t>(n[12]);
  return true;
}

void WriteFont(SettingsStore& store, std::string_view section, std::string_view key, const LogFont* font) {
  if (font == nullptr) {
    store.DeleteKey(section, key);
    return;
  }
  std::string numbers;
  for (int64_t n :
       {int64_t{font->height}, int64_t{font->width}, int64_t{font->escapement}, int64_t{font->orientation},
        int64_t{font->weight}, int64_t{font->italic}, int64_t{font->underline}, int64_t{font->strikeOut},
        int64_t{font->charSet}, int64_t{font->outPrecision}, int64_t{font->clipPrecision},
        int64_t{font->quality}, int64_t{font->pitchAndFamily}}) {
    AppendNumber(numbers, n);
    numbers.push_back(',');
  }
  std::u16string value(numbers.begin(), numbers.end());
  value += platform::CutUtf16(font->faceName, 31);
  store.WriteText(section, key, value);
}

}  // namespace tarnq::settings
