// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/placement.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"

namespace tarnq::settings {
namespace {

TEST(SettingsPlacement, AcceptsOnlyFiveSaneNumbers) {
  DesktopScope desktop({1000, 800, 1000});
  Fixture f(
      "[Good]\r\nPos=10,20,640,480,1\r\n[Hex]\r\nPos=#a,14,280,1e0,3\r\n[Four]\r\nPos=10,20,640,480\r\n"
      "[Narrow]\r\nPos=10,20,49,480,1\r\n[Wide]\r\nPos=10,20,2001,480,1\r\n[Show]\r\nPos=1,2,300,300,2\r\n"
      "[Six]\r\nPos=1,2,300,300,1,9\r\n");
  WindowPlacement p = ReadPlacement(*f.store, "Good", 900, 650);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.height, 480);
  EXPECT_EQ(p.showState, 1);
  p = ReadPlacement(*f.store, "Hex", 900, 650);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.width, 640);
  EXPECT_EQ(p.showState, 3);
  EXPECT_EQ(ReadPlacement(*f.store, "Show", 900, 650).showState, 0);
  for (const char* section : {"Four", "Narrow", "Wide", "Six", "Missing"}) {
    p = ReadPlacement(*f.store, section, 900, 650);
    EXPECT_EQ(p.x, kSystemChoosesPosition) << section;
    EXPECT_EQ(p.y, kSystemChoosesPosition) << section;
    EXPECT_EQ(p.width, 900) << section;
    EXPECT_EQ(p.height, 650) << section;
    EXPECT_EQ(p.showState, 0) << section;
  }
  WritePlacement(*f.store, "Good", {kSystemChoosesPosition, -5, 300, 200, 7});
  EXPECT_EQ(f.store->ReadString("Good", "Pos"), "-2147483648,-5,300,200,0");
  f.store->LockPlacement();
  EXPECT_FALSE(WritePlacement(*f.store, "Good", {1, 1, 300, 200, 1}));
}

TEST(SettingsPlacement, DefaultSizeScalesOnWideWorkAreas) {
  Fixture f("");
  {
    DesktopScope desktop({1920, 1080, 1920});
    EXPECT_EQ(ReadPlacement(*f.store, "P", 900, 650).width, 900 * 120 / 100);
  }
  DesktopScope desktop({1280, 1024, 1280});
  EXPECT_EQ(ReadPlacement(*f.store, "P", 900, 650).width, 900);
}

}  // namespace
}  // namespace tarnq::settings
