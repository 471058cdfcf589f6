// SPDX-License-Identifier: GPL-3.0-or-later
// Fonts in the settings: the 13 numbers of a Windows LOGFONTW and the face name, separated by
// commas, in one text value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnq::settings {

class SettingsStore;

// The stored form of a font. The GUI maps it to and from its own font type, keeping the numbers'
// meaning (height in pixels, weight 100-900 ...).
struct LogFont {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 0;
  uint8_t outPrecision = 0;
  uint8_t clipPrecision = 0;
  uint8_t quality = 0;
  uint8_t pitchAndFamily = 0;
  std::u16string faceName;  // at most 31 characters
  friend bool operator==(const LogFont&, const LogFont&) = default;
};

// False (and an all-zero font) when nothing is stored or the store's desktop changed.
bool ReadFont(SettingsStore& store, std::string_view section, std::string_view key, LogFont& font);
// A null font deletes the key (the GUI could not describe its font).
void WriteFont(SettingsStore& store, std::string_view section, std::string_view key, const LogFont* font);

}  // namespace tarnq::settings
