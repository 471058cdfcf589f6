// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands of the window on a temporary library (one song three times: a.mp3, b.flac,
// c.mp3): Copy with a target that exists, a Move that cannot succeed, Trash into a private Trash,
// a permanent Delete with a file that vanished, the second confirmation, Cancel while a question
// is open, and Rename's refusals. The dialogs are driven as a user would, through their buttons.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "app_test_support.h"
#include "window_test.h"
#include "appcore/app_core.h"
#include "appcore/restart.h"
#include "gui_test_support.h"
#include "settings/settings_store.h"
#include "ui/file_dialogs.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_text.h"

namespace tarnq::app {
namespace {

using platform::ExistsChoice;
using settings::SettingsStore;
using ui::testing::WaitUntil;

class FileCommands : public testing::WindowTest {
 protected:
  void SetUp() override {
    testing::WindowTest::SetUp();
    Open();
    if (HasFatalFailure()) return;
    m_window->askConfirm = [this](const QString& text, std::function<void(bool)> answer) {
      m_asked << text;
      answer(m_confirm);
    };
    Search();
    ASSERT_EQ(m_core->List().RowCount(), 3u);
  }

  QString Lib(const QString& name) const { return m_library + QLatin1Char('/') + name; }
  // Selects exactly the rows of these files.
  void Select(const QStringList& names) {
    results::ResultList& list = m_core->List();
    list.SetSelection(results::ResultList::kAllRows, results::ResultList::kDeselect);
    for (size_t i = 0; i < list.RowCount(); ++i) {
      if (names.contains(QFileInfo(ui::ToQString(list.FullPathAt(i))).fileName()))
        list.SetSelection(static_cast<int64_t>(i), results::ResultList::kSelect);
    }
  }
  QStringList Rows(bool selectedOnly = false) const {
    QStringList names;
    const results::ResultList& list = m_core->List();
    for (size_t i = 0; i < list.RowCount(); ++i)
      if (!selectedOnly || list.RowAt(i).Selected()) names << QFileInfo(ui::ToQString(list.FullPathAt(i))).fileName();
    names.sort();
    return names;
  }
  template <class T>
  T* Visible() const {
    for (T* dialog : m_window->findChildren<T*>())
      if (dialog->isVisible()) return dialog;
    return nullptr;
  }
  template <class T>
  T* WaitFor() const {
    T* found = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (found = Visible<T>()) != nullptr; }));
    return found;
  }
  // Copy (or Move) to `target` through the dialog.
  void Transfer(bool move, const QString& target) {
    ASSERT_TRUE(m_window->RunCommand(ToInt(move ? lang::CommandId::kFileMove : lang::CommandId::kFileCopy)));
    auto* dialog = WaitFor<ui::TransferDialog>();
    ASSERT_NE(dialog, nullptr);
    dialog->TargetBox()->setEditText(target);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  }
  // Delete through the dialog with the given choices.
  void Delete(bool trash, bool wipe) {
    ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kFileDelete)));
    auto* dialog = WaitFor<ui::DeleteDialog>();
    ASSERT_NE(dialog, nullptr);
    dialog->TrashBox()->setChecked(trash);
    dialog->WipeBox()->setChecked(wipe);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  }
  void WaitUntilIdle() {
    ASSERT_TRUE(WaitUntil([&] { return !m_core->Busy() && Visible<ui::FileProgressDialog>() == nullptr; }));
    ui::testing::DrainEvents();
  }
  // The error list's lines as "reason|path".
  QStringList ErrorLines() const {
    QStringList lines;
    if (ui::ErrorListDialog* errors = m_window->FileErrorList()) {
      for (int i = 0; i < errors->List()->topLevelItemCount(); ++i)
        lines << errors->List()->topLevelItem(i)->text(0) + QLatin1Char('|') + errors->List()->topLevelItem(i)->text(1);
    }
    return lines;
  }
  static QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QStringList m_asked;
  bool m_confirm = false;
};

TEST_F(FileCommands, CopyAsksAboutAnExistingTarget) {
  const QString target = m_scratch.Path(QStringLiteral("target"));
  const QByteArray song = Bytes(Lib(QStringLiteral("c.mp3")));
  struct Case {
    ExistsChoice answer;
    QByteArray after;  // what target/c.mp3 holds then
    bool keptBoth;
  };
  const Case cases[] = {{ExistsChoice::kSkip, "old", false},
                        {ExistsChoice::kKeepBoth, "old", true},
                        {ExistsChoice::kOverwrite, song, false}};
  for (const Case& c : cases) {
    QDir(target).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(target));
    testing::WriteFile(target + QStringLiteral("/c.mp3"), "old");
    Select({QStringLiteral("c.mp3")});
    Transfer(false, target);
    auto* question = WaitFor<ui::ExistsDialog>();
    ASSERT_NE(question, nullptr);
    QTest::mouseClick(question->ButtonFor(c.answer), Qt::LeftButton);
    WaitUntilIdle();
    EXPECT_EQ(Bytes(target + QStringLiteral("/c.mp3")), c.after) << static_cast<int>(c.answer);
    EXPECT_EQ(QFile::exists(target + QStringLiteral("/c (2).mp3")), c.keptBoth);
    EXPECT_EQ(Rows(true), QStringList{QStringLiteral("c.mp3")}) << "a copy changes no row";
    EXPECT_EQ(ui::ToQString(results::ReadCopyHistory(*m_store).at(0)), target);
  }
}

TEST_F(FileCommands, AFailedMoveListsTheFileAndKeepsIt) {
  // A folder below a regular file cannot be made, whoever runs the test.
  const QString target = Lib(QStringLiteral("a.mp3")) + QStringLiteral("/sub");
  Select({QStringLiteral("c.mp3")});
  Transfer(true, target);
  WaitUntilIdle();
  const QStringList lines = ErrorLines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].endsWith(QLatin1Char('|') + Lib(QStringLiteral("c.mp3")))) << lines[0].toStdString();
  EXPECT_FALSE(lines[0].startsWith(QLatin1Char('|'))) << "no reason given";
  EXPECT_TRUE(QFile::exists(Lib(QStringLiteral("c.mp3"))));
  EXPECT_EQ(Rows(true), QStringList{QStringLiteral("c.mp3")});
  EXPECT_EQ(Rows().size(), 3);
}

TEST_F(FileCommands, TrashTakesTheFilesIntoThePrivateTrash) {
  const QString data = m_scratch.Path(QStringLiteral("data"));
  ::setenv("XDG_DATA_HOME", data.toUtf8().constData(), 1);
  Select({QStringLiteral("b.flac"), QStringLiteral("c.mp3")});
  Delete(true, false);
  WaitUntilIdle();
  EXPECT_TRUE(ErrorLines().isEmpty()) << ErrorLines().join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(Rows(), QStringList{QStringLiteral("a.mp3")});
  EXPECT_TRUE(QFile::exists(data + QStringLiteral("/Trash/files/c.mp3")));
  EXPECT_FALSE(QFile::exists(Lib(QStringLiteral("c.mp3"))));
  EXPECT_EQ(m_core->Options() & results::kOptionNoTrash, 0u);
}

TEST_F(FileCommands, DeleteRemovesTheRowsOfGoneFilesAndTheRestStaySelected) {
  Select({QStringLiteral("b.flac"), QStringLiteral("c.mp3")});
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kFileDelete)));
  auto* dialog = WaitFor<ui::DeleteDialog>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->Question()->text(), QStringLiteral("Are you sure you want to remove 2 elements ?"));
  dialog->WipeBox()->setChecked(true);
  EXPECT_FALSE(dialog->WipeBox()->isEnabled()) << "wipe is for permanent deletion only";
  dialog->TrashBox()->setChecked(false);
  EXPECT_TRUE(dialog->WipeBox()->isEnabled());
  dialog->WipeBox()->setChecked(false);
  ASSERT_TRUE(QFile::remove(Lib(QStringLiteral("c.mp3"))));  // gone before the user confirmed
  QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  WaitUntilIdle();
  EXPECT_FALSE(QFile::exists(Lib(QStringLiteral("b.flac"))));
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("a.mp3"), QStringLiteral("c.mp3")}));
  EXPECT_EQ(Rows(true), QStringList{QStringLiteral("c.mp3")});
  const QStringList lines = ErrorLines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].endsWith(QLatin1Char('|') + Lib(QStringLiteral("c.mp3"))));
  EXPECT_EQ(m_core->Options() & (results::kOptionNoTrash | results::kOptionWipe), results::kOptionNoTrash)
      << "the choices are stored";
}

TEST_F(FileCommands, ASelectionOfEveryCopyIsAskedASecondTime) {
  Select({QStringLiteral("a.mp3"), QStringLiteral("b.flac"), QStringLiteral("c.mp3")});
  m_confirm = false;
  Delete(false, false);
  WaitUntilIdle();
  ASSERT_EQ(m_asked.size(), 1);
  EXPECT_TRUE(m_asked[0].startsWith(QStringLiteral("1 groups would lose every copy"))) << m_asked[0].toStdString();
  EXPECT_EQ(Rows().size(), 3);
  EXPECT_TRUE(QFile::exists(Lib(QStringLiteral("a.mp3"))));
}

TEST_F(FileCommands, CancelWhileAQuestionIsOpenWritesNothingMore) {
  const QString target = m_scratch.Path(QStringLiteral("target"));
  ASSERT_TRUE(QDir().mkpath(target));
  // Whichever comes first asks.
  testing::WriteFile(target + QStringLiteral("/b.flac"), "old");
  testing::WriteFile(target + QStringLiteral("/c.mp3"), "old");
  Select({QStringLiteral("b.flac"), QStringLiteral("c.mp3")});
  Transfer(false, target);
  auto* question = WaitFor<ui::ExistsDialog>();
  ASSERT_NE(question, nullptr);
  auto* progress = Visible<ui::FileProgressDialog>();
  ASSERT_NE(progress, nullptr);
  QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
  WaitUntilIdle();
  EXPECT_EQ(QDir(target).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("b.flac"), QStringLiteral("c.mp3")}));
  EXPECT_EQ(Bytes(target + QStringLiteral("/b.flac")), QByteArray("old"));
  EXPECT_EQ(Bytes(target + QStringLiteral("/c.mp3")), QByteArray("old"));
  EXPECT_EQ(Visible<ui::ExistsDialog>(), nullptr) << "the question went with the operation";
}

TEST_F(FileCommands, RenameRefusesWhatItCannotDoAndSaysWhy) {
  QSignalSpy messages(m_window.get(), &MainWindow::messageShown);
  const QByteArray flac = Bytes(Lib(QStringLiteral("b.flac")));
  results::ResultList& list = m_core->List();
  for (size_t i = 0; i < list.RowCount(); ++i)
    if (list.FullPathAt(i) == ui::ToU16(Lib(QStringLiteral("c.mp3")))) list.SetFocusedRow(static_cast<int64_t>(i));
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kFileRename)));
  auto* dialog = WaitFor<ui::RenameDialog>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->NameField()->selectedText(), QStringLiteral("c"));
  const QString refused[] = {QStringLiteral("b.flac"), QStringLiteral("x/y.mp3"), QStringLiteral("..")};
  for (const QString& name : refused) {
    messages.clear();
    dialog->NameField()->setText(name);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1) << name.toStdString();
    EXPECT_TRUE(messages[0][0].toString().contains(name)) << messages[0][0].toString().toStdString();
    EXPECT_TRUE(dialog->isVisible()) << "the dialog keeps what was typed";
    EXPECT_EQ(dialog->NameField()->text(), name);
  }
  EXPECT_EQ(Bytes(Lib(QStringLiteral("b.flac"))), flac) << "the taken name's file is untouched";
  EXPECT_TRUE(QFile::exists(Lib(QStringLiteral("c.mp3"))));
  dialog->NameField()->setText(QStringLiteral("d.mp3"));
  QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  EXPECT_TRUE(WaitUntil([&] { return Visible<ui::RenameDialog>() == nullptr; }));
  EXPECT_TRUE(QFile::exists(Lib(QStringLiteral("d.mp3"))));
  EXPECT_FALSE(QFile::exists(Lib(QStringLiteral("c.mp3"))));
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("a.mp3"), QStringLiteral("b.flac"), QStringLiteral("d.mp3")}));
}

}  // namespace
}  // namespace tarnq::app
