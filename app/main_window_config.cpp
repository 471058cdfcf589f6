// SPDX-License-Identifier: GPL-3.0-or-later
// Configuration, the toolbar and network connections.
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QToolBar>

#include <cstdio>

#include "platform/network_mounts.h"
#include "settings/colors.h"
#include "settings/settings_store.h"
#include "ui/config_dialog.h"
#include "ui/config_network.h"
#include "ui/config_toolbar.h"
#include "ui/qt_text.h"
#include "ui/result_model.h"
#include "ui/result_view.h"

namespace tarnq::app {

namespace {

constexpr std::string_view kMain = settings::SettingsStore::kMainSection;
constexpr uint32_t kOptOnTop = 0x20;
constexpr int kConnect = 136;
constexpr int kDisconnect = 137;
constexpr int kCustomizeToolbar = 181;
constexpr int kConfiguration = 183;

// A dialog of the window: window-modal without a nested event loop (the scripted mode and the
// tests go on running), gone when closed.
void OpenAsChild(QDialog* dialog) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

bool Raise(const QPointer<QDialog>& dialog) {
  if (!dialog) return false;
  dialog->raise();
  dialog->activateWindow();
  return true;
}

}  // namespace

bool MainWindow::RunConfigCommand(int id) {
  switch (id) {
    case kConfiguration: OpenConfiguration(); return true;
    case kCustomizeToolbar: OpenToolbarDialog(); return true;
    case kConnect:
      if (m_networkSupported) OpenConnectDialog();
      return true;
    case kDisconnect:
      if (m_networkSupported) OpenDisconnectDialog();
      return true;
    default: return false;
  }
}

void MainWindow::SetUpConfigCommands() {
  askQuestion = [this](const QString& question) {
    if (m_options.scripted) return false;  // no modal window in the scripted mode
    return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
  };
  askColor = [this](const QColor& start, const QString& title) -> std::optional<QColor> {
    if (m_options.scripted) return std::nullopt;
    const QColor chosen = QColorDialog::getColor(start, this, title);
    return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
  };
  m_networkJobs = new ui::BackgroundJobs(this);
  // Without the desktop's network mounts (no gvfs) the two commands are not offered at all.
  m_networkSupported = platform::NetworkMountsSupported();
  for (const int id : {kConnect, kDisconnect}) {
    if (QAction* a = ActionOf(id)) a->setVisible(m_networkSupported);
  }
}

bool MainWindow::AskQuestion(const QString& question) {
  emit messageShown(question);
  return askQuestion && askQuestion(question);
}

// --- Configuration --------------------------------------------------------------------------------

void MainWindow::OpenConfiguration() {
  if (Raise(m_configDialog)) return;
  ui::ConfigHooks hooks;
  hooks.showMessage = [this](const QString& text) { ShowMessage(text, true); };
  hooks.ask = [this](const QString& question) { return AskQuestion(question); };
  hooks.askOpenFile = [this](const QString& caption, const QString& file, const QString& filters) {
    return askOpenFile ? askOpenFile(caption, file, filters) : QString();
  };
  hooks.askSaveFile = [this](const QString& caption, const QString& file) {
    return askSaveFile ? askSaveFile(caption, file, QString(), nullptr) : QString();
  };
  hooks.askColor = [this](const QColor& start, const QString& title) {
    return askColor ? askColor(start, title) : std::nullopt;
  };
  hooks.deleteCache = [this] { return m_core.DeleteCacheNow(); };
  hooks.cachePath = [this] { return ui::ToQString(m_core.Cache().Path()); };
  auto* dialog = new ui::ConfigDialog(m_core.Settings(), m_core.Options(), m_view->CurrentLayout(), m_shortcuts,
                                      std::move(hooks), m_options.configPage, this);
  dialog->setObjectName(QStringLiteral("Configuration"));
  QPointer<ui::ConfigDialog> guard(dialog);
  m_configDialog = dialog;
  // Every OK and Apply reaches the window at once.
  dialog->SetApplied([this, guard] {
    if (guard) ApplyConfiguration(guard);
  });
  OpenAsChild(dialog);
}

void MainWindow::ApplyConfiguration(ui::ConfigDialog* dialog) {
  settings::SettingsStore& store = m_core.Settings();
  const uint32_t before = m_core.Options();
  const uint32_t options = dialog->Options();
  m_core.SetOptions(options);
  m_core.SetCache({});
  m_model->SetOptions(options);
  m_model->SetLayout(dialog->Layout());
  m_view->ApplyLayoutWidths();
  m_model->SetColorScheme(settings::ReadColorScheme(store, "Color"));
  m_view->viewport()->update();
  m_shortcuts.Load(store);
  RetranslateActions();
  ApplyViewOptions();
  if (((before ^ options) & kOptOnTop) != 0) {
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, (options & kOptOnTop) != 0);
    if (visible) show();
  }
}

// --- The toolbar ----------------------------------------------------------------------------------

void MainWindow::FillToolBar() {
  m_toolBar->clear();
  for (const int id : ui::ReadToolbarButtons(m_core.Settings())) {
    if (id == ui::kToolbarSeparator) m_toolBar->addSeparator();
    else if (QAction* a = ActionOf(id)) m_toolBar->addAction(a);
  }
}

void MainWindow::OpenToolbarDialog() {
  if (Raise(m_toolbarDialog)) return;
  auto* dialog = new ui::ToolbarDialog(ui::ReadToolbarButtons(m_core.Settings()),
                                       [this](int id) { return ActionOf(id) ? ActionOf(id)->icon() : QIcon(); }, this);
  dialog->setObjectName(QStringLiteral("ToolbarOptions"));
  connect(dialog, &ui::ToolbarDialog::buttonsChosen, this, [this](const std::vector<int>& buttons) {
    settings::SettingsStore& store = m_core.Settings();
    ui::WriteToolbarButtons(store, buttons);
    store.Flush();
    FillToolBar();
    ApplyCommandStates(true);
  });
  m_toolbarDialog = dialog;
  OpenAsChild(dialog);
}

// --- Network connections --------------------------------------------------------------------------

void MainWindow::OpenConnectDialog() {
  if (Raise(m_connectDialog)) return;
  auto* dialog = new ui::ConnectDialog([this](const QString& text) { ShowMessage(text, true); }, this);
  QPointer<ui::ConnectDialog> guard(dialog);
  platform::UiDispatcher& dispatcher = m_core.Dispatcher();
  connect(dialog, &ui::ConnectDialog::connectRequested, this, [this, guard, &dispatcher](const QString& uri) {
    m_networkJobs->Start([guard, uri, &dispatcher](const platform::NetworkCancel& cancel) {
      const platform::NetworkResult result = platform::MountLocation(uri.toStdString(), &cancel);
      dispatcher.Post([guard, uri, result] {
        if (guard) guard->ShowResult(uri, result);
      });
    });
  });
  m_connectDialog = dialog;
  OpenAsChild(dialog);
}

void MainWindow::OpenDisconnectDialog() {
  if (Raise(m_disconnectDialog)) return;
  auto* dialog = new ui::DisconnectDialog([this](const QString& text) { ShowMessage(text, true); }, this);
  QPointer<ui::DisconnectDialog> guard(dialog);
  platform::UiDispatcher& dispatcher = m_core.Dispatcher();
  connect(dialog, &ui::DisconnectDialog::unmountRequested, this,
          [this, guard, &dispatcher](const QString& uri, const QString& name) {
            m_networkJobs->Start([guard, uri, name, &dispatcher](const platform::NetworkCancel& cancel) {
              const platform::NetworkResult result = platform::UnmountLocation(uri.toStdString(), &cancel);
              dispatcher.Post([guard, name, result] {
                if (guard) guard->ShowResult(name, result);
              });
            });
          });
  connect(dialog, &ui::DisconnectDialog::refreshRequested, this, [this, guard] { ListNetworkMounts(guard); });
  m_disconnectDialog = dialog;
  OpenAsChild(dialog);
  ListNetworkMounts(guard);
}

void MainWindow::ListNetworkMounts(QPointer<ui::DisconnectDialog> dialog) {
  platform::UiDispatcher& dispatcher = m_core.Dispatcher();
  m_networkJobs->Start([dialog, &dispatcher](const platform::NetworkCancel&) {
    std::vector<platform::NetworkMount> mounts = platform::ListNetworkMounts();
    dispatcher.Post([dialog, mounts = std::move(mounts)] {
      if (dialog) dialog->SetMounts(mounts);
    });
  });
}

}  // namespace tarnq::app
