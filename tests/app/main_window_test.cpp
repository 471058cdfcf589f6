// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on a real application core, under the offscreen platform: its menus in both
// languages, which commands are grey when, the search filling the list, header clicks, the
// selection commands, saving and loading, shortcuts from section `Keys`, closing during a search,
// the restart for dark mode and the update check against a server on this machine. Every window
// runs in scripted mode so that no message box can block a case; messages arrive through the
// window's messageShown signal instead.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QIcon>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

#include "app_test_support.h"
#include "window_test.h"
#include "appcore/app_core.h"
#include "appcore/restart.h"
#include "gui_test_support.h"
#include "results/columns.h"
#include "settings/placement.h"
#include "settings/settings_store.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_text.h"
#include "ui/result_model.h"
#include "ui/result_view.h"
#include "ui/similarity_dialog.h"

namespace tarnq::app {
namespace {

using settings::SettingsStore;
using ui::testing::WaitUntil;

constexpr std::string_view kMain = SettingsStore::kMainSection;

class Window : public testing::WindowTest {
 protected:
  std::vector<QString> ViewNames() const {
    const ui::ResultModel* model = m_window->View()->Model();
    const int column = model->ColumnOf(results::column::kFilename);
    std::vector<QString> names;
    for (int row = 0; row < model->rowCount(); ++row) names.push_back(model->index(row, column).data().toString());
    return names;
  }
};

// --- Menus ----------------------------------------------------------------------------------

QStringList Titles(const QMenuBar* bar) {
  QStringList titles;
  for (const QAction* action : bar->actions()) titles << action->text();
  return titles;
}

std::vector<int> ItemIds(const QMenu* menu) {
  std::vector<int> ids;
  for (const QAction* action : menu->actions()) ids.push_back(action->isSeparator() ? 0 : action->data().toInt());
  return ids;
}

struct MenuLanguage {
  const char* code;
  QStringList left;
  QStringList right;
  QString search;      // the Search item with its shortcut
  QString searchHelp;  // its status tip
};
void PrintTo(const MenuLanguage& c, std::ostream* os) { *os << c.code; }

class WindowMenus : public Window, public ::testing::WithParamInterface<MenuLanguage> {};

TEST_P(WindowMenus, ComeFromTheLanguagesMenuTree) {
  const MenuLanguage& want = GetParam();
  Open({}, {}, want.code);
  QMenuBar* bar = m_window->menuBar();
  EXPECT_EQ(Titles(bar), want.left);
  const auto* right = qobject_cast<QMenuBar*>(bar->cornerWidget(Qt::TopRightCorner));
  ASSERT_NE(right, nullptr) << "no right-aligned menus";
  EXPECT_EQ(Titles(right), want.right);

  const QAction* file = bar->actions().value(0);
  ASSERT_NE(file, nullptr);
  ASSERT_NE(file->menu(), nullptr);
  EXPECT_EQ(ItemIds(file->menu()),
            (std::vector<int>{102, 103, 0, 106, 108, 109, 110, 111, 0, 118, 119, 113, 114, 0, 112, 0, 100}));
  const QAction* help = right->actions().value(1);
  ASSERT_TRUE(help != nullptr && help->menu() != nullptr);
  EXPECT_EQ(ItemIds(help->menu()), (std::vector<int>{201, 0, 202, 203, 204, 0, 206}));

  const QAction* search = m_window->ActionOf(ToInt(lang::CommandId::kFind));
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(search->text(), want.search);
  EXPECT_EQ(search->statusTip(), want.searchHelp);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, WindowMenus,
    ::testing::Values(
        MenuLanguage{"US",
                     {"&File", "&Edit", "&View", "E&xtra", "&Options"},
                     {"&Switch list", "&Help"},
                     "&Search\tCtrl+F",
                     "Starts the search"},
        MenuLanguage{"DE",
                     {"&Datei", "&Bearbeiten", "&Ansicht", "E&xtras", "&Optionen"},
                     {"&Fenster wechseln", "&Hilfe"},
                     "&Suchen\tStrg+F",
                     "Startet die Suche"}),
    [](const ::testing::TestParamInfo<MenuLanguage>& info) { return std::string(info.param.code); });

// --- Greying ----------------------------------------------------------------------------------

// Commands that need rows: Play, Save, Export, Remove, the selection and clipboard commands.
constexpr int kListCommands[] = {106, 108, 109, 110, 111, 112, 118, 113, 114, 121, 122, 123, 124, 126, 127, 128, 129, 134};

TEST_F(Window, EmptyListGreysTheCommandsThatNeedRows) {
  Open();
  for (const int id : kListCommands) {
    EXPECT_FALSE(m_window->ActionOf(id)->isEnabled()) << id;
    EXPECT_FALSE(m_window->RunCommand(id)) << id;
  }
  EXPECT_TRUE(m_window->ActionOf(119)->isEnabled()) << "Load results";
  EXPECT_TRUE(m_window->ActionOf(131)->isEnabled()) << "Search";
  EXPECT_FALSE(m_window->ActionOf(132)->isEnabled()) << "Stop";
}

TEST_F(Window, SearchGreysFindAndEnablesStopUntilItEnds) {
  Open();
  ASSERT_TRUE(m_window->RunCommand(131));
  // The worker hands its rows over on this thread, so the search is still on until events run.
  ASSERT_TRUE(m_core->Busy());
  EXPECT_FALSE(m_window->ActionOf(131)->isEnabled());
  EXPECT_TRUE(m_window->ActionOf(132)->isEnabled());
  EXPECT_FALSE(m_window->RunCommand(131)) << "a second Find while one runs";
  ASSERT_TRUE(WaitUntil([this] { return m_searches.finished == 1 && !m_core->Busy(); }));
  ui::testing::DrainEvents();
  EXPECT_TRUE(m_window->ActionOf(131)->isEnabled());
  EXPECT_FALSE(m_window->ActionOf(132)->isEnabled());
}

TEST_F(Window, ListCommandsAreEnabledWithRowsInTheList) {
  Open();
  Search();
  ASSERT_GT(m_window->View()->Model()->rowCount(), 0);
  for (const int id : kListCommands) EXPECT_TRUE(m_window->ActionOf(id)->isEnabled()) << id;
}

// --- The search and the list ----------------------------------------------------------------

TEST_F(Window, FindFillsTheViewWithTheCoresGroups) {
  Open();
  Search();
  const results::ResultList& list = m_core->List();
  ASSERT_EQ(list.RowCount(), 3u);
  EXPECT_EQ(m_core->GroupCount(), 1u);
  const ui::ResultModel* model = m_window->View()->Model();
  ASSERT_EQ(model->rowCount(), 3);
  const std::vector<QString> names = ViewNames();
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(names[static_cast<size_t>(row)], ui::ToQString(list.RowAt(static_cast<size_t>(row)).Name()));
    EXPECT_EQ(model->index(row, 0).data(ui::ResultModel::kGroupRole).toUInt(), 1u);
  }
  EXPECT_TRUE(m_window->TotalPaneText().startsWith(QStringLiteral("Total 3 files, "))) << m_window->TotalPaneText().toStdString();
  EXPECT_TRUE(m_window->TotalPaneText().endsWith(QStringLiteral(", 1 group"))) << m_window->TotalPaneText().toStdString();
}

// View > Icons (option 0x8) is the list's file icons; the menus' icons follow 0x100 instead.
TEST_F(Window, IconsCommandShowsAndHidesTheListsFileIcons) {
  Open("Opt=64\n");
  Search();
  const ui::ResultModel* model = m_window->View()->Model();
  const QModelIndex name = model->index(0, model->ColumnOf(results::column::kFilename));
  const QModelIndex path = model->index(0, model->ColumnOf(results::column::kPath));
  EXPECT_FALSE(name.data(Qt::DecorationRole).value<QIcon>().isNull());
  EXPECT_FALSE(path.data(Qt::DecorationRole).isValid());
  ASSERT_TRUE(m_window->RunCommand(143));
  EXPECT_EQ(m_core->Options() & 0x8u, 0x8u);
  EXPECT_FALSE(name.data(Qt::DecorationRole).isValid());
  EXPECT_FALSE(m_window->ActionOf(143)->isChecked());
  EXPECT_TRUE(m_window->ActionOf(118)->isIconVisibleInMenu());
}

TEST_F(Window, HeaderClicksSortAndReverse) {
  Open();
  Search();
  ui::ResultView* view = m_window->View();
  QHeaderView* header = view->horizontalHeader();
  const int section = view->Model()->ColumnOf(results::column::kFilename);
  ASSERT_GE(section, 0);
  auto click = [&](bool rightHalf) {
    const int left = header->sectionViewportPosition(section);
    const int width = header->sectionSize(section);
    ASSERT_GT(width, 8);
    const QPoint at(left + (rightHalf ? width * 3 / 4 : width / 4), header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ui::testing::DrainEvents();
  };
  const std::vector<QString> byName{"a.mp3", "b.flac", "c.mp3"};

  click(false);
  EXPECT_EQ(m_core->List().SortKey(), results::kSortName);
  EXPECT_FALSE(m_core->List().Reversed());
  EXPECT_EQ(ViewNames(), byName);

  // The same key again reverses.
  click(false);
  EXPECT_EQ(m_core->List().SortKey(), results::kSortName);
  EXPECT_TRUE(m_core->List().Reversed());
  EXPECT_EQ(ViewNames(), std::vector<QString>(byName.rbegin(), byName.rend()));

  // The right half of Filename sorts by extension (the direction stays): the FLAC file last.
  click(true);
  EXPECT_EQ(m_core->List().SortKey(), results::kSortExtension);
  EXPECT_TRUE(m_core->List().Reversed());
  EXPECT_EQ(ViewNames().back(), QStringLiteral("b.flac"));
}

// --- Selection commands ----------------------------------------------------------------------

struct SelectionStep {
  int command;
  size_t selected;      // rows selected afterwards
  const char* pane;     // the "Selected" pane afterwards begins with this ("" = empty)
};

struct SelectionCase {
  const char* name;
  std::vector<SelectionStep> steps;
};
void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

class WindowSelection : public Window, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(WindowSelection, ChangesTheListAndTheSelectedPane) {
  Open();
  Search();
  ASSERT_EQ(m_core->List().RowCount(), 3u);
  for (const SelectionStep& step : GetParam().steps) {
    EXPECT_TRUE(m_window->RunCommand(step.command)) << step.command;
    EXPECT_EQ(m_core->List().SelectedCount(), step.selected) << step.command;
    const QString pane = QString::fromUtf8(step.pane);
    EXPECT_TRUE(WaitUntil([&] {
      const QString now = m_window->SelectedPaneText();
      return pane.isEmpty() ? now.isEmpty() : now.startsWith(pane);
    })) << step.command << ": " << m_window->SelectedPaneText().toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, WindowSelection,
    ::testing::Values(SelectionCase{"select_all", {{122, 3, "Selected 3 files, "}}},
                      SelectionCase{"deselect_all", {{122, 3, "Selected 3 files, "}, {123, 0, ""}}},
                      SelectionCase{"invert", {{124, 3, "Selected 3 files, "}, {124, 0, ""}}},
                      SelectionCase{"select_dupes", {{121, 2, "Selected 2 files, "}}}),
    [](const ::testing::TestParamInfo<SelectionCase>& info) { return std::string(info.param.name); });

// --- Results files ---------------------------------------------------------------------------

TEST_F(Window, SaveAndLoadThroughTheWindowKeepTheRows) {
  Open();
  Search();
  const std::vector<QString> before = ViewNames();
  ASSERT_EQ(before.size(), 3u);
  QString offeredFilters;
  m_window->askSaveFile = [&](const QString&, const QString&, const QString& filters, QString*) {
    offeredFilters = filters;
    return m_scratch.Path(QStringLiteral("saved"));  // the extension is added
  };
  ASSERT_TRUE(m_window->RunCommand(118));
  const QString saved = m_scratch.Path(QStringLiteral("saved.tarnq"));
  ASSERT_TRUE(QFileInfo(saved).isFile());
  EXPECT_TRUE(offeredFilters.contains(QStringLiteral("*.tarnq")));

  ASSERT_TRUE(m_window->RunCommand(122));
  ASSERT_TRUE(m_window->RunCommand(114));  // remove from list
  ASSERT_EQ(m_window->View()->Model()->rowCount(), 0);

  m_window->askOpenFile = [&](const QString&, const QString&, const QString&) { return saved; };
  ASSERT_TRUE(m_window->RunCommand(119));
  EXPECT_EQ(ViewNames(), before);
  EXPECT_TRUE(m_window->ActionOf(118)->isEnabled()) << "the loaded list can be saved again";
}

// --- Shortcuts --------------------------------------------------------------------------------

struct KeyCase {
  const char* name;
  const char* keys;  // the lines of section Keys
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  bool searches;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class WindowKeys : public Window, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(WindowKeys, RunWhatSectionKeysSays) {
  const KeyCase& c = GetParam();
  Open({}, std::string("[Keys]\n") + c.keys + "\n");
  m_window->View()->setFocus();
  QTest::keyClick(m_window->View(), c.key, c.modifiers);
  if (c.searches) {
    EXPECT_TRUE(WaitUntil([this] { return m_searches.finished == 1 && !m_core->Busy(); }));
  } else {
    ui::testing::DrainEvents();
    EXPECT_FALSE(m_core->Busy());
    EXPECT_EQ(m_searches.finished, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, WindowKeys,
    ::testing::Values(KeyCase{"ctrl_f_by_default", "", Qt::Key_F, Qt::ControlModifier, true},
                      KeyCase{"ctrl_f_switched_off", "582=-", Qt::Key_F, Qt::ControlModifier, false},
                      KeyCase{"f3_unused_by_default", "", Qt::Key_F3, Qt::NoModifier, false},
                      KeyCase{"f3_given_to_search", "114=eFnd", Qt::Key_F3, Qt::NoModifier, true},
                      KeyCase{"by_command_table_name", "114=Find", Qt::Key_F3, Qt::NoModifier, true},
                      KeyCase{"reserved_f1_ignored", "112=eFnd", Qt::Key_F1, Qt::NoModifier, false}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(Window, F1OpensTheHelpPageOfTheLanguageAtTheWindowsTopic) {
  for (const char* language : {"US", "DE"}) {
    m_opened.clear();
    m_window.reset();
    m_core.reset();
    m_store.reset();
    Open({}, {}, language);
    QTest::keyClick(m_window->View(), Qt::Key_F1);
    ui::testing::DrainEvents();
    ASSERT_EQ(m_opened.size(), 1u) << language;
    EXPECT_TRUE(m_opened[0].toLocalFile().endsWith(QStringLiteral("TARNQ_%1.HTM").arg(QLatin1String(language))))
        << m_opened[0].toString().toStdString();
    EXPECT_EQ(m_opened[0].fragment(), QStringLiteral("main-window"));
  }
}

TEST_F(Window, TheStoredFontIsTheWindowsAndAChoiceIsStored) {
  Open("Font=-20,0,0,0,700,0,0,0,1,0,0,0,0,DejaVu Serif\n");
  EXPECT_EQ(m_window->font().pixelSize(), 20);
  EXPECT_EQ(m_window->font().weight(), QFont::Bold);
  ui::ResultView* view = m_window->View();
  EXPECT_EQ(view->verticalHeader()->defaultSectionSize(), view->fontMetrics().height() + 6);

  QFont smaller(QStringLiteral("DejaVu Sans"));
  smaller.setPixelSize(11);
  m_window->SetWindowFont(smaller);
  EXPECT_EQ(view->font().pixelSize(), 11);
  EXPECT_EQ(view->verticalHeader()->defaultSectionSize(), view->fontMetrics().height() + 6) << "rows follow the font";
  const std::u16string stored = m_store->ReadText("TARNQ", "Font");
  EXPECT_EQ(stored.substr(0, 4), u"-11,");
  EXPECT_NE(stored.find(u"DejaVu Sans"), std::u16string::npos);
}

TEST_F(Window, AltWithTheWindowsKeyForgetsTheOtherWindowsPlaces) {
  Open({}, "[Player]\nPos=5000,4000,400,300,1\n");
  QTest::keyClick(m_window->View(), Qt::Key_Meta, Qt::AltModifier);
  ui::testing::DrainEvents();
  const settings::WindowPlacement player = settings::ReadPlacement(*m_store, "Player", 10, 10);
  EXPECT_EQ(player.x, settings::kSystemChoosesPosition);
  EXPECT_EQ(player.width, 400);
  EXPECT_TRUE(m_store->PlacementLocked());
}

// --- Closing and restarting -------------------------------------------------------------------

TEST_F(Window, ClosingIsRefusedDuringASearchAndSaysWhy) {
  Open();
  ASSERT_TRUE(m_window->RunCommand(131));
  ASSERT_TRUE(m_core->Busy());
  EXPECT_FALSE(m_window->close());
  EXPECT_TRUE(m_window->isVisible());
  EXPECT_EQ(m_window->InfoPaneText(), ui::Text(12002));
  ASSERT_TRUE(WaitUntil([this] { return m_searches.finished == 1 && !m_core->Busy(); }));
  ui::testing::DrainEvents();
  EXPECT_TRUE(m_window->close());
  EXPECT_FALSE(m_window->isVisible());
}

TEST_F(Window, ForcingDarkModeRestartsTheWindow) {
  testing::WriteFile(SettingsPath(), testing::SettingsText(m_library, "DM=0\n"));
  SettingsStore store(ui::ToU16(SettingsPath()), SettingsStore::kExplicitFile);
  appcore::RestartRequest restart;
  WindowOptions options;
  options.scripted = true;
  int runs = 0;
  const int code = appcore::RunWithRestarts(restart, store, [&]() -> int {
    ++runs;
    ui::QtDispatcher dispatcher;
    appcore::AppCore core(store, dispatcher);
    MainWindow window(core, restart, options);
    window.show();
    if (runs == 1) {
      EXPECT_TRUE(window.RunCommand(ToInt(lang::CommandId::kDarkModeForce)));
      EXPECT_TRUE(restart.Pending());
      EXPECT_FALSE(window.isVisible()) << "the window closes for the restart";
      SettingsStore onDisk(ui::ToU16(SettingsPath()), SettingsStore::kExplicitFile);
      EXPECT_EQ(onDisk.ReadInt(kMain, "DM", 0), 2u);
      EXPECT_NE(onDisk.ReadOption(kMain, 0) & 0x100, 0u) << "the dark bit of Opt";
    } else {
      // The window built again reads the new choice.
      EXPECT_TRUE(window.ActionOf(ToInt(lang::CommandId::kDarkModeForce))->isChecked());
      EXPECT_NE(core.Options() & 0x100, 0u);
      EXPECT_TRUE(window.close());
    }
    return 3;
  });
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(code, 3);
  EXPECT_FALSE(restart.Pending());
}

// --- Update check -----------------------------------------------------------------------------

// Serves `body` as text/plain to every request.
class ProductListServer : public QTcpServer {
 public:
  explicit ProductListServer(QByteArray body) : m_body(std::move(body)) {
    connect(this, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          m_request += socket->readAll();
          if (!m_request.contains("\r\n\r\n")) return;
          socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: " +
                        QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
          socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }
  QByteArray Request() const { return m_request; }

 private:
  QByteArray m_body;
  QByteArray m_request;
};

struct UpdateCase {
  const char* name;
  const char* list;
  const char* message;
};
void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.name; }

class WindowUpdate : public Window, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(WindowUpdate, ComparesTheServersVersionWithOurs) {
  ProductListServer server(GetParam().list);
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  const std::string address = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/products.txt";
  Open("UpdateUrl=" + address + "\n");
  QSignalSpy shown(m_window.get(), &MainWindow::messageShown);
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kCheckUpdates)));
  ASSERT_TRUE(WaitUntil([&] { return shown.count() > 0; }));
  EXPECT_TRUE(server.Request().startsWith("GET /products.txt ")) << server.Request().toStdString();
  EXPECT_EQ(shown.at(0).at(0).toString(), QString::fromUtf8(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WindowUpdate,
    ::testing::Values(UpdateCase{"newer", "XX1.0 Other\r\nTS99.0 Twinsong\r\n", "An update is available: 99.0"},
                      UpdateCase{"same", "TS26.01 Twinsong\r\n", "Twinsong is up to date."}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

// --- Test similarity and Go to ----------------------------------------------------------------

ui::SimilarityDialog* OpenSimilarityDialog(MainWindow& window) {
  EXPECT_TRUE(window.RunCommand(ToInt(lang::CommandId::kTestSimilarity)));
  auto* dialog = window.findChild<ui::SimilarityDialog*>();
  EXPECT_TRUE(dialog != nullptr && dialog->isVisible());
  return dialog;
}

struct SimilarityCase {
  const char* first;
  const char* second;
  const char* result;  // empty: no result shown
};

TEST_F(Window, SimilarityDialogMeasuresAsTheUserTypes) {
  Open();
  ui::SimilarityDialog* dialog = OpenSimilarityDialog(*m_window);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->focusWidget(), dialog->FirstText());
  constexpr SimilarityCase kCases[] = {
      {"ABC", "abc", "100"}, {"ABC", "XYZ", "0"}, {"abcd", "ABXD", "75"}, {"", "ABC", ""}, {"ABC", "", ""}};
  for (const SimilarityCase& c : kCases) {
    dialog->FirstText()->clear();
    dialog->SecondText()->clear();
    QTest::keyClicks(dialog->FirstText(), QString::fromUtf8(c.first));
    QTest::keyClicks(dialog->SecondText(), QString::fromUtf8(c.second));
    EXPECT_EQ(dialog->ResultField()->text(), QString::fromUtf8(c.result)) << c.first << " / " << c.second;
  }
  EXPECT_EQ(dialog->FirstText()->maxLength(), 255);

  QTest::keyClick(dialog, Qt::Key_F1);
  ASSERT_FALSE(m_opened.empty());
  EXPECT_EQ(m_opened.back().fragment(), QStringLiteral("similarity"));

  QPointer<ui::SimilarityDialog> alive(dialog);
  QTest::keyClick(dialog, Qt::Key_Escape);
  EXPECT_TRUE(WaitUntil([&] { return alive.isNull(); })) << "Esc ends the dialog";
}

TEST_F(Window, SimilarityDialogTextsComeFromTheCatalogue) {
  Open({}, {}, "DE");
  ui::SimilarityDialog* dialog = OpenSimilarityDialog(*m_window);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("\u00c4hnlichkeit"));
  EXPECT_EQ(dialog->TestButton()->text(), QStringLiteral("Testen"));
  EXPECT_EQ(dialog->CloseButton()->text(), QStringLiteral("Schlie\u00dfen"));
  QStringList labels;
  for (const QLabel* label : dialog->findChildren<QLabel*>()) labels << label->text();
  EXPECT_TRUE(labels.contains(QStringLiteral("Ergebnis"))) << labels.join(u',').toStdString();
  dialog->CloseButton()->click();
}

TEST_F(Window, GoToWithoutAFileManagerOpensTheFocusedRowsFolder) {
  // A session bus address where nothing listens: no file manager can answer.
  const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_scratch.Path(QStringLiteral("no-bus")).toUtf8());
  Open();
  Search();
  ui::ResultView* view = m_window->View();
  ASSERT_GT(view->Model()->rowCount(), 1);
  view->setCurrentIndex(view->Model()->index(1, 0));
  m_opened.clear();
  EXPECT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kGoTo)));
  ASSERT_EQ(m_opened.size(), 1u);
  EXPECT_EQ(m_opened.back().toString(QUrl::FullyEncoded), QUrl::fromLocalFile(m_library).toString(QUrl::FullyEncoded));
  if (saved.isNull()) qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  else qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
}

}  // namespace
}  // namespace tarnq::app
