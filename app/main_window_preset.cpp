// SPDX-License-Identifier: GPL-3.0-or-later
// The preset dialog and the commands around it: New, Open and Edit Preset, the "..." of the preset
// bar, and the preset box's list of recent preset files.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QTimer>

#include "app/main_window.h"
#include "lang/command_id.h"
#include "platform/errors.h"
#include "settings/placement.h"
#include "settings/settings_store.h"
#include "ui/preset_dialog.h"
#include "ui/qt_text.h"
#include "ui/similarity_dialog.h"

namespace tarnq::app {
namespace {

using lang::CommandId;
using ui::Text;
using ui::ToQString;
using ui::ToU16;

constexpr size_t kPresetHistoryLength = 30;
// The preset dialog's size and place.
constexpr std::string_view kPlacementSection = "DlgPreset";

QString FailureText(const QString& path, uint32_t code) {
  return path + QStringLiteral(": ") + QString::fromStdString(platform::ErrorMessage(code));
}

}  // namespace

bool MainWindow::RunPresetCommand(int id) {
  const auto command = static_cast<CommandId>(id);
  if (command != CommandId::kPresetNew && command != CommandId::kPresetOpen && command != CommandId::kPresetEdit &&
      command != CommandId::kPresetButton) {
    return false;
  }
  // The search reads the preset: nothing changes it while one runs.
  if (m_core.Busy()) return true;
  if (m_presetDialog) {
    m_presetDialog->raise();
    m_presetDialog->activateWindow();
    return true;
  }
  switch (command) {
    case CommandId::kPresetNew:
      OpenPresetDialog(engine::SearchPreset{});
      break;
    case CommandId::kPresetOpen: {
      const QString current = m_presetBox->currentText().trimmed();
      const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
      const QString filters = QStringLiteral("%1 (*.tnq);;%2 (*)").arg(Text(12300), Text(12018));
      QString caption = ui::MenuText(103);
      caption.remove(QLatin1Char('&'));
      const QString path = askOpenFile(caption, folder, filters);
      if (path.isEmpty()) break;
      engine::SearchPreset preset;
      // A file that cannot be read is named with the reason; nothing opens.
      if (const uint32_t code = preset.LoadCurrent(ToU16(path), m_core.Settings()); code != 0) {
        ShowMessage(FailureText(path, code), true);
        break;
      }
      OpenPresetDialog(preset);
      break;
    }
    default: {
      // Edit: the preset as the box names it now. A file that is not there yet is created by OK;
      // one that exists but cannot be read is reported, and the dialog stays closed.
      const QString boxText = m_presetBox->currentText().trimmed();
      engine::SearchPreset& current = m_core.Preset();
      const uint32_t code = current.LoadCurrent(ToU16(boxText), m_core.Settings());
      if (code != 0 && code != platform::err::kFileNotFound) {
        ShowMessage(FailureText(boxText, code), true);
        break;
      }
      OpenPresetDialog(current);
      break;
    }
  }
  return true;
}

void MainWindow::OpenPresetDialog(const engine::SearchPreset& preset, bool searchAfter) {
  ui::PresetDialogHooks hooks;
  hooks.askFolder = [this](const QString& caption, const QString& start) {
    if (askFolder) return askFolder(caption, start);
    return QFileDialog::getExistingDirectory(m_presetDialog, caption, start);
  };
  hooks.askSaveFile = [this](const QString& caption, const QString& folder, const QString& filters) {
    return askSaveFile(caption, folder, filters, nullptr);
  };
  hooks.showMessage = [this](const QString& text) { ShowMessage(text, true); };
  hooks.showHelp = [this] { ShowHelp(QStringLiteral("preset")); };
  // Over the preset dialog, not the window: the preset dialog blocks the window and its children.
  hooks.showSimilarity = [this] {
    if (!m_presetDialog || m_presetDialog->findChild<ui::SimilarityDialog*>() != nullptr) return;
    auto* similarity = new ui::SimilarityDialog([this] { ShowHelp(QStringLiteral("similarity")); }, m_presetDialog);
    similarity->setAttribute(Qt::WA_DeleteOnClose);
    similarity->open();
  };
  auto* dialog = new ui::PresetDialog(preset, m_core.Settings(), m_core.Dispatcher(), std::move(hooks), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  m_presetDialog = dialog;
  // Where the user left it last time, when that is still on a screen.
  const settings::WindowPlacement placement = settings::ReadPlacement(m_core.Settings(), kPlacementSection, 0, 0);
  if (placement.width > 0 && placement.height > 0) dialog->resize(placement.width, placement.height);
  if (placement.x != settings::kSystemChoosesPosition) {
    const QRect wanted(placement.x, placement.y, std::max(placement.width, 50), std::max(placement.height, 50));
    for (const QScreen* screen : QGuiApplication::screens()) {
      if (screen->availableGeometry().intersects(wanted)) {
        dialog->move(placement.x, placement.y);
        break;
      }
    }
  }
  connect(dialog, &QDialog::finished, this, [this, dialog] {
    settings::WindowPlacement place;
    place.x = dialog->frameGeometry().x();
    place.y = dialog->frameGeometry().y();
    place.width = dialog->width();
    place.height = dialog->height();
    place.showState = 1;
    settings::WritePlacement(m_core.Settings(), kPlacementSection, place);
  });
  connect(dialog, &QDialog::accepted, this, [this, dialog, searchAfter] {
    if (m_core.Busy()) return;  // stored in its file; the running search keeps its criteria
    engine::SearchPreset& current = m_core.Preset();
    current = dialog->Preset();
    const QString file = ToQString(current.presetFile);
    m_presetBox->setEditText(file);
    if (!file.isEmpty()) RememberPresetFile(file);
    m_core.Settings().WritePath(settings::SettingsStore::kMainSection, "Preset", current.presetFile);
    if (searchAfter && !current.folders.empty()) {
      // After the dialog has closed: Find re-reads what OK stored.
      QTimer::singleShot(0, this, [this] { Find(); });
    }
  });
  // Window-modal without a nested event loop: the scripted mode and the tests go on running.
  dialog->open();
}

void MainWindow::RememberPresetFile(const QString& path) {
  const int at = m_presetBox->findText(path);
  if (at != 0) {
    if (at > 0) m_presetBox->removeItem(at);
    m_presetBox->insertItem(0, path);
  }
  while (m_presetBox->count() > static_cast<int>(kPresetHistoryLength)) m_presetBox->removeItem(m_presetBox->count() - 1);
  m_presetBox->setCurrentIndex(0);
  std::vector<std::u16string> history;
  for (int i = 0; i < m_presetBox->count(); ++i) history.push_back(ToU16(m_presetBox->itemText(i)));
  m_core.Settings().WriteList("Preset", history, kPresetHistoryLength);
}

}  // namespace tarnq::app
