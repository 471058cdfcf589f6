// SPDX-License-Identifier: GPL-3.0-or-later
// Colours in the settings: the 16 custom colours of the colour chooser (key "CC") and the colour
// scheme (section "Color": keys "1", "2", ... holding two hexadecimal numbers each).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tarnq::settings {

class SettingsStore;

struct ColorPair {
  uint32_t first = 0;
  uint32_t second = 0;
  friend bool operator==(const ColorPair&, const ColorPair&) = default;
};

// Missing entries read as white (0xFFFFFF); false when nothing is stored.
bool ReadCustomColors(SettingsStore& store, std::string_view section, std::array<uint32_t, 16>& colors);
// Trailing white entries are left off; all white deletes the key.
void WriteCustomColors(SettingsStore& store, std::string_view section,
                       const std::array<uint32_t, 16>& colors);

// The pairs from key "1" up to the first missing key; a value that does not give two numbers
// reads as a zero pair.
std::vector<ColorPair> ReadColorScheme(SettingsStore& store, std::string_view section);
// Replaces the section by keys "1" ... n.
void WriteColorScheme(SettingsStore& store, std::string_view section, std::span<const ColorPair> pairs);

}  // namespace tarnq::settings
