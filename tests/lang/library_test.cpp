// SPDX-License-Identifier: GPL-3.0-or-later
// The language library's tables as the program sees them through `r`.
#include <set>
#include <vector>

#include "lang/catalogue.h"
#include "lang/commands.h"
#include "lang_test_support.h"

namespace tarnq::lang {
namespace {

using test::Record;
using test::Utf8;

// The tables are packed: fields are read by value (the unary + in the checks below) because a
// reference to a misaligned field is not allowed.
std::vector<const CatalogueEntry*> Tables() {
  std::vector<const CatalogueEntry*> tables;
  for (const CatalogueEntry* const* t = Record()->catalogues; *t != nullptr; ++t) tables.push_back(*t);
  return tables;
}

size_t TextCount(const CatalogueEntry* table) {
  size_t n = 0;
  while (table[n + 2].id != 0) ++n;
  return n;
}

TEST(LanguageLibrary, LoadsFromTheProgramFolderAndReturnsTheRecord) {
  ASSERT_NE(Record(), nullptr);
  const auto tables = Tables();
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[0][0].id, 0);
  EXPECT_STREQ(+tables[0][0].text, "US");
  EXPECT_EQ(tables[0][1].id, 1);
  EXPECT_STREQ(+tables[0][1].text, "English");
  EXPECT_EQ(tables[1][0].id, 1253);
  EXPECT_STREQ(+tables[1][0].text, "DE");
  EXPECT_STREQ(+tables[1][1].text, "German (Deutsch)");
  EXPECT_STREQ(+tables[2][0].text, "-");
  EXPECT_STREQ(+tables[2][1].text, "Extl");
  EXPECT_EQ(KeyTableOf(Record()), tables[2]);
}

TEST(LanguageLibrary, MissingLibraryIsAClearError) {
  test::ScratchFolder empty;
  LanguageLibrary library;
  EXPECT_EQ(library.Load(empty.Path()), 2u);
  EXPECT_EQ(library.Record(), nullptr);
  const std::string message = Utf8(library.Message());
  EXPECT_NE(message.find(Utf8(kLanguageLibraryName)), std::string::npos) << message;
}

TEST(LanguageLibrary, FileThatIsNoLibraryIsRefused) {
  test::ScratchFolder folder;
  folder.Write(Utf8(kLanguageLibraryName), "not a shared object");
  LanguageLibrary library;
  EXPECT_EQ(library.Load(folder.Path()), 126u);
  EXPECT_EQ(library.Record(), nullptr);
  EXPECT_FALSE(library.Message().empty());
}

TEST(LanguageLibrary, ExportsOnlyItsRecordFunction) {
  platform::DynamicLibrary library;
  ASSERT_EQ(library.Open(platform::JoinPath(platform::ProgramFolder(), kLanguageLibraryName)), 0u);
  void* address = nullptr;
  EXPECT_EQ(library.FindSymbol("r", address), 0u);
  EXPECT_NE(address, nullptr);
  EXPECT_EQ(library.FindSymbol("kMainMenu", address), 127u);
  EXPECT_EQ(address, nullptr);
  library.Close();
  EXPECT_EQ(library.FindSymbol("r", address), 6u);
}

TEST(EnglishCatalogue, HoldsTheTextsInTableOrder) {
  const CatalogueEntry* english = Tables()[0];
  // 264 texts of the menus and dialogs, then texts of our own (identifiers above 12000).
  const size_t count = TextCount(english);
  ASSERT_GT(count, 265u);
  EXPECT_EQ(english[2].id, 2003);
  EXPECT_STREQ(+english[2].text, "");
  EXPECT_EQ(english[4].id, 460);
  EXPECT_STREQ(+english[4].text, "Adjust the size of the column;Adjust column width according to content");
  EXPECT_EQ(english[265].id, 500);
  EXPECT_STREQ(+english[265].text, "Do you want to reset the window positions?");
  for (size_t i = 266; i < count + 2; ++i) {
    EXPECT_GT(english[i].id, english[i - 1].id) << "our own texts follow in ascending order: entry " << i;
    EXPECT_GT(english[i].id, 12000);
  }
  EXPECT_EQ(english[count + 2].id, 0);
  EXPECT_EQ(+english[count + 2].text, nullptr);
  const Catalogue catalogue = CatalogueOf(english);
  EXPECT_EQ(Utf8(GetText(catalogue, 108)), "&Copy...;Copy files;Copy Files");
  EXPECT_EQ(Utf8(GetText(catalogue, 6611)), "%lu errors occured");
  EXPECT_EQ(Utf8(GetText(catalogue, 30000)), "&Switch list;Show the active task list");
}

TEST(BuiltInCatalogues, ShareIdentifiersAndOrderAndKeysAreUnique) {
  const auto tables = Tables();
  const size_t count = TextCount(tables[0]);
  std::set<int> ids;
  std::set<std::string> keys;
  for (size_t i = 2; i < count + 2; ++i) {
    EXPECT_EQ(tables[1][i].id, tables[0][i].id) << "German entry " << i;
    EXPECT_EQ(tables[2][i].id, tables[0][i].id) << "key entry " << i;
    EXPECT_TRUE(ids.insert(tables[0][i].id).second) << "identifier twice: " << tables[0][i].id;
    ASSERT_NE(+tables[2][i].text, nullptr);
    const std::string key = tables[2][i].text;
    EXPECT_EQ(key.size(), 4u) << key;
    EXPECT_TRUE(keys.insert(key).second) << "key twice: " << key;
    // Every English text has a German one.
    EXPECT_EQ(std::string_view(tables[0][i].text).empty(), std::string_view(tables[1][i].text).empty())
        << tables[0][i].id;
  }
  EXPECT_EQ(TextCount(tables[1]), count);
  EXPECT_EQ(TextCount(tables[2]), count);
}

TEST(GermanCatalogue, IsCodePage1252WithMnemonicsAndParts) {
  const Catalogue german = CatalogueOf(Tables()[1]);
  EXPECT_EQ(german.codePage, 1252);
  EXPECT_EQ(Utf8(GetText(german, 52)), "Größe");
  EXPECT_EQ(Utf8(GetText(german, 111)), "&Löschen...;Dateien löschen");
  // Three parts where English has three.
  EXPECT_EQ(Utf8(ShortPart(GetText(german, 108))), "Dateien kopieren");
  EXPECT_EQ(Utf8(DisplayNameOf(german)), "German (Deutsch)");
}

// The menu tree: ids of each level, in order; -1 for separators.
std::vector<int> Ids(const MenuItem* tree) {
  std::vector<int> ids;
  for (; tree->id != 0; ++tree) ids.push_back(tree->id);
  return ids;
}

const MenuItem* SubMenuOf(const MenuItem* tree, int id) {
  for (; tree->id != 0; ++tree) {
    if (tree->id == id) return tree->subMenu;
  }
  return nullptr;
}

TEST(MenuTrees, MainMenuHasTheMenusSeparatorsAndRightJustifiedItems) {
  const MenuItem* main = Record()->mainMenu;
  EXPECT_EQ(Ids(main), (std::vector<int>{101, 120, 140, 130, 180, 30000, 200}));
  EXPECT_EQ(+main[5].subMenu, nullptr);
  EXPECT_EQ(+main[5].flags, kMenuRightJustify);
  EXPECT_EQ(+main[6].flags, kMenuRightJustify);
  EXPECT_EQ(+main[0].flags, 0u);
  EXPECT_EQ(Ids(SubMenuOf(main, 101)), (std::vector<int>{102, 103, -1, 106, 108, 109, 110, 111, -1, 118, 119,
                                                         113, 114, -1, 112, -1, 100}));
  EXPECT_EQ(Ids(SubMenuOf(main, 120)),
            (std::vector<int>{121, -1, 122, 123, 124, -1, 125, -1, 126, 127, 128, 129}));
  const MenuItem* view = SubMenuOf(main, 140);
  EXPECT_EQ(Ids(view), (std::vector<int>{141, 142, 143, -1, 150}));
  EXPECT_EQ(Ids(SubMenuOf(view, 150)), (std::vector<int>{151, 152, 165, 164, 153, 154, 155, 156, 157, 158,
                                                         159, 160, 161, 162, 163, 166, -1, 167}));
  EXPECT_EQ(Ids(SubMenuOf(main, 130)), (std::vector<int>{131, 132, -1, 136, 137, -1, 133, 134}));
  const MenuItem* options = SubMenuOf(main, 180);
  EXPECT_EQ(Ids(options), (std::vector<int>{181, -1, 182, 170, 183, 189, -1, 186, 187, 188, -1, 185}));
  EXPECT_EQ(Ids(SubMenuOf(options, 170)), (std::vector<int>{171, 172, 173}));
  EXPECT_EQ(Ids(SubMenuOf(main, 200)), (std::vector<int>{201, -1, 202, 203, 204, -1, 206}));
  const MenuItem* file = SubMenuOf(main, 101);
  EXPECT_EQ(+file[2].flags, kMenuSeparator);
  EXPECT_EQ(+file[2].subMenu, nullptr);
}

TEST(MenuTrees, AdditionAndSelectionPopUp) {
  EXPECT_EQ(Ids(Record()->listMenuAddition), (std::vector<int>{-1, 113}));
  EXPECT_EQ(+Record()->listMenuAddition[0].flags, kMenuSeparator);
  EXPECT_EQ(Ids(Record()->selectionMenu), (std::vector<int>{122, 123, 124}));
}

void CollectCommands(const MenuItem* tree, std::set<int>& commands) {
  for (; tree->id != 0; ++tree) {
    if (tree->subMenu != nullptr) {
      CollectCommands(tree->subMenu, commands);
    } else if (tree->id != kSeparatorId && tree->id != 30000) {
      commands.insert(tree->id);
    }
  }
}

TEST(MenuTrees, EveryItemHasATextInBothLanguagesAndIsInTheCommandTable) {
  for (const CatalogueEntry* table : {Tables()[0], Tables()[1]}) {
    const Catalogue catalogue = CatalogueOf(table);
    EXPECT_EQ(FindItemWithoutText(Record()->mainMenu, catalogue), 0) << table[0].text;
    EXPECT_EQ(FindItemWithoutText(Record()->listMenuAddition, catalogue), 0);
    EXPECT_EQ(FindItemWithoutText(Record()->selectionMenu, catalogue), 0);
  }
  std::set<int> menuCommands;
  CollectCommands(Record()->mainMenu, menuCommands);
  std::set<int> tableCommands;
  for (const CommandName& command : CommandTable()) tableCommands.insert(ToInt(command.id));
  EXPECT_EQ(menuCommands, tableCommands);
}

TEST(MenuTrees, ItemWithoutTextIsFound) {
  // A catalogue that knows File, New Preset and nothing else: Open Preset is the first gap.
  const CatalogueEntry partial[] = {{0, "XX"}, {1, "Partial"}, {101, "&File"}, {102, "&New"}, {0, nullptr}};
  EXPECT_EQ(FindItemWithoutText(Record()->mainMenu, CatalogueOf(partial)), 103);
  // Only the status-bar help is not enough: the menu shows the part before ';'.
  const CatalogueEntry helpOnly[] = {{0, "XX"},  {1, "x"},   {122, ";Select everything"},
                                     {123, "D"}, {124, "I"}, {0, nullptr}};
  EXPECT_EQ(FindItemWithoutText(Record()->selectionMenu, CatalogueOf(helpOnly)), 122);
}

}  // namespace
}  // namespace tarnq::lang
