// SPDX-License-Identifier: GPL-3.0-or-later
// Customize Toolbar: which commands the main window's toolbar shows, in which order, with
// separators. Stored as key `Toolbar` of section `TARNQ`: the command ids in order, separated by
// ",", 0 for a separator ("125,131,132,0,121").
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QListWidget;
class QPushButton;

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::ui {

inline constexpr int kToolbarSeparator = 0;

// The buttons of a new installation.
std::vector<int> DefaultToolbarButtons();
// The stored buttons; ids that are no command of the menus are left out; the defaults when
// nothing usable is stored.
std::vector<int> ReadToolbarButtons(settings::SettingsStore& store);
void WriteToolbarButtons(settings::SettingsStore& store, const std::vector<int>& buttons);
// A command the toolbar can show: one of the menus' commands.
bool IsToolbarCommand(int id);

class ToolbarDialog final : public QDialog {
  Q_OBJECT
 public:
  // `iconOf` gives a command's picture as the toolbar shows it.
  ToolbarDialog(std::vector<int> buttons, std::function<QIcon(int)> iconOf, QWidget* parent = nullptr);
  std::vector<int> Buttons() const { return m_buttons; }

  QListWidget* Available() const { return m_available; }
  QListWidget* Chosen() const { return m_chosen; }
  QPushButton* OkButton() const { return m_ok; }
  void Add();
  void Remove();
  void Move(int by);
  void Reset();

 signals:
  void buttonsChosen(const std::vector<int>& buttons);

 private:
  void Fill();

  std::vector<int> m_buttons;
  std::function<QIcon(int)> m_iconOf;
  QListWidget* m_available = nullptr;
  QListWidget* m_chosen = nullptr;
  QPushButton* m_ok = nullptr;
};

}  // namespace tarnq::ui
