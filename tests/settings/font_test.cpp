// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/font.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"

namespace tarnq::settings {
namespace {

TEST(SettingsDesktop, ChangedDesktopHidesFonts) {
  DesktopScope desktop({1920, 1080, 1920});
  const std::string font = "Font=-12,0,0,0,400,0,0,0,1,0,0,0,0,Sans, Serif\r\n";
  {
    Fixture same("[Desk]\r\n.=#780,438\r\n[TARNQ]\r\n" + font,
                 SettingsStore::kMainFile | SettingsStore::kExplicitFile);
    EXPECT_FALSE(same.store->DesktopChanged());
    LogFont out;
    ASSERT_TRUE(ReadFont(*same.store, "TARNQ", "Font", out));
    EXPECT_EQ(out.height, -12);
    EXPECT_EQ(out.weight, 400);
    EXPECT_EQ(out.charSet, 1);
    EXPECT_EQ(out.faceName, u"Sans, Serif");
    EXPECT_FALSE(same.store->IsDirty());
  }
  {
    Fixture both("[Desk]\r\n.=#400,300\r\n[TARNQ]\r\n" + font,
                 SettingsStore::kMainFile | SettingsStore::kExplicitFile);
    EXPECT_TRUE(both.store->DesktopChanged());
    LogFont out;
    EXPECT_FALSE(ReadFont(*both.store, "TARNQ", "Font", out));
    EXPECT_EQ(out, LogFont());
    EXPECT_EQ(both.store->ReadString("Desk", "."), "#780,438");
  }
  {
    Fixture one("[Desk]\r\n.=#780,300\r\n", SettingsStore::kMainFile | SettingsStore::kExplicitFile);
    EXPECT_FALSE(one.store->DesktopChanged());
    EXPECT_EQ(one.store->ReadString("Desk", "."), "#780,438");
  }
}

TEST(SettingsTyped, FontRoundTrip) {
  Fixture f("");
  LogFont font;
  font.height = -15;
  font.weight = 700;
  font.italic = 1;
  font.quality = 5;
  font.pitchAndFamily = 34;
  font.faceName = u"Noto Sans CJK 日本";
  WriteFont(*f.store, "TARNQ", "Font", &font);
  LogFont back;
  ASSERT_TRUE(ReadFont(*f.store, "TARNQ", "Font", back));
  EXPECT_EQ(back, font);
  WriteFont(*f.store, "TARNQ", "Font", nullptr);
  EXPECT_FALSE(ReadFont(*f.store, "TARNQ", "Font", back));
}

}  // namespace
}  // namespace tarnq::settings
