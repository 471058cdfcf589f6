// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preferred_folders_dialog.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QVBoxLayout>

#include "lang/format.h"
#include "lang/languages.h"
#include "ui/qt_text.h"

namespace tarnq::ui {

namespace {

QChar MnemonicOf(const QString& text) {
  const qsizetype at = text.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
}

// Gives each button whose catalogue text has no mnemonic the first free letter of its text, so
// that every button can be reached with Alt and a letter.
void AddMissingMnemonics(const std::vector<QAbstractButton*>& buttons) {
  QSet<QChar> used;
  for (const QAbstractButton* button : buttons) {
    if (const QChar m = MnemonicOf(button->text()); !m.isNull()) used.insert(m);
  }
  for (QAbstractButton* button : buttons) {
    QString text = button->text();
    if (!MnemonicOf(text).isNull()) continue;
    for (qsizetype i = 0; i < text.size(); ++i) {
      if (text[i].isLetter() && !used.contains(text[i].toLower())) {
        used.insert(text[i].toLower());
        text.insert(i, QLatin1Char('&'));
        button->setText(text);
        break;
      }
    }
  }
}

// A folder as the list keeps it: no surrounding blanks, no trailing separator (but "/" itself).
QString NormalFolder(QString folder) {
  folder = folder.trimmed();
  while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  return folder;
}

}  // namespace

PreferredFoldersDialog::PreferredFoldersDialog(const results::FavoriteFolders& folders, DupesRule rule,
                                               QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(Text(7100));
  askFolder = [this] { return QFileDialog::getExistingDirectory(this, Text(6990)); };
  showError = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("SelFavList"));
  // F2 edits; a double-click toggles the exclusion, as the check box does.
  m_list->setEditTriggers(QAbstractItemView::EditKeyPressed);
  for (const results::FavoriteFolder& entry : folders) {
    m_list->addItem(NewItem(ToQString(entry.folder), entry.marker == results::FavoriteFolder::kExcluded));
  }

  m_add = new QPushButton(Text(6990), this);
  m_up = new QPushButton(Text(6991), this);
  m_down = new QPushButton(Text(6992), this);
  m_edit = new QPushButton(Text(6993), this);
  m_remove = new QPushButton(Text(6997), this);
  m_exclude = new QPushButton(Text(7103), this);
  auto* side = new QVBoxLayout;
  for (QPushButton* button : {m_add, m_up, m_down, m_edit, m_remove, m_exclude}) {
    button->setAutoDefault(false);
    side->addWidget(button);
  }
  side->addStretch(1);

  auto* top = new QHBoxLayout;
  top->addWidget(m_list, 1);
  top->addLayout(side);

  auto* group = new QGroupBox(Text(12208), this);
  auto* groupLayout = new QVBoxLayout(group);
  m_rules = new QButtonGroup(this);
  const std::pair<DupesRule, int> choices[] = {
      {DupesRule::kFolders, 12209}, {DupesRule::kDisplayOrder, 12210}, {DupesRule::kBestCopy, 12211}};
  for (const auto& [value, text] : choices) {
    auto* radio = new QRadioButton(Text(text), group);
    m_rules->addButton(radio, static_cast<int>(value));
    groupLayout->addWidget(radio);
  }
  QAbstractButton* chosen = m_rules->button(static_cast<int>(rule));
  (chosen ? chosen : m_rules->button(0))->setChecked(true);

  m_ok = new QPushButton(Text(99), this);
  m_ok->setDefault(true);
  m_cancel = new QPushButton(Text(2), this);
  m_cancel->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addWidget(m_cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(group);
  layout->addLayout(buttons);

  std::vector<QAbstractButton*> all = {m_add, m_up, m_down, m_edit, m_remove, m_exclude, m_ok, m_cancel};
  for (QAbstractButton* radio : m_rules->buttons()) all.push_back(radio);
  AddMissingMnemonics(all);

  connect(m_add, &QPushButton::clicked, this, &PreferredFoldersDialog::AddFolder);
  connect(m_up, &QPushButton::clicked, this, [this] { Move(-1); });
  connect(m_down, &QPushButton::clicked, this, [this] { Move(1); });
  connect(m_edit, &QPushButton::clicked, this, [this] {
    if (QListWidgetItem* item = m_list->currentItem()) m_list->editItem(item);
  });
  connect(m_remove, &QPushButton::clicked, this, [this] {
    delete m_list->takeItem(m_list->currentRow());
    UpdateButtons();
  });
  connect(m_exclude, &QPushButton::clicked, this, [this] { ToggleExcluded(m_list->currentItem()); });
  connect(m_list, &QListWidget::itemDoubleClicked, this, &PreferredFoldersDialog::ToggleExcluded);
  connect(m_list, &QListWidget::currentRowChanged, this, &PreferredFoldersDialog::UpdateButtons);
  connect(m_list->model(), &QAbstractItemModel::rowsRemoved, this, &PreferredFoldersDialog::UpdateButtons);
  connect(m_list, &QListWidget::itemChanged, this, [](QListWidgetItem* item) {
    // An edit that leaves only blanks or a trailing separator is tidied like an added folder.
    const QString normal = NormalFolder(item->text());
    if (normal != item->text() && !normal.isEmpty()) item->setText(normal);
  });
  connect(m_ok, &QPushButton::clicked, this, &PreferredFoldersDialog::accept);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

  if (m_list->count() > 0) m_list->setCurrentRow(0);
  m_list->setFocus(Qt::OtherFocusReason);
  UpdateButtons();
}

QListWidgetItem* PreferredFoldersDialog::NewItem(const QString& text, bool excluded) {
  auto* item = new QListWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
  item->setCheckState(excluded ? Qt::Checked : Qt::Unchecked);
  return item;
}

QRadioButton* PreferredFoldersDialog::RuleButton(DupesRule rule) const {
  return qobject_cast<QRadioButton*>(m_rules->button(static_cast<int>(rule)));
}

void PreferredFoldersDialog::AddFolder() {
  const QString folder = NormalFolder(askFolder ? askFolder() : QString());
  if (folder.isEmpty()) return;
  for (int i = 0; i < m_list->count(); ++i) {
    if (m_list->item(i)->text() == folder) return;
  }
  m_list->addItem(NewItem(folder, false));
  m_list->setCurrentRow(m_list->count() - 1);
  UpdateButtons();
}

void PreferredFoldersDialog::Move(int by) {
  const int row = m_list->currentRow();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= m_list->count()) return;
  QListWidgetItem* item = m_list->takeItem(row);
  m_list->insertItem(to, item);
  m_list->setCurrentRow(to);
  UpdateButtons();
}

void PreferredFoldersDialog::ToggleExcluded(QListWidgetItem* item) {
  if (item == nullptr) return;
  item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void PreferredFoldersDialog::UpdateButtons() {
  const int row = m_list->currentRow();
  const bool current = row >= 0 && row < m_list->count();
  m_edit->setEnabled(current);
  m_exclude->setEnabled(current);
  m_remove->setEnabled(current);
  m_up->setEnabled(current && row > 0);
  m_down->setEnabled(current && row + 1 < m_list->count());
}

results::FavoriteFolders PreferredFoldersDialog::Folders() const {
  results::FavoriteFolders folders;
  for (int i = 0; i < m_list->count(); ++i) {
    const QListWidgetItem* item = m_list->item(i);
    if (item->text().trimmed().isEmpty()) continue;  // edited away: nothing to store
    results::FavoriteFolder entry;
    entry.marker = item->checkState() == Qt::Checked ? results::FavoriteFolder::kExcluded
                                                     : results::FavoriteFolder::kPreferred;
    entry.folder = ToU16(item->text());
    folders.push_back(std::move(entry));
  }
  return folders;
}

DupesRule PreferredFoldersDialog::Rule() const {
  const int id = m_rules->checkedId();
  return id < 0 ? DupesRule::kFolders : static_cast<DupesRule>(id);
}

void PreferredFoldersDialog::accept() {
  for (int i = 0; i < m_list->count(); ++i) {
    const QString text = m_list->item(i)->text();
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
      // A settings value ends at the line break: the folder would come back cut.
      m_list->setCurrentRow(i);
      QString shown = text;
      shown.replace(QLatin1Char('\n'), QStringLiteral("\u21b5")).replace(QLatin1Char('\r'), QStringLiteral("\u21b5"));
      if (showError) showError(ToQString(lang::FormatText(lang::GetTextOrEnglish(12212), {ToU16(shown)})));
      return;
    }
  }
  QDialog::accept();
}

}  // namespace tarnq::ui
