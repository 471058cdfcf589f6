// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/shortcuts.h"

#include <gtest/gtest.h>

#include "appcore_test_support.h"

namespace tarnq::appcore {
namespace {

using enum CommandId;
using settings::SettingsStore;

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override { testing::InstallEnglish(); }
  // A store over a settings file holding `keys` as the body of section Keys.
  SettingsStore& StoreWith(const std::string& keys) {
    m_folder.Write("TARNQ.INI", "[TARNQ]\r\nOpt=64\r\n[Keys]\r\n" + keys + "[Other]\r\n1=x\r\n");
    m_store = std::make_unique<SettingsStore>(m_folder.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
    return *m_store;
  }
  testing::ScratchFolder m_folder;
  std::unique_ptr<SettingsStore> m_store;
};

TEST_F(Shortcuts, FixedKeysComeFirstThenTheConfigurableTable) {
  ShortcutTable table;
  table.Load(StoreWith("27=APly\r\n1089=APly\r\n"));  // Esc is reserved; Shift+A is free
  EXPECT_EQ(table.CommandForKey(0x1B), kEscape);
  EXPECT_EQ(table.CommandForKey(0x0D), kEnter);
  EXPECT_EQ(table.CommandForKey(0x09), kFocusNext);
  EXPECT_EQ(table.CommandForKey(0x409), kFocusPrevious);
  EXPECT_EQ(table.CommandForKey(0x441), kPlay);
  EXPECT_EQ(table.CommandForKey(0x71), kPlay);  // the default F2
  EXPECT_EQ(table.CommandForKey(0x10D), kProperties);
  EXPECT_EQ(table.CommandForKey(0x41), kNone);
  EXPECT_EQ(table.CommandForKey(0x241 | 0x800), kNone);  // outside the table
  EXPECT_EQ(MakeShortcutCode(0x75, false, false, true), 0x475);
  EXPECT_EQ(MakeShortcutCode('A', true, true, true), 0x741);
}

TEST_F(Shortcuts, SectionKeysAdjustsTheDefaults) {
  struct Case {
    const char* line;
    uint32_t code;
    CommandId expected;
  };
  const Case cases[] = {
      {"113=-\r\n", 0x71, kNone},                 // "-" switches F2 off
      {"112=Hlpc\r\n", 0x70, kNone},              // F1 is reserved and stays free
      {"45=APly\r\n", 0x2D, kNone},               // so is Insert
      {"577=SDps\r\n", 0x241, kSelectDupes},      // Ctrl+A taken over by a four-letter name
      {"1089=SrtArtist\r\n", 0x441, kSortArtist},  // the command table's name
      {"1090=\xEF\xBB\xBF" "BArt\r\n", 0x442, kSortArtist},
      {"576=Nope\r\n", 0x240, kNone},             // unknown names switch off, here nothing
      {"580=Nope\r\n", 0x244, kNone},             // ... and here Ctrl+D's default
      {"116=\r\n", 0x74, kFileCopy},              // an empty value leaves F5 alone
      {"2113=APly\r\n", 2113 & 0x7FF, kNone},     // 2048 and above cannot be assigned
      {"65601=APly\r\n", 0x41, kNone},            // nor can a code past 16 bits
      {"65536=APly\r\n", 0, kNone},               // low 16 bits 0
      {"abc=APly\r\n", 0, kNone},
      {"66 = APly\r\n", 0x42, kPlay},             // spaces around "="
  };
  for (const Case& c : cases) {
    ShortcutTable table;
    table.Load(StoreWith(c.line));
    EXPECT_EQ(table.CommandOf(c.code), c.expected) << c.line;
    // Everything else keeps its default.
    for (const Shortcut& d : DefaultShortcuts()) {
      if (d.code == c.code) continue;
      EXPECT_EQ(table.CommandOf(d.code), d.command) << c.line << " " << d.code;
    }
  }
}

TEST_F(Shortcuts, SavingStoresOnlyTheDifferencesFromTheDefaults) {
  SettingsStore& store = StoreWith("999=APly\r\n");  // replaced as a whole
  std::vector<ShortcutRow> rows = ShortcutRows(ShortcutTable());
  for (ShortcutRow& row : rows) {
    if (row.command == kPlay) row.code = 0;                // F2 removed
    if (row.command == kFileRename) row.code = 0x252;      // Ctrl+R instead of Shift+F6
    if (row.command == kFileDelete) row.code = 0x2E;       // Delete instead of F8
  }
  rows.push_back({kAbout, 0x2D});   // Insert is reserved: not stored
  rows.push_back({kAbout, 0x900});  // outside the table: not stored
  rows.push_back({kAbout, 0x77});   // F8 now opens the product information
  SaveShortcuts(store, rows);
  EXPECT_EQ(store.ReadSectionLines(kKeysSection),
            (std::vector<std::string>{"113=-", "594=FRen", "46=FDel", "119=Abot", "1141=-"}));
  EXPECT_EQ(store.ReadString("Other", "1"), "x");

  ShortcutTable table;
  table.Load(store);
  EXPECT_EQ(table.CommandOf(0x71), kNone);
  EXPECT_EQ(table.CodesOf(kFileRename), (std::vector<uint16_t>{0x252}));
  EXPECT_EQ(table.CommandOf(0x77), kAbout);
  EXPECT_EQ(table.CommandOf(0x2D), kNone);
}

TEST_F(Shortcuts, DialogRowsSurviveSaveAndLoad) {
  ShortcutTable loaded;
  loaded.Load(StoreWith("113=-\r\n112=APly\r\n45=APly\r\n4096=APly\r\n577=SDps\r\n1089=SrtArtist\r\n"
                        "1090=BArt\r\n548=SrtNone\r\n580=-\r\n"));
  const std::vector<ShortcutRow> rows = ShortcutRows(loaded);
  EXPECT_EQ(loaded.CodesOf(kSortArtist), (std::vector<uint16_t>{0x441, 0x442}));

  testing::ScratchFolder other;
  SettingsStore saved(other.Path("TARNQ.INI"), SettingsStore::kExplicitFile);
  SaveShortcuts(saved, rows);
  ShortcutTable reloaded;
  reloaded.Load(saved);
  EXPECT_EQ(reloaded, loaded);
  EXPECT_EQ(ShortcutRows(reloaded), rows);
  EXPECT_EQ(saved.ReadString(kKeysSection, "1089"), "BArt");  // stored by its four-letter name
}

}  // namespace
}  // namespace tarnq::appcore
