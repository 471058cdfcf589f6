// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/font_mapping.h"

#include <gtest/gtest.h>

namespace tarnq::ui {
namespace {

TEST(FontMapping, StoredFontsBecomeQtFontsAndBack) {
  struct Case {
    const char* name;
    settings::LogFont stored;
    int pixels;  // expected pixel size, or -1 for "the base font's size is kept"
    int weight;
    bool italic;
  };
  const QFont base(QStringLiteral("DejaVu Sans"), 10);
  const Case cases[] = {
      {"character height", {-13, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, u"DejaVu Serif"}, 13, 400, false},
      {"cell height", {16, 0, 0, 0, 700, 1, 0, 0, 1, 0, 0, 0, 0, u"DejaVu Sans"}, 16, 700, true},
      {"damaged height kept", {-5000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, u""}, -1, QFont::Normal, false},
  };
  for (const Case& c : cases) {
    const QFont font = FontFromLogFont(c.stored, base);
    if (c.pixels > 0) {
      EXPECT_EQ(font.pixelSize(), c.pixels) << c.name;
    } else {
      EXPECT_EQ(font.pointSize(), 10) << c.name;
    }
    EXPECT_EQ(font.weight(), c.weight) << c.name;
    EXPECT_EQ(font.italic(), c.italic) << c.name;
    if (!c.stored.faceName.empty()) {
      EXPECT_EQ(font.family().toStdU16String(), c.stored.faceName) << c.name;
    }
    // Stored again, it reads as the same font.
    const settings::LogFont again = LogFontFromFont(font, 96.0);
    const QFont back = FontFromLogFont(again, base);
    EXPECT_EQ(back.family(), font.family()) << c.name;
    EXPECT_EQ(back.weight(), font.weight()) << c.name;
    EXPECT_EQ(back.italic(), font.italic()) << c.name;
    EXPECT_EQ(back.pixelSize(), c.pixels > 0 ? c.pixels : 13) << c.name << " (10 pt at 96 dpi is 13 px)";
  }
}

}  // namespace
}  // namespace tarnq::ui
