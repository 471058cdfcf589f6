// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration dialog on a settings file of its own: what each page writes on OK, that Cancel
// writes nothing, the refusal of values that cannot be stored, reserved keys in the shortcut
// editor, and the plug-in dialog's refusal of a file that is no plug-in.
#include "ui/config_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include "analysis/provider_list.h"
#include "appcore/shortcuts.h"
#include "gui_test_support.h"
#include "settings/colors.h"
#include "settings/settings_store.h"
#include "ui/config_file_types.h"
#include "ui/config_shortcuts.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

using settings::SettingsStore;
constexpr std::string_view kMain = SettingsStore::kMainSection;

const char kSettings[] =
    "[TARNQ]\r\nOpt=64\r\nL=0,150;1,80;2,150\r\n[pgnMediaInfo]\r\n1=MP3 Audio Files;+;\"*.MP3;*.MP1\";\r\n";

class Config : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::InstallLanguageLibrary();
    m_messages.clear();
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kSettings);
    file.close();
    m_store = std::make_unique<SettingsStore>(m_scratch.Path16(QStringLiteral("TARNQ.INI")), SettingsStore::kExplicitFile);
    m_hooks.showMessage = [this](const QString& text) { m_messages << text; };
    m_hooks.ask = [](const QString&) { return true; };
    m_hooks.cachePath = [] { return QStringLiteral("/nowhere/MP3Cache"); };
  }

  QString Path() const { return m_scratch.Path(QStringLiteral("TARNQ.INI")); }
  QByteArray FileBytes() const {
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  ConfigDialog* Open(int page) {
    m_dialog = std::make_unique<ConfigDialog>(*m_store, 64, results::ParseLayout(u"0,150;1,80;2,150"),
                                              appcore::ShortcutTable(), m_hooks, page);
    m_dialog->show();
    return m_dialog.get();
  }

  testing::Scratch m_scratch;
  std::unique_ptr<SettingsStore> m_store;
  ConfigHooks m_hooks;
  QStringList m_messages;
  std::unique_ptr<ConfigDialog> m_dialog;
};

// One change per page and how the settings show it.
struct PageCase {
  const char* name;
  int page;
  std::function<void(ConfigDialog&)> change;
  std::function<bool(SettingsStore&)> stored;
};

std::vector<PageCase> PageCases() {
  return {
      {"general", kPageGeneral, [](ConfigDialog& d) { d.General()->Box(5201)->setChecked(false); },
       [](SettingsStore& s) { return s.ReadInt(kMain, "Opt", 0) == 0; }},
      {"columns", kPageColumns,
       [](ConfigDialog& d) {
         d.Columns()->Shown()->setCurrentRow(0);
         QTest::mouseClick(d.Columns()->findChildren<QPushButton*>()[1], Qt::LeftButton);  // Remove
       },
       [](SettingsStore& s) { return s.ReadText(kMain, "L") == u"1,80;2,150"; }},
      {"cache", kPageCache,
       [](ConfigDialog& d) {
         d.Cache()->NoCacheBox()->setChecked(true);
         d.Cache()->LocationField()->setText(QStringLiteral("/data/cache"));
       },
       [](SettingsStore& s) { return s.ReadInt(kMain, "Opt", 0) == (64 | 0x10) && s.ReadPath(kMain, "MP3Cache") == u"/data/cache"; }},
      {"shortcuts", kPageShortcuts,
       [](ConfigDialog& d) {
         d.Shortcuts()->SelectCommand(lang::CommandId::kPlay);
         d.Shortcuts()->Field()->SetCode(0x72);  // F3
         d.Shortcuts()->AssignKey();
       },
       [](SettingsStore& s) {
         appcore::ShortcutTable table;
         table.Load(s);
         return table.CommandOf(0x72) == lang::CommandId::kPlay && table.CommandOf(0x71) == lang::CommandId::kNone;
       }},
      {"file types", kPageFileTypes,
       [](ConfigDialog& d) { d.FileTypes()->List()->topLevelItem(0)->setCheckState(0, Qt::Unchecked); },
       [](SettingsStore& s) {
         const auto entries = analysis::ReadProviderEntries(s);
         return entries.size() == 1 && !entries[0].entry.enabled && entries[0].entry.condition == u"*.MP3;*.MP1";
       }},
      {"colors", kPageColors,
       [](ConfigDialog& d) {
         QTest::mouseClick(d.Colors()->findChildren<QPushButton*>()[2], Qt::LeftButton);  // Add
         d.Colors()->BackgroundField()->setText(QStringLiteral("#102030"));
         emit d.Colors()->BackgroundField()->textEdited(QStringLiteral("#102030"));
       },
       [](SettingsStore& s) {
         const auto pairs = settings::ReadColorScheme(s, "Color");
         return pairs.size() == 1 && pairs[0] == settings::ColorPair{0x302010, 0};
       }},
  };
}

TEST_F(Config, OkWritesTheKeysOfEachPage) {
  for (const PageCase& c : PageCases()) {
    SCOPED_TRACE(c.name);
    SetUp();
    ConfigDialog* dialog = Open(c.page);
    ASSERT_EQ(dialog->Pages()->currentIndex(), c.page);
    int applied = 0;
    dialog->SetApplied([&applied] { ++applied; });
    c.change(*dialog);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(applied, 1);
    EXPECT_FALSE(dialog->isVisible());
    // Flushed: a fresh store over the file sees the same.
    SettingsStore reread(m_scratch.Path16(QStringLiteral("TARNQ.INI")), SettingsStore::kExplicitFile);
    EXPECT_TRUE(c.stored(reread));
  }
}

TEST_F(Config, CancelWritesNothing) {
  for (const PageCase& c : PageCases()) {
    SCOPED_TRACE(c.name);
    SetUp();
    const QByteArray before = FileBytes();
    ConfigDialog* dialog = Open(c.page);
    c.change(*dialog);
    QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    m_store->Flush();
    EXPECT_FALSE(c.stored(*m_store));
    EXPECT_EQ(FileBytes(), before);
  }
}

// A value the settings cannot hold: OK refuses it naming the field, the input stays, nothing is
// written.
struct RefusalCase {
  const char* name;
  int page;
  std::function<QLineEdit*(ConfigDialog&)> field;
  QString input;
  int fieldText;
};

TEST_F(Config, RefusesWhatItCannotStore) {
  const RefusalCase cases[] = {
      {"width", kPageColumns, [](ConfigDialog& d) { return d.Columns()->WidthField(); }, QStringLiteral("3"), 12405},
      {"color", kPageColors,
       [](ConfigDialog& d) {
         QTest::mouseClick(d.Colors()->findChildren<QPushButton*>()[2], Qt::LeftButton);  // Add
         return d.Colors()->BackgroundField();
       },
       QStringLiteral("#12345G"), 5608},
      {"cache location", kPageCache, [](ConfigDialog& d) { return d.Cache()->LocationField(); },
       QStringLiteral("/a\nb"), 5402},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    const QByteArray before = FileBytes();
    ConfigDialog* dialog = Open(kPageGeneral);
    QLineEdit* field = c.field(*dialog);
    field->setText(c.input);
    emit field->textEdited(c.input);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.size(), 1);
    QString name = Text(c.fieldText);
    name.remove(QLatin1Char('&')).remove(QLatin1Char(':'));
    EXPECT_TRUE(m_messages[0].contains(name)) << m_messages[0].toStdString();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->Pages()->currentIndex(), c.page);
    EXPECT_EQ(field->text(), c.input);
    m_store->Flush();
    EXPECT_EQ(FileBytes(), before);
  }
}

TEST_F(Config, ReservedKeyIsRefused) {
  ConfigDialog* dialog = Open(kPageShortcuts);
  ShortcutsPage* page = dialog->Shortcuts();
  page->SelectCommand(lang::CommandId::kPlay);
  const auto rowsBefore = page->Rows();
  page->Field()->setFocus();
  QTest::keyClick(page->Field(), Qt::Key_Insert);
  EXPECT_EQ(page->InfoLine()->text(), Text(9000));
  EXPECT_FALSE(page->AssignKey());
  ASSERT_EQ(m_messages.size(), 1);
  EXPECT_TRUE(m_messages[0].contains(Text(9000)));
  EXPECT_EQ(page->Rows(), rowsBefore);
}

TEST_F(Config, PluginDialogRefusesAFileThatIsNoPlugin) {
  const QString fake = m_scratch.Path(QStringLiteral("notes.wdx"));
  QFile file(fake);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("just text, no library\n");
  file.close();
  PluginEntryDialog dialog(analysis::ProviderEntry{}, true, m_hooks, nullptr);
  dialog.NameField()->setText(QStringLiteral("Notes"));
  dialog.PluginField()->setText(fake);
  EXPECT_FALSE(dialog.Probe());
  EXPECT_FALSE(dialog.Entry().has_value());
  ASSERT_EQ(m_messages.size(), 2);
  EXPECT_EQ(m_messages[0], fake + QStringLiteral(": ") + Text(5503));
  EXPECT_EQ(dialog.PluginField()->text(), fake);
  EXPECT_EQ(dialog.NameField()->text(), QStringLiteral("Notes"));
}

}  // namespace
}  // namespace tarnq::ui
