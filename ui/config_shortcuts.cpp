// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config_shortcuts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "appcore/key_names.h"
#include "lang/commands.h"
#include "ui/key_codes.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

// The command's menu text without its mnemonic, else its table name.
QString CommandText(lang::CommandId command) {
  const int id = lang::ToInt(command);
  QString text = MenuText(id);
  text.remove(QLatin1Char('&'));
  if (text.endsWith(QStringLiteral("..."))) text.chop(3);
  if (text.isEmpty()) text = QString::fromLatin1(lang::CommandTableName(id));
  return text;
}

}  // namespace

KeyField::KeyField(QWidget* parent) : QLineEdit(parent) { setReadOnly(true); }

void KeyField::SetCode(uint16_t code) {
  m_code = code;
  setText(ToQString(appcore::KeyName(code)));
}

void KeyField::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if ((event->key() == Qt::Key_Tab && mods == Qt::NoModifier) || event->key() == Qt::Key_Backtab) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  const uint16_t code = ShortcutCodeOf(*event);
  event->accept();
  if (code == 0) return;  // a lone modifier: wait for the key
  SetCode(code);
  emit keyChosen(code);
}

ShortcutsPage::ShortcutsPage(const appcore::ShortcutTable& table, const ConfigHooks& hooks, QWidget* parent)
    : ConfigPage(parent), m_hooks(hooks), m_rows(appcore::ShortcutRows(table)), m_stored(m_rows) {
  m_list = new QTreeWidget(this);
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setHeaderLabels({Text(54), Text(30)});
  m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  m_list->header()->setStretchLastSection(false);
  m_field = new KeyField(this);
  auto* fieldLabel = new QLabel(Text(30) + QLatin1Char(':'), this);
  fieldLabel->setBuddy(m_field);
  m_info = new QLabel(this);
  m_info->setWordWrap(true);
  auto* assign = new QPushButton(Text(12400), this);
  auto* remove = new QPushButton(Text(6997), this);
  auto* defaults = new QPushButton(Text(12401), this);

  auto* keyRow = new QHBoxLayout;
  keyRow->addWidget(fieldLabel);
  keyRow->addWidget(m_field, 1);
  keyRow->addWidget(assign);
  keyRow->addWidget(remove);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list, 1);
  layout->addLayout(keyRow);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_info, 1);
  bottom->addWidget(defaults);
  layout->addLayout(bottom);

  connect(m_field, &KeyField::keyChosen, this, &ShortcutsPage::ShowInfo);
  connect(assign, &QPushButton::clicked, this, &ShortcutsPage::AssignKey);
  connect(remove, &QPushButton::clicked, this, &ShortcutsPage::RemoveKey);
  connect(defaults, &QPushButton::clicked, this, &ShortcutsPage::RestoreDefaults);
  connect(m_list, &QTreeWidget::currentItemChanged, this, [this] {
    const int row = CurrentRow();
    m_field->SetCode(row >= 0 ? m_rows[static_cast<size_t>(row)].code : 0);
    m_info->clear();
  });
  Fill();
  if (m_list->topLevelItemCount() > 0) m_list->setCurrentItem(m_list->topLevelItem(0));
}

void ShortcutsPage::Fill() {
  const int current = CurrentRow();
  m_list->clear();
  QList<QTreeWidgetItem*> items;
  for (const appcore::ShortcutRow& row : m_rows) {
    items << new QTreeWidgetItem(QStringList{CommandText(row.command), ToQString(appcore::KeyName(row.code))});
  }
  m_list->addTopLevelItems(items);
  if (!items.isEmpty()) m_list->setCurrentItem(items[std::clamp(current, 0, static_cast<int>(items.size()) - 1)]);
}

int ShortcutsPage::CurrentRow() const {
  const QTreeWidgetItem* item = m_list->currentItem();
  return item == nullptr ? -1 : m_list->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
}

void ShortcutsPage::ShowInfo(uint16_t code) {
  if (appcore::IsReservedShortcut(code) || code >= appcore::kShortcutTableSize) {
    m_info->setText(Text(9000));
    return;
  }
  const auto it = std::find_if(m_rows.begin(), m_rows.end(), [code](const appcore::ShortcutRow& r) { return r.code == code; });
  m_info->setText(it == m_rows.end() ? QString() : CommandText(it->command));
}

void ShortcutsPage::SelectCommand(lang::CommandId command) {
  for (size_t i = 0; i < m_rows.size(); ++i) {
    if (m_rows[i].command == command) {
      m_list->setCurrentItem(m_list->topLevelItem(static_cast<int>(i)));
      return;
    }
  }
}

bool ShortcutsPage::AssignKey() {
  const int row = CurrentRow();
  const uint16_t code = m_field->Code();
  if (row < 0 || code == 0) return false;
  if (!appcore::IsAssignableShortcut(code)) {
    m_info->setText(Text(9000));
    if (m_hooks.showMessage) m_hooks.showMessage(ToQString(appcore::KeyName(code)) + QStringLiteral(": ") + Text(9000));
    return false;
  }
  const lang::CommandId command = m_rows[static_cast<size_t>(row)].command;
  // The key leaves the command that had it.
  for (appcore::ShortcutRow& r : m_rows) {
    if (r.code == code) r.code = 0;
  }
  m_rows[static_cast<size_t>(row)].code = code;
  DropEmptyDuplicates();
  Fill();
  SelectCommand(command);
  for (size_t i = 0; i < m_rows.size(); ++i) {
    if (m_rows[i].code == code) m_list->setCurrentItem(m_list->topLevelItem(static_cast<int>(i)));
  }
  m_info->clear();
  return true;
}

void ShortcutsPage::RemoveKey() {
  const int row = CurrentRow();
  if (row < 0) return;
  m_rows[static_cast<size_t>(row)].code = 0;
  DropEmptyDuplicates();
  Fill();
  m_field->SetCode(0);
}

void ShortcutsPage::RestoreDefaults() {
  m_rows = appcore::ShortcutRows(appcore::ShortcutTable());
  Fill();
}

void ShortcutsPage::DropEmptyDuplicates() {
  std::vector<appcore::ShortcutRow> kept;
  for (const appcore::ShortcutRow& r : m_rows) {
    const bool hasKeyed = std::any_of(m_rows.begin(), m_rows.end(), [&r](const appcore::ShortcutRow& o) {
      return o.command == r.command && o.code != 0;
    });
    const bool emptyKept = std::any_of(kept.begin(), kept.end(), [&r](const appcore::ShortcutRow& o) {
      return o.command == r.command && o.code == 0;
    });
    if (r.code == 0 && (hasKeyed || emptyKept)) continue;
    kept.push_back(r);
  }
  m_rows = std::move(kept);
}

void ShortcutsPage::Store(settings::SettingsStore& store, uint32_t&) {
  // Unchanged rows leave section `Keys` as it is.
  if (m_rows == m_stored) return;
  appcore::SaveShortcuts(store, m_rows);
  m_stored = m_rows;
}

}  // namespace tarnq::ui
