// SPDX-License-Identifier: GPL-3.0-or-later
// "Preferred folders for select duplicates": the folders whose copies Select Dupes selects first
// (listed first = selected first) or never ("Exclude from the selection", the check box), in
// list order, and the rule by which Select Dupes picks the copy each group keeps.
#pragma once

#include <QDialog>

#include <functional>

#include "results/selection.h"

class QButtonGroup;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace tarnq::ui {

// The rule of Select Dupes, as stored.
enum class DupesRule : int {
  kFolders = 0,       // the preferred folders; with none, the first in display order
  kDisplayOrder = 1,  // the first in display order, whatever the folders
  kBestCopy = 2,      // the best copy, the folders steering it
};

class PreferredFoldersDialog final : public QDialog {
  Q_OBJECT
 public:
  PreferredFoldersDialog(const results::FavoriteFolders& folders, DupesRule rule, QWidget* parent = nullptr);

  // The list as the dialog holds it now (checked rows excluded; rows edited to nothing left out),
  // and the chosen rule.
  results::FavoriteFolders Folders() const;
  DupesRule Rule() const;

  // Add New's folder chooser (empty = cancelled) and the message for a folder the settings cannot
  // store; tests replace them.
  std::function<QString()> askFolder;
  std::function<void(const QString&)> showError;

  QListWidget* List() const { return m_list; }
  QPushButton* AddButton() const { return m_add; }
  QPushButton* UpButton() const { return m_up; }
  QPushButton* DownButton() const { return m_down; }
  QPushButton* EditButton() const { return m_edit; }
  QPushButton* RemoveButton() const { return m_remove; }
  QPushButton* ExcludeButton() const { return m_exclude; }
  QPushButton* OkButton() const { return m_ok; }
  QRadioButton* RuleButton(DupesRule rule) const;

  // OK: refused (with a message naming the folder) while a folder holds a line break.
  void accept() override;

 private:
  void AddFolder();
  void Move(int by);
  void ToggleExcluded(QListWidgetItem* item);
  void UpdateButtons();
  QListWidgetItem* NewItem(const QString& text, bool excluded);

  QListWidget* m_list = nullptr;
  QPushButton* m_add = nullptr;
  QPushButton* m_up = nullptr;
  QPushButton* m_down = nullptr;
  QPushButton* m_edit = nullptr;
  QPushButton* m_remove = nullptr;
  QPushButton* m_exclude = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_cancel = nullptr;
  QButtonGroup* m_rules = nullptr;
};

}  // namespace tarnq::ui
