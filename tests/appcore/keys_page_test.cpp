// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/keys_page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "appcore_test_support.h"

namespace tarnq::appcore {
namespace {

TEST(KeysPage, StructureAndEscapedTexts) {
  const KeysPageTexts texts{u"Keys <b>", u"Name", u"\"Shortcut\""};
  const KeysPageRow rows[] = {{u"<script>alert(1)</script>", u"Ctrl+A"}, {u"Fish&Chips", u"F2"}, {u"Last", u"F3"}};
  EXPECT_EQ(ComposeKeysPage(texts, rows),
            "<html><head>\r\n"
            "<style>body{background-color:#FFFFFF;color:#000000;font-family:Verdana,Arial;font-size:80%}"
            "table{font-size:100%}</style>\r\n"
            "</head><body><h3>Keys&nbsp;&lt;b&gt;</h3><table border=0>"
            "<tr><th align=left>Name</th><th align=left>&quot;Shortcut&quot;</th></tr>"
            "<tr bgcolor=#F4F3FA><td>&lt;script&gt;alert(1)&lt;/script&gt;</td><td>Ctrl+A</td></tr>"
            "<tr bgcolor=#FFFFFF><td>Fish&amp;Chips</td><td>F2</td></tr>"
            "<tr bgcolor=#F4F3FA><td>Last</td><td>F3</td></tr>"
            "</table></body></html>");
}

TEST(KeysPage, WritesANewFileEveryTimeAndNeverThroughALink) {
  testing::InstallEnglish();
  testing::ScratchFolder folder;
  const std::u16string place = folder.Path("run/user");  // created when missing
  ShortcutTable table;
  std::u16string first, second, third;
  ASSERT_EQ(WriteKeysPage(table, first, place), 0u);
  EXPECT_EQ(first, folder.Path("run/user/Keys.htm"));
  ASSERT_EQ(WriteKeysPage(table, second, place), 0u);
  EXPECT_EQ(second, folder.Path("run/user/Keys-2.htm"));
  folder.Write("victim", "keep");
  std::filesystem::create_symlink(folder.Native() / "victim", folder.Native() / "run/user/Keys-3.htm");
  ASSERT_EQ(WriteKeysPage(table, third, place), 0u);
  EXPECT_EQ(third, folder.Path("run/user/Keys-4.htm"));
  EXPECT_EQ(folder.Read("victim"), "keep");

  const std::string page = folder.Read("run/user/Keys.htm");
  EXPECT_EQ(page, folder.Read("run/user/Keys-4.htm"));
  EXPECT_NE(page.find("<h3>Keyboard&nbsp;Shortcuts</h3>"), std::string::npos);
  EXPECT_NE(page.find("<th align=left>Name</th><th align=left>Shortcut</th>"), std::string::npos);
  // Commands in menu order, the menu's mnemonic removed.
  EXPECT_NE(page.find("<tr bgcolor=#F4F3FA><td>Play</td><td>F2</td></tr>"
                      "<tr bgcolor=#FFFFFF><td>Copy...</td><td>F5</td></tr>"),
            std::string::npos);
  EXPECT_NE(page.find("<td>Select&nbsp;all</td><td>Ctrl+A</td>"), std::string::npos);
}

}  // namespace
}  // namespace tarnq::appcore
