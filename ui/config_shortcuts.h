// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration's "Keyboard Shortcuts" page: every command with its keys; a key pressed in the
// key field is named there, and the info line says who has it already or that it is reserved.
// "Assign" gives the chosen row the key (taking it from the command that had it), "Remove" takes
// the row's key away, "Restore defaults" brings back the default table. Stored in section `Keys`
// as the differences from the defaults.
#pragma once

#include <QLineEdit>

#include <vector>

#include "appcore/shortcuts.h"
#include "ui/config_dialog.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tarnq::ui {

// A field that shows the key combination pressed in it. Tab and Shift+Tab keep moving the focus.
class KeyField final : public QLineEdit {
  Q_OBJECT
 public:
  explicit KeyField(QWidget* parent = nullptr);
  uint16_t Code() const { return m_code; }
  void SetCode(uint16_t code);

 signals:
  void keyChosen(uint16_t code);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  uint16_t m_code = 0;
};

class ShortcutsPage final : public ConfigPage {
  Q_OBJECT
 public:
  ShortcutsPage(const appcore::ShortcutTable& table, const ConfigHooks& hooks, QWidget* parent);
  void Store(settings::SettingsStore& store, uint32_t& options) override;

  const std::vector<appcore::ShortcutRow>& Rows() const { return m_rows; }
  // Chooses the first row of `command`.
  void SelectCommand(lang::CommandId command);
  // Gives the chosen row the key in the key field; false when refused (reserved, none).
  bool AssignKey();
  void RemoveKey();
  void RestoreDefaults();

  QTreeWidget* List() const { return m_list; }
  KeyField* Field() const { return m_field; }
  QLabel* InfoLine() const { return m_info; }

 private:
  void Fill();
  void ShowInfo(uint16_t code);
  // A command keeps one row without a key only when it has no key at all.
  void DropEmptyDuplicates();
  int CurrentRow() const;

  const ConfigHooks& m_hooks;
  std::vector<appcore::ShortcutRow> m_rows;
  std::vector<appcore::ShortcutRow> m_stored;  // what section `Keys` gives
  QTreeWidget* m_list = nullptr;
  KeyField* m_field = nullptr;
  QLabel* m_info = nullptr;
};

}  // namespace tarnq::ui
