// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop around the list: properties, the context menu, dragging files out, the preferred folders.
#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>

#include "analysis/name_rules.h"
#include "analysis/providers.h"
#include "app/main_window.h"
#include "lang/command_id.h"
#include "lang/language_record.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "results/selection.h"
#include "settings/placement.h"
#include "settings/settings_store.h"
#include "ui/file_manager.h"
#include "ui/preferred_folders_dialog.h"
#include "ui/properties_dialog.h"
#include "ui/qt_text.h"
#include "ui/result_view.h"
#include "ui/shell_drag.h"

namespace tarnq::app {

using lang::CommandId;
using ui::Text;
using ui::ToQString;

namespace {

constexpr std::string_view kMain = settings::SettingsStore::kMainSection;
constexpr std::string_view kFavoritesPlacement = "DlgSelFav";
// The rule of Select Dupes (ui::DupesRule); absent, the preferred folders as they always were.
constexpr std::string_view kDupesRuleKey = "SelRule";

// Files the program knows as audio: only these are handed to another program.
bool IsKnownAudio(std::u16string_view path) {
  for (const analysis::BuiltinProvider& provider : analysis::kBuiltinProviders) {
    if (analysis::MatchesMaskList(path, provider.mask)) return true;
  }
  return analysis::MatchesMaskList(path, u"*.WAV");
}

ui::DupesRule StoredDupesRule(settings::SettingsStore& store) {
  const uint32_t value = store.ReadInt(kMain, kDupesRuleKey, 0);
  return value <= static_cast<uint32_t>(ui::DupesRule::kBestCopy) ? static_cast<ui::DupesRule>(value)
                                                                   : ui::DupesRule::kFolders;
}

}  // namespace

QMenu* MainWindow::RowMenu() const { return m_rowMenu; }

bool MainWindow::RunShellCommand(int id) {
  switch (static_cast<CommandId>(id)) {
    case CommandId::kProperties: ShowProperties(); return true;
    case CommandId::kFavoriteFolders: EditPreferredFolders(); return true;
    case CommandId::kSelectDupes: SelectDupesByStoredRule(); return true;
    default: return false;
  }
}

void MainWindow::SetUpShell() {
  m_openAction = new QAction(ui::MenuText(12200), this);
  m_openAction->setStatusTip(ui::HelpText(12200));
  connect(m_openAction, &QAction::triggered, this, &MainWindow::OpenWithDefaultProgram);
  m_view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_view, &QWidget::customContextMenuRequested, this, &MainWindow::ShowRowMenu);
  m_view->onDragOut = [this] { DragRowsOut(); };
}

std::vector<size_t> MainWindow::CommandRows(bool focusedUnlessSeveral) const {
  const results::ResultList& list = m_core.List();
  std::vector<size_t> rows;
  const size_t count = list.RowCount();
  const bool useSelection = !focusedUnlessSeveral || list.SelectedCount() >= 2;
  if (useSelection) {
    for (size_t i = 0; i < count; ++i) {
      if (list.SelectedRowAt(i)) rows.push_back(i);
    }
  }
  if (rows.empty()) {
    const int64_t focused = list.FocusedRow();
    if (focused >= 0 && static_cast<size_t>(focused) < count) rows.push_back(static_cast<size_t>(focused));
  }
  return rows;
}

// --- Properties -------------------------------------------------------------------------------

void MainWindow::ShowProperties() {
  const std::vector<size_t> rows = CommandRows(false);
  if (rows.empty()) {
    QApplication::beep();
    return;
  }
  // What the rows say now: the answer comes later, when the list may have changed.
  std::vector<ui::PropertiesFile> files;
  QStringList uris;
  files.reserve(rows.size());
  for (const size_t row : rows) {
    files.push_back(ui::PropertiesFileOfRow(m_core.List(), row));
    const QString uri = ui::FileUri(files.back().path);
    if (!uri.isEmpty()) uris << uri;
  }
  if (uris.isEmpty()) {
    ShowPropertiesDialog(std::move(files));
    return;
  }
  auto kept = std::make_shared<std::vector<ui::PropertiesFile>>(std::move(files));
  ui::ShowItemPropertiesInFileManager(uris, this, [this, kept](bool shown) {
    if (!shown) ShowPropertiesDialog(std::move(*kept));
  });
}

void MainWindow::ShowPropertiesDialog(std::vector<ui::PropertiesFile> files) {
  auto* dialog = new ui::PropertiesDialog(std::move(files), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}

// --- The context menu -------------------------------------------------------------------------

void MainWindow::ShowRowMenu(const QPoint& pos) {
  if (m_core.List().RowCount() == 0 || CommandRows(true).empty()) return;
  ApplyCommandStates(false);
  // In the language chosen now (the window's own actions follow a change of language themselves).
  m_openAction->setText(ui::MenuText(12200));
  m_openAction->setStatusTip(ui::HelpText(12200));
  const int64_t focused = m_core.List().FocusedRow();
  m_openAction->setEnabled(focused >= 0 && IsKnownAudio(m_core.List().FullPathAt(static_cast<size_t>(focused))));
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->setObjectName(QStringLiteral("RowMenu"));
  const auto add = [&](int id) {
    if (QAction* action = ActionOf(id)) menu->addAction(action);
  };
  add(ToInt(CommandId::kPlay));
  menu->addAction(m_openAction);
  add(ToInt(CommandId::kGoTo));
  menu->addSeparator();
  add(ToInt(CommandId::kCopyPaths));
  add(ToInt(CommandId::kFileRename));
  add(ToInt(CommandId::kFileDelete));
  add(ToInt(CommandId::kRemoveFromList));
  if (m_core.List().RowCount() >= 2) {
    // The selection pop-up of lists with at least two entries.
    menu->addSeparator();
    if (const lang::LanguageRecord* record = lang::InstalledLanguageRecord()) {
      for (const lang::MenuItem* item = record->selectionMenu; item != nullptr && item->id != 0; ++item) add(item->id);
    }
  }
  menu->addSeparator();
  add(ToInt(CommandId::kProperties));
  m_rowMenu = menu;
  menu->popup(m_view->viewport()->mapToGlobal(pos));
}

void MainWindow::OpenWithDefaultProgram() {
  const int64_t focused = m_core.List().FocusedRow();
  if (focused < 0 || static_cast<size_t>(focused) >= m_core.List().RowCount()) return;
  const std::u16string path = m_core.List().FullPathAt(static_cast<size_t>(focused));
  const ui::HandOver handed = HandToDesktop(path);
  if (handed.tried && !handed.error.isEmpty()) ShowMessage(ToQString(path) + QStringLiteral(": ") + handed.error, true);
}

ui::HandOver MainWindow::HandToDesktop(const std::u16string& path) {
  ui::HandOver handed;
  // Nothing but audio the program knows leaves for another program (an executable never does).
  if (!IsKnownAudio(path)) return handed;
  handed.tried = true;
  const QUrl url = ui::FileUrl(path);
  if (url.isValid() && !url.isEmpty() && OpenUrl(url)) return handed;
  const uint32_t error = platform::FileExists(path) ? platform::err::kNoAssociation : platform::err::kFileNotFound;
  handed.error = QString::fromStdString(platform::ErrorMessage(error));
  return handed;
}

// --- Dragging files out -----------------------------------------------------------------------

void MainWindow::DragRowsOut() {
  std::vector<std::u16string> paths;
  for (const size_t row : CommandRows(true)) paths.push_back(m_core.List().FullPathAt(row));
  if (paths.empty()) return;
  auto* drag = new QDrag(m_view);
  drag->setMimeData(ui::FilesMimeData(paths));
  // A copy only: a move would take files away behind the list's back.
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

// --- The preferred folders and the rule of Select Dupes --------------------------------------

void MainWindow::EditPreferredFolders() {
  if (m_favoritesDialog) {
    m_favoritesDialog->raise();
    m_favoritesDialog->activateWindow();
    return;
  }
  settings::SettingsStore& store = m_core.Settings();
  auto* dialog = new ui::PreferredFoldersDialog(results::ReadFavoriteFolders(store), StoredDupesRule(store), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->showError = [this](const QString& text) { ShowMessage(text, true); };
  const settings::WindowPlacement placement = settings::ReadPlacement(store, kFavoritesPlacement, 600, 400);
  dialog->resize(placement.width, placement.height);
  if (placement.x != settings::kSystemChoosesPosition) dialog->move(placement.x, placement.y);
  connect(dialog, &QDialog::finished, this, [this, dialog](int result) {
    settings::SettingsStore& settings = m_core.Settings();
    if (result == QDialog::Accepted) {
      settings.WriteInt(kMain, kDupesRuleKey, static_cast<uint32_t>(dialog->Rule()));
      const results::FavoriteFolders folders = dialog->Folders();
      if (const uint32_t error = results::WriteFavoriteFolders(settings, folders); error != 0) {
        ShowMessage(ToQString(settings.GetPath()) + QStringLiteral(": ") + QString::fromStdString(platform::ErrorMessage(error)), true);
      }
    }
    settings::WindowPlacement placement;
    // Where the frame stands (move() places the frame) and the size resize() gives back.
    placement.x = dialog->frameGeometry().x();
    placement.y = dialog->frameGeometry().y();
    placement.width = dialog->width();
    placement.height = dialog->height();
    placement.showState = 1;
    settings::WritePlacement(settings, kFavoritesPlacement, placement);
  });
  m_favoritesDialog = dialog;
  dialog->open();
}

void MainWindow::SelectDupesByStoredRule() {
  settings::SettingsStore& store = m_core.Settings();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  switch (StoredDupesRule(store)) {
    case ui::DupesRule::kFolders: m_core.SelectDupes(); break;
    case ui::DupesRule::kDisplayOrder: m_core.SelectDupes(std::span<const results::FavoriteFolder>()); break;
    case ui::DupesRule::kBestCopy:
      m_core.SelectDupes(results::KeepChoice{results::KeepRule::kBest, results::ReadFavoriteFolders(store), {}, {}});
      break;
  }
  QApplication::restoreOverrideCursor();
}

}  // namespace tarnq::app
