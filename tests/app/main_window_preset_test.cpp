// SPDX-License-Identifier: GPL-3.0-or-later
// The preset commands of the main window: New and Open Preset install what the dialog stored and
// put its file at the top of the preset box; Find without a folder asks for one in the dialog; a
// preset file that is named but missing stops Find with a message.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <memory>

#include "app/main_window.h"
#include "app_test_support.h"
#include "window_test.h"
#include "appcore/app_core.h"
#include "appcore/restart.h"
#include "gui_test_support.h"
#include "settings/placement.h"
#include "settings/settings_store.h"
#include "ui/preset_dialog.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_text.h"
#include "ui/similarity_dialog.h"

namespace tarnq::app {
namespace {

using settings::SettingsStore;
using ui::testing::WaitUntil;

class PresetCommands : public testing::WindowTest {
 protected:
  ui::PresetDialog* Dialog() const {
    ui::PresetDialog* dialog = m_window->findChild<ui::PresetDialog*>();
    return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
  }

  engine::SearchPreset ReadPresetFile(const QString& path) {
    SettingsStore file(ui::ToU16(path), SettingsStore::kExplicitFile);
    EXPECT_EQ(file.Load(), 0u);
    engine::SearchPreset preset;
    preset.Load(file);
    return preset;
  }

};

TEST_F(PresetCommands, NewPresetStartsFromDefaultsAndOkInstallsIt) {
  OpenWith(testing::SettingsText(m_library));
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kPresetNew)));
  ui::PresetDialog* dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->FolderEntries().empty());
  EXPECT_EQ(dialog->ControlAs<QSpinBox>(2391)->text(), QStringLiteral("0")) << "a new preset compares durations";

  const QString file = m_scratch.Path(QStringLiteral("new.tnq"));
  dialog->ControlAs<QLineEdit>(2373)->setText(file);
  dialog->AddFolder(m_library);
  dialog->accept();
  ui::testing::DrainEvents();

  EXPECT_EQ(Dialog(), nullptr);
  EXPECT_EQ(m_core->Preset().presetFile, ui::ToU16(file));
  EXPECT_EQ(m_core->Preset().folders, std::vector<std::u16string>{ui::ToU16(m_library)});
  EXPECT_EQ(m_window->PresetBox()->currentText(), file);
  EXPECT_EQ(m_window->PresetBox()->itemText(0), file) << "most recent first";
  EXPECT_EQ(m_store->ReadList("Preset").front().value, ui::ToU16(file));
  EXPECT_EQ(ReadPresetFile(file).folderList, m_core->Preset().folderList);
}

TEST_F(PresetCommands, OpenPresetShowsTheChosenFileAndOkInstallsIt) {
  OpenWith(testing::SettingsText(m_library));
  const QString file = m_scratch.Path(QStringLiteral("other.tnq"));
  testing::WriteFile(file, "[TARNQ]\nOption=0;0;1;80;90;\n[Folder]\n1=+/srv/songs\n2=-/srv/songs/live\n");
  m_window->askOpenFile = [file](const QString&, const QString&, const QString&) { return file; };
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kPresetOpen)));
  ui::PresetDialog* dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->FolderEntries(), (std::vector<std::u16string>{u"+/srv/songs", u"-/srv/songs/live"}));
  EXPECT_EQ(dialog->ControlAs<QSpinBox>(2383)->text(), QStringLiteral("80"));
  EXPECT_EQ(dialog->ControlAs<QLineEdit>(2373)->text(), file);
  // "?" opens the similarity test over the dialog (under the window it would be blocked).
  dialog->ControlAs<QAbstractButton>(2388)->click();
  EXPECT_NE(dialog->findChild<ui::SimilarityDialog*>(), nullptr);
  dialog->resize(dialog->width() + 40, dialog->height());
  const int width = dialog->width();
  dialog->accept();
  ui::testing::DrainEvents();
  EXPECT_EQ(settings::ReadPlacement(*m_store, "DlgPreset", 0, 0).width, width) << "the size is remembered";
  EXPECT_EQ(m_core->Preset().folders, std::vector<std::u16string>{u"/srv/songs"});
  EXPECT_EQ(m_core->Preset().artistThreshold, 80u);
  EXPECT_EQ(m_window->PresetBox()->currentText(), file);
}

TEST_F(PresetCommands, OpenPresetNamesAFileThatCannotBeRead) {
  OpenWith(testing::SettingsText(m_library));
  const QString missing = m_scratch.Path(QStringLiteral("missing.tnq"));
  m_window->askOpenFile = [missing](const QString&, const QString&, const QString&) { return missing; };
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kPresetOpen)));
  EXPECT_EQ(Dialog(), nullptr);
  ASSERT_EQ(m_messages.size(), 1);
  EXPECT_TRUE(m_messages.front().startsWith(missing)) << m_messages.front().toStdString();
}

TEST_F(PresetCommands, FindWithoutAFolderAsksForOneAndThenSearches) {
  OpenWith("[TARNQ]\nLanguage=US\nOpt=80\nOption=0;0;0;0;0;2\n");
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kFind)));
  ui::PresetDialog* dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(m_searches.finished, 0);
  dialog->AddFolder(m_library);
  dialog->accept();
  ASSERT_TRUE(WaitUntil([this] { return m_searches.finished == 1 && !m_core->Busy(); }));
  ui::testing::DrainEvents();
  EXPECT_EQ(m_core->List().RowCount(), 3u);
  // OK stored the folder where the preset lives: the main settings.
  EXPECT_EQ(m_store->ReadText("Folder", "1"), u"+" + ui::ToU16(m_library));
}

TEST_F(PresetCommands, EditOfANamedButMissingPresetFileCreatesItOnOk) {
  OpenWith(testing::SettingsText(m_library));
  const QString file = m_scratch.Path(QStringLiteral("fresh.tnq"));
  m_window->PresetBox()->setEditText(file);
  // Find refuses the missing file: it is named, and nothing is searched.
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kFind)));
  EXPECT_FALSE(m_core->Busy());
  ASSERT_EQ(m_messages.size(), 1);
  EXPECT_TRUE(m_messages.front().startsWith(file));
  // The "..." of the preset bar opens the dialog on it; OK writes it.
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kPresetButton)));
  ui::PresetDialog* dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->ControlAs<QLineEdit>(2373)->text(), file);
  dialog->AddFolder(m_library);
  dialog->accept();
  ui::testing::DrainEvents();
  EXPECT_EQ(ReadPresetFile(file).folderList, std::vector<std::u16string>{u"+" + ui::ToU16(m_library)});
  EXPECT_EQ(m_core->Preset().presetFile, ui::ToU16(file));
}

}  // namespace
}  // namespace tarnq::app
