// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: menus built from the language library's menu trees, the toolbar, the preset
// bar, the result list and the status bar, and the dispatch of every command. The work behind the
// commands is the application core's; the window asks the core what is allowed, greys what is not,
// and shows what the core reports (it is one of the core's observers).
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "appcore/app_core.h"
#include "appcore/restart.h"
#include "appcore/shortcuts.h"
#include "lang/language_record.h"
#include "ui/player_window.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolBar;

namespace tarnq::player {
class CaptureOutput;
class Player;
class WaveOutput;
}  // namespace tarnq::player

namespace tarnq::ui {
class ErrorListDialog;
class FileProgressDialog;
class BackgroundJobs;
class ConfigDialog;
class DisconnectDialog;
class ResultModel;
class ResultView;
struct PropertiesFile;
}  // namespace tarnq::ui

namespace tarnq::app {

// How the window was started (see the program's --help).
struct WindowOptions {
  bool scripted = false;        // no modal window: messages go to standard error
  bool search = false;          // run Find once the window is up
  QString screenshotPath;       // picture of the window when the work is done
  int dialogCommand = 0;        // a command whose dialog opens when the work is done (the picture shows it)
  QString saveResultsPath;      // the result list, written when the work is done
  bool quit = false;            // close when the work is done
  QString startFile;            // a preset (.tnq) or a results file (.tarnq) to open
  int configPage = 0;           // the page the configuration shows first
  std::u16string playPath;      // a file for the player window (the sound is captured, not played)
};

class MainWindow final : public QMainWindow, public appcore::AppCoreObserver {
  Q_OBJECT
 public:
  MainWindow(appcore::AppCore& core, appcore::RestartRequest& restart, WindowOptions options,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs a command as the menu would; disabled commands are ignored (false).
  bool RunCommand(int id);
  // Whether the command's menu item is enabled now.
  bool IsCommandEnabled(int id) const;
  QAction* ActionOf(int id) const;
  // The exit status of the scripted mode (0 done, 1 failed) once the work is over.
  int ScriptExitCode() const { return m_scriptExit; }
  // The result list's view, the preset box, the status panes: for tests and the scripted mode.
  ui::ResultView* View() const { return m_view; }
  QComboBox* PresetBox() const { return m_presetBox; }
  QString SelectedPaneText() const;
  QString TotalPaneText() const;
  QString InfoPaneText() const;
  const appcore::ShortcutTable& Shortcuts() const { return m_shortcuts; }
  // The list's context menu while it is open (for tests).
  QMenu* RowMenu() const;
  // Options > Font's choice: the window's font, stored as `Font`.
  void SetWindowFont(const QFont& font);

  // How the window opens addresses and files in the desktop's programs; tests replace it.
  std::function<bool(const QUrl&)> openUrl;
  // File dialogs; tests replace them (an empty result is Cancel).
  std::function<QString(const QString& caption, const QString& folder, const QString& filters,
                        QString* chosenFilter)>
      askSaveFile;
  std::function<QString(const QString& caption, const QString& folder, const QString& filters)> askOpenFile;
  // The folder chooser of the preset dialog's "Add New"; tests replace it.
  std::function<QString(const QString& caption, const QString& start)> askFolder;
  // Yes/No questions and the colour chooser of the configuration; tests replace them.
  std::function<bool(const QString& question)> askQuestion;
  std::function<std::optional<QColor>(const QColor& start, const QString& title)> askColor;
  // The update check's address is read from the settings; tests point it at a local server.
  // The player's output, made when the first file is played: the sound device unless replaced
  // (tests and the scripted mode capture the sound instead).
  std::function<std::unique_ptr<player::WaveOutput>()> makeAudioOutput;
  // The player window while it is open (null otherwise).
  ui::PlayerWindow* PlayerWindow() const { return m_playerWindow; }

  // Starts the scripted work (called once the window is shown).
  void StartScript();

 signals:
  // The scripted work is over (exit status as ScriptExitCode).
  void scriptFinished(int code);
  // A message box was shown or a message written (for tests): its text.
  void messageShown(const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // appcore::AppCoreObserver
  void OnSearchProgress(const appcore::SearchProgressEvent& event) override;
  void OnSearchFinished(const engine::SearchOutcome& outcome) override;
  void OnBringToFront() override;
  void OnCommandStatesChanged() override;

  void BuildActions();
  void BuildMenus();
  QMenu* BuildMenu(const lang::MenuItem* items, QMenu* into);
  void BuildToolBar();
  void BuildPresetBar();
  void BuildStatusBar();
  void RetranslateActions();
  void ApplyCommandStates(bool force);
  void ApplyViewOptions();
  void UpdateCheckMarks();
  void RefreshStatus();
  void ShowCounts();
  void ScheduleSelectionCount();

  // Commands of the preset dialog (main_window_preset.cpp); false when `id` is not one of them.
  bool RunPresetCommand(int id);
  // Opens the preset dialog on `preset`; OK installs it as the current preset (and, with
  // `searchAfter`, starts the search when it names a folder).
  void OpenPresetDialog(const engine::SearchPreset& preset, bool searchAfter = false);
  // Puts a preset file at the top of the preset box's list (most recent first, bounded).
  void RememberPresetFile(const QString& path);
  QPointer<QDialog> m_presetDialog;

  // The file commands: copy, move, rename, delete (main_window_files.cpp).
  bool RunFileCommand(int id);
  void OpenTransferDialog(bool move);
  void OpenRenameDialog();
  void OpenDeleteDialog();
  // Starts `operation` on the core's worker with its progress window.
  void StartFileJob(results::FileOperation operation, results::FileJob job, const QString& target, const QString& title);
  void OnFileDone(appcore::FileCommand command, std::u16string_view path) override;
  void OnFileError(appcore::FileCommand command, const results::FileError& error) override;
  void OnFileProgress(appcore::FileCommand command, const appcore::FileProgress& progress) override;
  void OnFileExists(appcore::FileCommand command, const appcore::ExistsQuestion& question) override;
  void OnFileOperationFinished(appcore::FileCommand command, const results::OperationOutcome& outcome) override;
  QPointer<ui::FileProgressDialog> m_fileProgress;
  QPointer<ui::ErrorListDialog> m_errorList;

 public:
  // A yes/no question before a destructive step, opened without blocking; `answer` is called with
  // the choice. Empty: the window's own message box. Tests replace it.
  std::function<void(const QString& text, std::function<void(bool)> answer)> askConfirm;
  // The error list of the last file operation (null when nothing failed).
  ui::ErrorListDialog* FileErrorList() const;

 private:

  // Play, the player window and its steps through the list (main_window_player.cpp).
  bool RunPlayerCommand(int id);
  void PlayFocusedRow();
  void OpenInPlayer(size_t row, const ui::PlayerWindow::Request& request);
  ui::PlayerWindow* EnsurePlayerWindow();
  player::Player& AudioPlayer();
  void StepPlayer(ui::PlayerStep step);
  int64_t PlayerRow() const;
  void ClosePlayer();
  void StartPlayScript();
  void WatchPlayScript();
  std::unique_ptr<player::WaveOutput> m_audioOutput;  // declared before the player: it outlives it
  std::unique_ptr<player::Player> m_player;
  QPointer<ui::PlayerWindow> m_playerWindow;
  int64_t m_playerRow = -1;                          // the row the player window's file came from
  player::CaptureOutput* m_scriptCapture = nullptr;  // the scripted mode's output (the player owns it)
  QTimer* m_scriptClock = nullptr;
  int m_scriptTicks = 0;
  bool m_scriptPlayed = false;

  // Properties, the context menu, dragging out, the preferred folders (main_window_shell.cpp).
  bool RunShellCommand(int id);
  // The list's context menu and dragging out (once, from the constructor).
  void SetUpShell();
  // The rows a command works on: the selected ones, else the focused one; with
  // `focusedUnlessSeveral`, the focused one unless at least two are selected.
  std::vector<size_t> CommandRows(bool focusedUnlessSeveral) const;
  void ShowProperties();
  void ShowPropertiesDialog(std::vector<ui::PropertiesFile> files);
  void ShowRowMenu(const QPoint& pos);
  void OpenWithDefaultProgram();
  // Hands a file the program knows as audio to the desktop's program (nothing else is ever handed).
  ui::HandOver HandToDesktop(const std::u16string& path);
  void DragRowsOut();
  void EditPreferredFolders();
  void SelectDupesByStoredRule();
  QAction* m_openAction = nullptr;
  QPointer<QMenu> m_rowMenu;
  QPointer<QDialog> m_favoritesDialog;

  // Configuration, the toolbar, network connections (main_window_config.cpp).
  bool RunConfigCommand(int id);
  void SetUpConfigCommands();
  void OpenConfiguration();
  void ApplyConfiguration(ui::ConfigDialog* dialog);
  void OpenToolbarDialog();
  void FillToolBar();
  void OpenConnectDialog();
  void OpenDisconnectDialog();
  void ListNetworkMounts(QPointer<ui::DisconnectDialog> dialog);
  bool AskQuestion(const QString& question);
  QPointer<QDialog> m_configDialog;
  QPointer<QDialog> m_toolbarDialog;
  QPointer<QDialog> m_connectDialog;
  QPointer<QDialog> m_disconnectDialog;
  ui::BackgroundJobs* m_networkJobs = nullptr;
  bool m_networkSupported = false;

  // Commands.
  void Find();
  void SaveResults();
  void LoadResults();
  void LoadResultsFile(const QString& path);
  void ExportList();
  void CopyToClipboard(int id);
  void Sort(int id);
  void HeaderSort(uint16_t columnId, bool rightHalf);
  void SetDarkMode(int choice);
  void BackupSettings();
  void RestoreSettings();
  void ResetSettings();
  void ChooseLanguage();
  void ChooseFont();
  void ShowHelp(const QString& anchor = QStringLiteral("main-window"));
  void ShowSimilarityDialog();
  void GoToFocusedFile();
  void OpenFolderOf(const std::u16string& path);
  void ShowKeysPage();
  void GoOnline();
  void CheckForUpdates();
  void ShowAbout();
  void ShowSkipped();
  void SwitchWindow();
  void FocusPane(bool next);
  void ResetWindowPositions();
  void Restart();
  // Closes without storing anything (the settings are frozen): the program builds its window again.
  void CloseForRestart();

  // A message: a box in the window, standard error in the scripted mode.
  void ShowMessage(const QString& text, bool error);
  bool OpenUrl(const QUrl& url);
  void FinishScript(int code);
  void StoreOnClose();
  QString StartFolder(const QString& stored) const;

  appcore::AppCore& m_core;
  appcore::RestartRequest& m_restart;
  WindowOptions m_options;
  appcore::ShortcutTable m_shortcuts;

  ui::ResultModel* m_model = nullptr;
  ui::ResultView* m_view = nullptr;
  QToolBar* m_toolBar = nullptr;
  QLabel* m_presetLabel = nullptr;
  QComboBox* m_presetBox = nullptr;
  QPushButton* m_presetButton = nullptr;
  QLabel* m_selectedPane = nullptr;
  QLabel* m_totalPane = nullptr;
  QLabel* m_infoPane = nullptr;
  QLabel* m_skippedPane = nullptr;
  QLabel* m_searchIcon = nullptr;
  QProgressBar* m_progress = nullptr;
  QTimer* m_selectionTimer = nullptr;
  std::map<int, QAction*> m_actions;
  QMenu* m_switchMenu = nullptr;
  QPointer<QDialog> m_similarityDialog;
  int m_scriptExit = 0;
  bool m_scriptRunning = false;
  bool m_closing = false;
};

}  // namespace tarnq::app
