// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration's "File Types" page: the information providers of section `pgnMediaInfo` in
// their order (name, plug-in, condition, parameters; the check box enables the entry), with Add,
// Edit, Remove and the moves, and the entry dialog that probes a chosen plug-in library.
#pragma once

#include <QDialog>

#include <vector>

#include "analysis/provider_list.h"
#include "ui/config_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tarnq::ui {

// "Add Entry" / "Edit Entry": name, plug-in library (browse), parameters (the plug-in's own
// settings when it has them), condition. Choosing a library probes it: a file that is not a
// plug-in is refused with a message, and the fields keep what was typed.
class PluginEntryDialog final : public QDialog {
  Q_OBJECT
 public:
  PluginEntryDialog(analysis::ProviderEntry entry, bool adding, const ConfigHooks& hooks, QWidget* parent);
  // Probes the library in the plug-in field; false (with the message) when it is not a plug-in.
  bool Probe();
  // Checks the fields; the entry when it can be stored.
  std::optional<analysis::ProviderEntry> Entry();
  QLineEdit* NameField() const { return m_name; }
  QLineEdit* PluginField() const { return m_plugin; }
  QLineEdit* ParametersField() const { return m_parameters; }
  QLineEdit* ConditionField() const { return m_condition; }
  QPushButton* OkButton() const { return m_ok; }

 signals:
  void entryAccepted(const tarnq::analysis::ProviderEntry& entry);

 private:
  void Browse();
  void ShowSettings();

  const ConfigHooks& m_hooks;
  analysis::ProviderEntry m_entry;
  QLineEdit* m_name = nullptr;
  QLineEdit* m_plugin = nullptr;
  QLineEdit* m_parameters = nullptr;
  QLineEdit* m_condition = nullptr;
  QPushButton* m_settings = nullptr;
  QPushButton* m_ok = nullptr;
  QString m_probedPath;
};

class FileTypesPage final : public ConfigPage {
  Q_OBJECT
 public:
  FileTypesPage(settings::SettingsStore& store, const ConfigHooks& hooks, QWidget* parent);
  void Store(settings::SettingsStore& store, uint32_t& options) override;

  std::vector<analysis::ProviderEntry> Entries() const;
  QTreeWidget* List() const { return m_list; }
  // Opens the entry dialog (non-modal) for a new entry or the chosen one.
  PluginEntryDialog* OpenEntryDialog(bool adding);

 private:
  void Fill(const std::vector<analysis::ProviderEntry>& entries);
  void Move(int by);

  const ConfigHooks& m_hooks;
  std::vector<analysis::ProviderEntry> m_entries;
  std::vector<analysis::ProviderEntry> m_stored;  // as the section holds them
  QTreeWidget* m_list = nullptr;
};

// Section `pgnMediaInfo` replaced by the entries under keys "1" ... n.
void WriteProviderEntries(settings::SettingsStore& store, const std::vector<analysis::ProviderEntry>& entries);

}  // namespace tarnq::ui
