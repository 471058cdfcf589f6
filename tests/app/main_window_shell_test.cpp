// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop around the list: the context menu from the keyboard, our own properties window
// when no file manager answers, the preferred-folders dialog storing its list, rule and place,
// and Select Dupes following the stored rule.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QComboBox>

#include "window_test.h"
#include "ui/file_manager.h"
#include "ui/preferred_folders_dialog.h"
#include "ui/properties_dialog.h"
#include "ui/result_model.h"
#include "ui/result_view.h"

namespace tarnq::app {
namespace {

using ui::testing::DrainEvents;
using ui::testing::WaitUntil;
constexpr std::string_view kMain = settings::SettingsStore::kMainSection;

class Shell : public testing::WindowTest {};

// A menu's entries: the command of each, 0 for a separator, -1 for an entry of no command.
std::vector<int> Entries(const QMenu* menu) {
  std::vector<int> ids;
  for (const QAction* a : menu->actions()) ids.push_back(a->isSeparator() ? 0 : (a->data().isValid() ? a->data().toInt() : -1));
  return ids;
}

TEST_F(Shell, ContextMenuKeysOfferTheWindowsOwnCommands) {
  OpenSearched();
  ui::ResultView* view = m_window->View();
  ASSERT_GE(view->Model()->rowCount(), 2);
  const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}};
  for (const auto& [key, modifiers] : keys) {
    view->setFocus();
    view->setCurrentIndex(view->Model()->index(0, 0));
    QTest::keyClick(view, key, modifiers);
    ASSERT_TRUE(WaitUntil([this] { return m_window->RowMenu() && m_window->RowMenu()->isVisible(); }, 5000)) << key;
    QMenu* menu = m_window->RowMenu();
    const std::vector<int> expected = {106, -1, 134, 0, 127, 110, 111, 114, 0, 122, 123, 124, 0, 112};
    EXPECT_EQ(Entries(menu), expected);
    // The window's own actions: state and shortcuts as in the menus.
    EXPECT_EQ(menu->actions().at(0), m_window->ActionOf(106));
    EXPECT_TRUE(menu->actions().at(0)->isEnabled()) << "Play";
    EXPECT_TRUE(menu->actions().at(1)->isEnabled()) << "a known audio file opens with its program";
    EXPECT_TRUE(m_window->ActionOf(134)->isEnabled());
    EXPECT_TRUE(m_window->ActionOf(112)->isEnabled());
    if (key == Qt::Key_F10) {
      m_opened.clear();
      menu->actions().at(1)->trigger();
      ASSERT_EQ(m_opened.size(), 1u);
      EXPECT_EQ(m_opened.front(), ui::FileUrl(m_core->List().FullPathAt(0)));
    }
    menu->close();
    DrainEvents();
  }
}

TEST_F(Shell, PropertiesWithoutAFileManagerShowOurOwnWindowOfTheSelection) {
  const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_scratch.Path(QStringLiteral("no-bus")).toUtf8());
  OpenSearched();
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kSelectDupes)));
  ASSERT_EQ(m_core->List().SelectedCount(), 2u);
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kProperties)));
  ui::PropertiesDialog* dialog = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (dialog = m_window->findChild<ui::PropertiesDialog*>()) && dialog->isVisible(); }, 5000));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->FileBox()->count(), 2);
  EXPECT_EQ(dialog->FileBox()->itemText(0), ui::ToQString(SelectedNames().front()));
  dialog->close();
  if (saved.isNull()) qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  else qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
}

TEST_F(Shell, PreferredFoldersDialogStoresTheListTheRuleAndItsPlace) {
  OpenSearched({}, "[DlgSelFav]\nPos=40,30,640,420,1\n");
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kFavoriteFolders)));
  auto* dialog = m_window->findChild<ui::PreferredFoldersDialog*>();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->size(), QSize(640, 420));
  dialog->askFolder = [this] { return m_library; };
  dialog->AddButton()->click();
  dialog->ExcludeButton()->click();
  dialog->RuleButton(ui::DupesRule::kBestCopy)->click();
  dialog->resize(700, 450);
  dialog->OkButton()->click();
  DrainEvents();
  QFile file(SettingsPath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString stored = QString::fromUtf8(file.readAll());
  const qsizetype section = stored.indexOf(QStringLiteral("[SelFav]"));
  ASSERT_NE(section, -1) << stored.toStdString();
  EXPECT_EQ(stored.mid(section).section(QLatin1Char('\n'), 1, 1).trimmed(), QStringLiteral("1=-") + m_library);
  EXPECT_TRUE(stored.contains(QStringLiteral("SelRule=2"))) << stored.toStdString();
  const std::u16string place = m_store->ReadText("DlgSelFav", "Pos");
  EXPECT_NE(ui::ToQString(place).indexOf(QStringLiteral(",700,450,")), -1) << ui::ToQString(place).toStdString();
}

struct RuleCase {
  int rule;
  const char* favorites;  // section SelFav, the library's path after the marker
  bool keepFirst;         // the first row in display order stays unselected, all others selected
  bool keepFlac;          // b.flac stays unselected, all others selected
};

TEST_F(Shell, SelectDupesFollowsTheStoredRule) {
  OpenSearched();
  const RuleCase cases[] = {
      {0, "-", false, false},  // preferred folders: everything in an excluded folder stays
      {1, "-", true, false},   // display order: the folders do not count
      {2, "", false, true},    // the best copy: the lossless one stays
      {7, "", true, false},    // an unknown rule reads as the preferred folders (none: display order)
  };
  for (const RuleCase& c : cases) {
    m_store->WriteInt(kMain, "SelRule", static_cast<uint32_t>(c.rule));
    m_store->DeleteSection("SelFav");
    if (*c.favorites) m_store->WriteText("SelFav", "1", ui::ToU16(QString::fromLatin1(c.favorites) + m_library));
    m_core->DeselectAll();
    ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kSelectDupes)));
    std::vector<std::u16string> expected;
    const results::ResultList& list = m_core->List();
    for (size_t i = 0; i < list.RowCount(); ++i) {
      const std::u16string name = list.RowAt(i).Name();
      if ((c.keepFirst && i != 0) || (c.keepFlac && name != u"b.flac")) expected.push_back(name);
    }
    EXPECT_EQ(SelectedNames(), expected) << c.rule;
  }
}

}  // namespace
}  // namespace tarnq::app
