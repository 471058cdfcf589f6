// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration commands on a real window: a shortcut assigned in the configuration works on
// the next key press, the toolbar dialog's choice rebuilds the toolbar, and "Delete now" removes
// the information cache's file.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <memory>

#include "app/main_window.h"
#include "app_test_support.h"
#include "appcore/app_core.h"
#include "appcore/restart.h"
#include "gui_test_support.h"
#include "window_test.h"
#include "settings/settings_store.h"
#include "ui/config_dialog.h"
#include "ui/config_shortcuts.h"
#include "ui/config_toolbar.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_text.h"
#include "ui/result_model.h"
#include "ui/result_view.h"

namespace tarnq::app {
namespace {

using settings::SettingsStore;

class ConfigWindow : public testing::WindowTest {
 protected:
  void Open(const std::string& main = {}) {
    testing::WindowTest::Open(main);
    if (!HasFatalFailure()) m_window->askQuestion = [this](const QString&) { return m_answer; };
  }

  template <class Dialog>
  Dialog* OpenDialog(int command) {
    EXPECT_TRUE(m_window->RunCommand(command));
    auto* dialog = m_window->findChild<Dialog*>();
    EXPECT_NE(dialog, nullptr);
    return dialog;
  }

  bool m_answer = true;
};

TEST_F(ConfigWindow, AssignedShortcutWorksOnTheNextKeyPress) {
  Open();
  auto* dialog = OpenDialog<ui::ConfigDialog>(183);
  ASSERT_NE(dialog, nullptr);
  ui::ShortcutsPage* page = dialog->Shortcuts();
  page->SelectCommand(lang::CommandId::kStatusBar);
  page->Field()->SetCode('B' | appcore::kCtrlBit);
  ASSERT_TRUE(page->AssignKey());
  QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  ui::testing::DrainEvents();
  ASSERT_TRUE(m_window->statusBar()->isVisible());
  m_window->activateWindow();
  QTest::keyClick(m_window->View(), Qt::Key_B, Qt::ControlModifier);
  ui::testing::DrainEvents();
  EXPECT_FALSE(m_window->statusBar()->isVisible());
  EXPECT_TRUE(m_window->ActionOf(142)->text().endsWith(QStringLiteral("\tCtrl+B")));
}

TEST_F(ConfigWindow, OkTakesEffectAtOnce) {
  Open();
  const int columns = m_window->View()->Model()->columnCount();
  auto* dialog = OpenDialog<ui::ConfigDialog>(183);
  ASSERT_NE(dialog, nullptr);
  dialog->General()->Box(5210)->setChecked(false);  // sizes in the short form
  dialog->Columns()->Shown()->setCurrentRow(0);
  QTest::mouseClick(dialog->Columns()->findChildren<QPushButton*>()[1], Qt::LeftButton);  // Remove
  QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  ui::testing::DrainEvents();
  EXPECT_NE(m_core->Options() & 0x4000, 0u);
  EXPECT_EQ(m_window->View()->Model()->columnCount(), columns - 1);
}

TEST_F(ConfigWindow, ToolbarChoiceRebuildsTheToolbar) {
  Open();
  auto* toolbar = m_window->findChild<QToolBar*>(QStringLiteral("toolbar"));
  ASSERT_NE(toolbar, nullptr);
  ASSERT_TRUE(toolbar->actions().contains(m_window->ActionOf(125)));
  auto* dialog = OpenDialog<ui::ToolbarDialog>(181);
  ASSERT_NE(dialog, nullptr);
  dialog->Chosen()->setCurrentRow(0);  // Preset...
  dialog->Remove();
  for (int row = 0; row < dialog->Available()->count(); ++row) {
    if (dialog->Available()->item(row)->data(Qt::UserRole).toInt() == 133) dialog->Available()->setCurrentRow(row);
  }
  dialog->Chosen()->setCurrentRow(dialog->Chosen()->count() - 1);
  dialog->Add();  // Test similarity, last
  QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  ui::testing::DrainEvents();
  const QList<QAction*> actions = toolbar->actions();
  EXPECT_FALSE(actions.contains(m_window->ActionOf(125)));
  ASSERT_FALSE(actions.isEmpty());
  EXPECT_EQ(actions.last(), m_window->ActionOf(133));
  EXPECT_EQ(m_store->ReadText(SettingsStore::kMainSection, "Toolbar"), u"131,132,0,121,0,106,108,109,111,0,118,119,113,0,201,133");
}

TEST_F(ConfigWindow, DeleteNowRemovesTheCacheFileWhenConfirmed) {
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm);
    const QString cache = m_scratch.Path(QStringLiteral("cache-file"));
    testing::WriteFile(cache, "/music/a.mp3;1;2;1;2;44100;128;;;;;;;;;;;\r\n");
    Open("MP3Cache=" + cache.toStdString() + "\n");
    m_answer = confirm;
    auto* dialog = OpenDialog<ui::ConfigDialog>(183);
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->Cache()->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(QFile::exists(cache), !confirm);
    dialog->close();
    TearDown();
  }
}

}  // namespace
}  // namespace tarnq::app
