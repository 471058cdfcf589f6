// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config_file_types.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string>

#include "lang/format.h"
#include "settings/path_macros.h"
#include "settings/settings_store.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

QString FieldName(int id) {
  QString text = Text(id);
  text.remove(QLatin1Char('&'));
  while (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text;
}

bool HasLineBreak(const QString& text) {
  return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

}  // namespace

void WriteProviderEntries(settings::SettingsStore& store, const std::vector<analysis::ProviderEntry>& entries) {
  store.DeleteSection(analysis::kProviderSection);
  int key = 1;
  for (const analysis::ProviderEntry& entry : entries) {
    store.WriteString(analysis::kProviderSection, std::to_string(key++), analysis::FormatProviderEntry(entry));
  }
}

// --- The entry dialog -------------------------------------------------------------------------------

PluginEntryDialog::PluginEntryDialog(analysis::ProviderEntry entry, bool adding, const ConfigHooks& hooks, QWidget* parent)
    : QDialog(parent), m_hooks(hooks), m_entry(std::move(entry)) {
  setWindowTitle(Text(adding ? 6410 : 6420));
  m_name = new QLineEdit(ToQString(m_entry.name), this);
  m_plugin = new QLineEdit(ToQString(m_entry.path), this);
  m_parameters = new QLineEdit(ToQString(m_entry.parameters), this);
  m_condition = new QLineEdit(ToQString(m_entry.condition), this);
  m_name->setMaxLength(static_cast<int>(analysis::kProviderNameUnits));
  m_plugin->setMaxLength(static_cast<int>(analysis::kProviderPathUnits));
  m_parameters->setMaxLength(static_cast<int>(analysis::kProviderParameterUnits));
  m_condition->setMaxLength(static_cast<int>(analysis::kProviderConditionUnits));
  m_plugin->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
  m_probedPath = m_plugin->text();

  auto* browse = new QPushButton(QStringLiteral("..."), this);
  browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3 + 16);
  auto* probe = new QPushButton(Text(12425), this);
  m_settings = new QPushButton(Text(12414), this);
  m_settings->setEnabled(false);

  auto* grid = new QGridLayout;
  int row = 0;
  for (const auto& [id, field] : {std::pair{6421, m_name}, std::pair{6403, m_plugin}, std::pair{6406, m_parameters},
                                  std::pair{6423, m_condition}}) {
    auto* label = new QLabel(Text(id), this);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    if (field == m_plugin) {
      grid->addWidget(browse, row, 2);
      grid->addWidget(probe, row, 3);
    } else if (field == m_parameters) {
      grid->addWidget(m_settings, row, 2, 1, 2);
    }
    ++row;
  }
  grid->setColumnStretch(1, 1);

  m_ok = new QPushButton(Text(99), this);
  m_ok->setDefault(true);
  auto* cancel = new QPushButton(Text(2), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(browse, &QPushButton::clicked, this, &PluginEntryDialog::Browse);
  connect(probe, &QPushButton::clicked, this, &PluginEntryDialog::Probe);
  connect(m_settings, &QPushButton::clicked, this, &PluginEntryDialog::ShowSettings);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_ok, &QPushButton::clicked, this, [this] {
    if (const std::optional<analysis::ProviderEntry> e = Entry()) {
      emit entryAccepted(*e);
      accept();
    }
  });
}

void PluginEntryDialog::Browse() {
  if (!m_hooks.askOpenFile) return;
  const QString filters = QStringLiteral("%1 (*.wdx *.uwdx *.wdx64 *.so);;%2 (*)").arg(Text(12423), Text(12018));
  const QString path = m_hooks.askOpenFile(FieldName(6403), m_plugin->text(), filters);
  if (path.isEmpty()) return;
  m_plugin->setText(path);
  Probe();
}

bool PluginEntryDialog::Probe() {
  const QString path = m_plugin->text().trimmed();
  if (path.isEmpty()) return true;  // a built-in provider
  const analysis::PluginProbe probe = analysis::ProbePlugin(ToU16(path), ToU16(m_parameters->text()));
  if (!probe.loaded) {
    m_settings->setEnabled(false);
    if (m_hooks.showMessage) m_hooks.showMessage(path + QStringLiteral(": ") + Text(5503));
    m_plugin->setFocus();
    return false;
  }
  m_probedPath = path;
  m_condition->setText(ToQString(probe.condition));
  if (m_name->text().trimmed().isEmpty()) m_name->setText(ToQString(probe.displayName));
  m_settings->setEnabled(probe.hasSettingsDialog);
  return true;
}

void PluginEntryDialog::ShowSettings() {
  const std::optional<std::u16string> parameters = analysis::ShowPluginSettings(
      ToU16(m_plugin->text().trimmed()), ToU16(m_parameters->text()), nullptr);
  if (parameters) m_parameters->setText(ToQString(*parameters));
}

std::optional<analysis::ProviderEntry> PluginEntryDialog::Entry() {
  const auto refuse = [this](QLineEdit* field, const QString& text) {
    if (m_hooks.showMessage) m_hooks.showMessage(text);
    field->setFocus();
    return std::nullopt;
  };
  for (const auto& [id, field] : {std::pair{6421, m_name}, std::pair{6403, m_plugin}, std::pair{6406, m_parameters},
                                  std::pair{6423, m_condition}}) {
    if (HasLineBreak(field->text())) {
      return refuse(field, ToQString(lang::FormatText(ToU16(Text(12409)), {ToU16(FieldName(id))})));
    }
  }
  const QString path = m_plugin->text().trimmed();
  if (m_name->text().trimmed().isEmpty() && path.isEmpty()) {
    return refuse(m_name, ToQString(lang::FormatText(ToU16(Text(12413)), {ToU16(FieldName(6421))})));
  }
  // A library nobody has probed yet is probed now: what is not a plug-in is not stored.
  if (!path.isEmpty() && path != m_probedPath && !Probe()) return std::nullopt;
  analysis::ProviderEntry entry = m_entry;
  entry.name = ToU16(m_name->text().trimmed());
  entry.path = path.isEmpty() ? std::u16string() : settings::MakePortablePath(ToU16(path));
  entry.parameters = ToU16(m_parameters->text());
  entry.condition = ToU16(m_condition->text().trimmed());
  return entry;
}

// --- The page ---------------------------------------------------------------------------------------

FileTypesPage::FileTypesPage(settings::SettingsStore& store, const ConfigHooks& hooks, QWidget* parent)
    : ConfigPage(parent), m_hooks(hooks) {
  m_list = new QTreeWidget(this);
  m_list->setRootIsDecorated(false);
  m_list->setHeaderLabels({Text(54), Text(57), Text(58), Text(59)});
  m_list->header()->setStretchLastSection(true);
  auto* add = new QPushButton(Text(6990), this);
  auto* edit = new QPushButton(Text(6993), this);
  auto* remove = new QPushButton(Text(6997), this);
  auto* up = new QPushButton(Text(6991), this);
  auto* down = new QPushButton(Text(6992), this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {add, edit, remove, up, down}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list, 1);
  layout->addLayout(buttons);

  std::vector<analysis::ProviderEntry> entries;
  for (analysis::StoredProviderEntry& stored : analysis::ReadProviderEntries(store)) entries.push_back(std::move(stored.entry));
  m_stored = entries;
  Fill(entries);

  connect(add, &QPushButton::clicked, this, [this] { OpenEntryDialog(true); });
  connect(edit, &QPushButton::clicked, this, [this] { OpenEntryDialog(false); });
  connect(m_list, &QTreeWidget::itemActivated, this, [this] { OpenEntryDialog(false); });
  connect(remove, &QPushButton::clicked, this, [this] {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (row < 0) return;
    std::vector<analysis::ProviderEntry> entries = Entries();
    entries.erase(entries.begin() + row);
    Fill(entries);
  });
  connect(up, &QPushButton::clicked, this, [this] { Move(-1); });
  connect(down, &QPushButton::clicked, this, [this] { Move(1); });
}

void FileTypesPage::Fill(const std::vector<analysis::ProviderEntry>& entries) {
  const int current = m_list->indexOfTopLevelItem(m_list->currentItem());
  m_entries = entries;
  m_list->clear();
  for (const analysis::ProviderEntry& e : m_entries) {
    auto* item = new QTreeWidgetItem(m_list, QStringList{ToQString(e.name), ToQString(e.path), ToQString(e.condition),
                                                         ToQString(e.parameters)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, e.enabled ? Qt::Checked : Qt::Unchecked);
  }
  for (int c = 0; c < 3; ++c) m_list->resizeColumnToContents(c);
  if (m_list->topLevelItemCount() > 0) {
    m_list->setCurrentItem(m_list->topLevelItem(std::clamp(current, 0, m_list->topLevelItemCount() - 1)));
  }
}

std::vector<analysis::ProviderEntry> FileTypesPage::Entries() const {
  std::vector<analysis::ProviderEntry> out = m_entries;
  for (size_t i = 0; i < out.size(); ++i) {
    out[i].enabled = m_list->topLevelItem(static_cast<int>(i))->checkState(0) == Qt::Checked;
  }
  return out;
}

void FileTypesPage::Move(int by) {
  const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
  const int to = row + by;
  std::vector<analysis::ProviderEntry> entries = Entries();
  if (row < 0 || to < 0 || to >= static_cast<int>(entries.size())) return;
  std::swap(entries[static_cast<size_t>(row)], entries[static_cast<size_t>(to)]);
  Fill(entries);
  m_list->setCurrentItem(m_list->topLevelItem(to));
}

PluginEntryDialog* FileTypesPage::OpenEntryDialog(bool adding) {
  const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
  if (!adding && row < 0) return nullptr;
  const std::vector<analysis::ProviderEntry> entries = Entries();
  analysis::ProviderEntry entry = adding ? analysis::ProviderEntry{} : entries[static_cast<size_t>(row)];
  auto* dialog = new PluginEntryDialog(entry, adding, m_hooks, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &PluginEntryDialog::entryAccepted, this, [this, adding, row](const analysis::ProviderEntry& e) {
    std::vector<analysis::ProviderEntry> now = Entries();
    if (adding) {
      now.push_back(e);
    } else if (row >= 0 && row < static_cast<int>(now.size())) {
      now[static_cast<size_t>(row)] = e;
    }
    Fill(now);
    m_list->setCurrentItem(m_list->topLevelItem(adding ? m_list->topLevelItemCount() - 1 : row));
  });
  dialog->open();
  return dialog;
}

void FileTypesPage::Store(settings::SettingsStore& store, uint32_t&) {
  // An unchanged list keeps its stored form (keys, path macros) as it is.
  const std::vector<analysis::ProviderEntry> entries = Entries();
  if (entries != m_stored) WriteProviderEntries(store, entries);
  m_stored = entries;
}

}  // namespace tarnq::ui
