// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/key_names.h"

#include <gtest/gtest.h>

#include "appcore_test_support.h"

namespace tarnq::appcore {
namespace {

TEST(KeyNames, ModifiersThenTheKey) {
  testing::InstallEnglish();
  struct Case {
    uint32_t code;
    std::u16string_view name;
  };
  const Case cases[] = {
      {0x241, u"Ctrl+A"},
      {0x475, u"Shift+F6"},
      {0x787, u"Alt+Ctrl+Shift+F24"},
      {0x10D, u"Alt+Enter"},
      {0x220, u"Ctrl+Space"},
      {0x35, u"5"},
      {0x60, u"Num0"},
      {0x269, u"Ctrl+Num9"},
      {0x6A, u"Gray *"},
      {0x16B, u"Alt+Gray +"},
      {0x6D, u"Gray -"},
      {0x6F, u"Gray /"},
      {0x21, u"Prior"},
      {0x2E, u"Delete"},
      {0x90, u"Numlock"},
      {0x91, u"Scroll"},
      {0x08, u"Back"},
      {0xBA, u";"},
      {0x4DE, u"Shift+'"},
      {0xDC, u"\\"},
      {0xC0, u"`"},
      {0x6E, u"0x6E"},  // the pad's decimal key has no name of its own
      {0x15, u"0x15"},  // 9021 is the word "Num", not this key's name
      {0x200, u"Ctrl+"},
      {0, u""},
  };
  for (const Case& c : cases) EXPECT_EQ(KeyName(c.code), c.name) << std::hex << c.code;
}

TEST(KeyNames, PunctuationFollowsTheGivenLayout) {
  testing::InstallEnglish();
  const PunctuationLayout german = [](uint8_t vk) -> char16_t { return vk == 0xC0 ? u'ö' : 0; };
  EXPECT_EQ(KeyName(0x2C0, german), u"Ctrl+ö");
  EXPECT_EQ(KeyName(0xBA, german), u"0xBA");
}

}  // namespace
}  // namespace tarnq::appcore
