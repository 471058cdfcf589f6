// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/colors.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "settings_test_support.h"

namespace tarnq::settings {
namespace {

TEST(SettingsTyped, ColoursAndSchemeRoundTrip) {
  Fixture f("");
  std::array<uint32_t, 16> colors;
  colors.fill(0xFFFFFF);
  WriteCustomColors(*f.store, "TARNQ", colors);
  EXPECT_EQ(f.store->ReadString("TARNQ", "CC"), "");
  colors[3] = 0x102030;
  WriteCustomColors(*f.store, "TARNQ", colors);
  EXPECT_EQ(f.store->ReadString("TARNQ", "CC"), "#ffffff,ffffff,ffffff,102030");
  std::array<uint32_t, 16> read{};
  EXPECT_TRUE(ReadCustomColors(*f.store, "TARNQ", read));
  EXPECT_EQ(read, colors);

  const std::vector<ColorPair> scheme = {{0x1, 0xFFFFFF}, {0xABC, 0}, {0x10, 0x20}};
  WriteColorScheme(*f.store, "Color", scheme);
  EXPECT_EQ(f.store->ReadString("Color", "2"), "abc,0");
  EXPECT_EQ(ReadColorScheme(*f.store, "Color"), scheme);
  WriteColorScheme(*f.store, "Color", std::vector<ColorPair>{{5, 6}});
  EXPECT_EQ(ReadColorScheme(*f.store, "Color").size(), 1u);
}

TEST(SettingsTyped, ColorSchemeStopsAtGapAndZeroesBadPairs) {
  Fixture f("[Color]\r\n1=ff,10\r\n2=zz\r\n4=1,2\r\n");
  const std::vector<ColorPair> pairs = ReadColorScheme(*f.store, "Color");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0], (ColorPair{0xFF, 0x10}));
  EXPECT_EQ(pairs[1], (ColorPair{0, 0}));
}

TEST(SettingsTyped, AnEmptyValueKeepsTheSchemeGoing) {
  Fixture f("[Color]\r\n1=1,2\r\n2=\r\n3=3,4\r\n");
  EXPECT_EQ(ReadColorScheme(*f.store, "Color"), (std::vector<ColorPair>{{1, 2}, {0, 0}, {3, 4}}));
}

}  // namespace
}  // namespace tarnq::settings
