// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/update_check.h"

#include <gtest/gtest.h>

#include "appcore_test_support.h"

namespace tarnq::appcore {
namespace {

TEST(UpdateCheck, FindsTheFirstUsableLineOfThisProduct) {
  struct Case {
    const char* name;
    std::string list;
    std::u16string_view version;  // empty: no line found
    std::u16string product;
  };
  const std::string overLong = "TS99.99 " + std::string(57, 'E') + "\n";  // 65 bytes
  const Case cases[] = {
      {"good", "XY3.0 Other tool\r\nTS26.02 Twinsong\r\nTS27.00 Later\r\n", u"26.02", u"Twinsong"},
      {"marker, no line end", "\xEF\xBB\xBFTS26.01 Twinsong Deluxe ", u"26.01", u"Twinsong Deluxe"},
      {"utf-8 name", "TS26.02 Zw\xC3\xB6lf\n", u"26.02", u"Zwölf"},
      {"no name", "TS26.02 \n", u"26.02", u"Twinsong"},
      {"64 bytes", "TS26.04 " + std::string(56, 'N') + "\r\n", u"26.04", std::u16string(56, u'N')},
      {"over-long line skipped", overLong + "TS26.03 Twinsong\n", u"26.03", u"Twinsong"},
      {"empty", "", u"", u""},
      {"only other products", "XY3.0 Other\nT\n", u"", u""},
      {"no space", "TS26.02Twinsong\n", u"", u""},
      {"no version", "TS Twinsong\n", u"", u""},
      {"binary", std::string("TS26\0.02 Twinsong\n\x01\x02\xFF\xFE", 22), u"", u""},
      {"control bytes", "TS26.02 Twin\x1B[2Jsong\n", u"", u""},
      {"markup version", "TS<b>27</b> Twinsong\n", u"", u""},
      {"non-ASCII version", "TS26\xC2\xA0" "02 Twinsong\n", u"", u""},
      {"huge junk first", std::string(200000, 'A') + "\nTS26.02 Twinsong\n", u"", u""},
  };
  for (const Case& c : cases) {
    const std::optional<ProductLine> line = FindProductLine(c.list);
    if (c.version.empty()) {
      EXPECT_FALSE(line.has_value()) << c.name;
      continue;
    }
    ASSERT_TRUE(line.has_value()) << c.name;
    EXPECT_EQ(line->version, c.version) << c.name;
    EXPECT_EQ(line->name, c.product) << c.name;
  }
}

TEST(UpdateCheck, MessageComparesVersionsIgnoringCase) {
  testing::InstallEnglish();
  const std::optional<UpdateMessage> newer = UpdateCheckMessage("TS26.02 Twinsong\r\n");
  ASSERT_TRUE(newer.has_value());
  EXPECT_TRUE(newer->updateAvailable);
  EXPECT_EQ(newer->caption, u"Twinsong");
  EXPECT_EQ(newer->text, u"An update is available: 26.02");

  const std::optional<UpdateMessage> same = UpdateCheckMessage("TS26.01B Twinsong\r\n", u"26.01b");
  ASSERT_TRUE(same.has_value());
  EXPECT_FALSE(same->updateAvailable);
  EXPECT_EQ(same->text, u"Twinsong is up to date.");

  EXPECT_TRUE(IsOtherVersion(u"26.01", u"26.01b"));
  const std::optional<UpdateMessage> older = UpdateCheckMessage("TS25.12 Twinsong\r\n");
  ASSERT_TRUE(older.has_value());
  EXPECT_FALSE(older->updateAvailable) << "an older version is no update";
  EXPECT_FALSE(UpdateCheckMessage("<html>404 Not Found</html>").has_value());
}

TEST(UpdateCheck, NewerComparesRunsOfDigitsAsNumbers) {
  struct Case {
    std::u16string_view offered, running;
    bool newer;
  } const cases[] = {
      {u"26.02", u"26.01", true},  {u"26.10", u"26.9", true},   {u"27.0", u"26.99", true},
      {u"26.01", u"26.01", false}, {u"25.12", u"26.01", false}, {u"26.01.1", u"26.01", true},
      {u"26.01", u"26.01.1", false}, {u"26.01B", u"26.01a", true}, {u"026.1", u"26.01", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsNewerVersion(c.offered, c.running), c.newer)
        << std::string(c.offered.begin(), c.offered.end()) << " vs " << std::string(c.running.begin(), c.running.end());
  }
}

TEST(UpdateCheck, AddressComesFromTheSettings) {
  testing::ScratchFolder folder;
  settings::SettingsStore store(folder.Path("TARNQ.INI"), settings::SettingsStore::kExplicitFile);
  EXPECT_EQ(UpdateListAddress(store), u"");
  store.WriteText("TARNQ", kUpdateAddressKey, u"http://127.0.0.1:8080/products.txt");
  EXPECT_EQ(UpdateListAddress(store), u"http://127.0.0.1:8080/products.txt");
  store.WriteText("TARNQ", kUpdateAddressKey, u"file:///etc/passwd");
  EXPECT_EQ(UpdateListAddress(store), u"");
}

}  // namespace
}  // namespace tarnq::appcore
