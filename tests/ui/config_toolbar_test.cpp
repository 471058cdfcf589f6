// SPDX-License-Identifier: GPL-3.0-or-later
// The stored toolbar buttons (`Toolbar` in section TARNQ) and the colour texts of the Colors page.
#include "ui/config_toolbar.h"

#include <gtest/gtest.h>

#include <QFile>

#include "gui_test_support.h"
#include "settings/settings_store.h"
#include "ui/config_dialog.h"

namespace tarnq::ui {
namespace {

TEST(ToolbarButtons, ReadKeepsWhatTheMenusKnow) {
  testing::InstallLanguageLibrary();
  testing::Scratch scratch;
  const struct {
    const char* stored;
    std::vector<int> buttons;
  } cases[] = {
      {nullptr, DefaultToolbarButtons()},
      {"131,0,132", {131, 0, 132}},
      {"131,99999,132,131", {131, 132}},   // no such command; a button once only
      {"0", {0}},                          // emptied on purpose: a lone separator
      {"x,y", DefaultToolbarButtons()},    // nothing usable
  };
  for (const auto& c : cases) {
    settings::SettingsStore store(scratch.Path16(QStringLiteral("t.ini")), settings::SettingsStore::kExplicitFile);
    store.DeleteKey(settings::SettingsStore::kMainSection, "Toolbar");
    if (c.stored != nullptr) store.WriteString(settings::SettingsStore::kMainSection, "Toolbar", c.stored);
    EXPECT_EQ(ReadToolbarButtons(store), c.buttons) << (c.stored ? c.stored : "(none)");
  }
}

TEST(ToolbarButtons, WriteThenReadGivesTheSameButtons) {
  testing::InstallLanguageLibrary();
  testing::Scratch scratch;
  settings::SettingsStore store(scratch.Path16(QStringLiteral("t.ini")), settings::SettingsStore::kExplicitFile);
  const std::vector<int> buttons = {201, 0, 131, 108};
  WriteToolbarButtons(store, buttons);
  EXPECT_EQ(ReadToolbarButtons(store), buttons);
}

TEST(ColorText, SettingsHoldBlueGreenRed) {
  const struct {
    const char* text;
    std::optional<uint32_t> value;
  } cases[] = {
      {"#102030", 0x302010},
      {"a0b0c0", 0xC0B0A0},
      {" #FFFFFF ", 0xFFFFFF},
      {"#12345", std::nullopt},
      {"#12345G", std::nullopt},
      {"red", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseColorText(QString::fromLatin1(c.text)), c.value) << c.text;
    if (c.value) {
      EXPECT_EQ(ParseColorText(ColorText(*c.value)), c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace tarnq::ui
