// SPDX-License-Identifier: GPL-3.0-or-later
// The preferred-folders dialog: which buttons the current row allows, adding, moving, excluding,
// and OK refusing a folder the settings cannot store.
#include "ui/preferred_folders_dialog.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "gui_test_support.h"

namespace tarnq::ui {
namespace {

class FavoritesDialog : public ::testing::Test {
 protected:
  void SetUp() override { testing::InstallLanguageLibrary(); }
  const results::FavoriteFolders m_three = {{u'+', u"/a"}, {u'-', u"/b"}, {u'+', u"/c"}};
};

struct ButtonCase {
  int current;
  bool up, down, edit;
};

TEST_F(FavoritesDialog, ButtonsFollowTheCurrentRow) {
  PreferredFoldersDialog dialog(m_three, DupesRule::kFolders);
  const ButtonCase cases[] = {{0, false, true, true}, {1, true, true, true}, {2, true, false, true}, {-1, false, false, false}};
  for (const ButtonCase& c : cases) {
    dialog.List()->setCurrentRow(c.current);
    EXPECT_EQ(dialog.UpButton()->isEnabled(), c.up) << c.current;
    EXPECT_EQ(dialog.DownButton()->isEnabled(), c.down) << c.current;
    for (QPushButton* b : {dialog.EditButton(), dialog.RemoveButton(), dialog.ExcludeButton()}) {
      EXPECT_EQ(b->isEnabled(), c.edit) << c.current;
    }
  }
}

TEST_F(FavoritesDialog, AddMoveExcludeAndTheRuleComeBackInListOrder) {
  PreferredFoldersDialog dialog(m_three, DupesRule::kFolders);
  QString next;
  dialog.askFolder = [&next] { return next; };
  next = QStringLiteral(" /d/ ");  // tidied
  dialog.AddButton()->click();
  next = QStringLiteral("/a");  // already listed: not added
  dialog.AddButton()->click();
  next.clear();  // cancelled
  dialog.AddButton()->click();
  EXPECT_EQ(dialog.List()->currentRow(), 3);
  dialog.UpButton()->click();                                   // /d above /c
  dialog.ExcludeButton()->click();                              // /d excluded
  dialog.List()->setCurrentRow(1);
  dialog.RemoveButton()->click();                               // /b gone
  dialog.RuleButton(DupesRule::kBestCopy)->click();
  const results::FavoriteFolders expected = {{u'+', u"/a"}, {u'-', u"/d"}, {u'+', u"/c"}};
  EXPECT_EQ(dialog.Folders(), expected);
  EXPECT_EQ(dialog.Rule(), DupesRule::kBestCopy);
}

TEST_F(FavoritesDialog, OkRefusesAFolderWithALineBreakAndKeepsIt) {
  PreferredFoldersDialog dialog(m_three, DupesRule::kDisplayOrder);
  QStringList errors;
  dialog.showError = [&errors](const QString& text) { errors << text; };
  dialog.List()->item(2)->setText(QStringLiteral("/c\nd"));
  dialog.List()->setCurrentRow(0);
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors.front().contains(QStringLiteral("/c"))) << errors.front().toStdString();
  EXPECT_EQ(dialog.List()->currentRow(), 2);
  EXPECT_EQ(dialog.List()->item(2)->text(), QStringLiteral("/c\nd"));
  EXPECT_EQ(dialog.Rule(), DupesRule::kDisplayOrder);
}

}  // namespace
}  // namespace tarnq::ui
