// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config_toolbar.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

#include "lang/commands.h"
#include "settings/settings_store.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

constexpr std::string_view kMain = settings::SettingsStore::kMainSection;
constexpr std::string_view kKey = "Toolbar";

QString ButtonText(int id) {
  if (id == kToolbarSeparator) return QStringLiteral("\u2014 %1 \u2014").arg(Text(98));
  QString text = MenuText(id);
  text.remove(QLatin1Char('&'));
  if (text.endsWith(QStringLiteral("..."))) text.chop(3);
  return text;
}

}  // namespace

std::vector<int> DefaultToolbarButtons() { return {125, 131, 132, 0, 121, 0, 106, 108, 109, 111, 0, 118, 119, 113, 0, 201}; }

bool IsToolbarCommand(int id) {
  const auto table = lang::CommandTable();
  return id > 0 && std::any_of(table.begin(), table.end(), [id](const lang::CommandName& c) { return lang::ToInt(c.id) == id; });
}

std::vector<int> ReadToolbarButtons(settings::SettingsStore& store) {
  std::string value;
  if (!store.ReadString(kMain, kKey, {}, value) || value.empty()) return DefaultToolbarButtons();
  std::vector<int> buttons;
  for (const QString& part : QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())).split(QLatin1Char(','))) {
    bool ok = false;
    const int id = part.trimmed().toInt(&ok);
    if (!ok) continue;
    if (id == kToolbarSeparator || (IsToolbarCommand(id) && std::find(buttons.begin(), buttons.end(), id) == buttons.end())) {
      buttons.push_back(id);
    }
  }
  const bool anyButton = std::any_of(buttons.begin(), buttons.end(), [](int id) { return id != kToolbarSeparator; });
  // "0" alone is a toolbar the user emptied on purpose.
  if (!anyButton && value.find_first_not_of("0, ") != std::string::npos) return DefaultToolbarButtons();
  return buttons;
}

void WriteToolbarButtons(settings::SettingsStore& store, const std::vector<int>& buttons) {
  QStringList parts;
  for (const int id : buttons) parts << QString::number(id);
  if (parts.isEmpty()) parts << QStringLiteral("0");
  store.WriteString(kMain, kKey, parts.join(QLatin1Char(',')).toStdString());
}

ToolbarDialog::ToolbarDialog(std::vector<int> buttons, std::function<QIcon(int)> iconOf, QWidget* parent)
    : QDialog(parent), m_buttons(std::move(buttons)), m_iconOf(std::move(iconOf)) {
  setWindowTitle(Text(7500));
  m_available = new QListWidget(this);
  m_chosen = new QListWidget(this);
  const int line = fontMetrics().height();
  for (QListWidget* list : {m_available, m_chosen}) {
    list->setIconSize(QSize(line, line));
    list->setMinimumHeight(line * 18);
  }
  auto* availableLabel = new QLabel(Text(7501), this);
  auto* chosenLabel = new QLabel(Text(7502), this);
  availableLabel->setBuddy(m_available);
  chosenLabel->setBuddy(m_chosen);
  auto* add = new QPushButton(Text(12403), this);
  auto* remove = new QPushButton(Text(6997), this);
  auto* up = new QPushButton(Text(6991), this);
  auto* down = new QPushButton(Text(6992), this);
  auto* reset = new QPushButton(Text(12404), this);
  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  for (QPushButton* b : {add, remove, up, down}) middle->addWidget(b);
  middle->addSpacing(fontMetrics().height());
  middle->addWidget(reset);
  middle->addStretch(1);

  m_ok = new QPushButton(Text(99), this);
  m_ok->setDefault(true);
  auto* cancel = new QPushButton(Text(2), this);
  auto* buttonsRow = new QHBoxLayout;
  buttonsRow->addStretch(1);
  buttonsRow->addWidget(m_ok);
  buttonsRow->addWidget(cancel);

  auto* grid = new QGridLayout(this);
  grid->addWidget(availableLabel, 0, 0);
  grid->addWidget(chosenLabel, 0, 2);
  grid->addWidget(m_available, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(m_chosen, 1, 2);
  grid->addLayout(buttonsRow, 2, 0, 1, 3);

  connect(add, &QPushButton::clicked, this, &ToolbarDialog::Add);
  connect(remove, &QPushButton::clicked, this, &ToolbarDialog::Remove);
  connect(up, &QPushButton::clicked, this, [this] { Move(-1); });
  connect(down, &QPushButton::clicked, this, [this] { Move(1); });
  connect(reset, &QPushButton::clicked, this, &ToolbarDialog::Reset);
  connect(m_available, &QListWidget::itemActivated, this, &ToolbarDialog::Add);
  connect(m_chosen, &QListWidget::itemActivated, this, &ToolbarDialog::Remove);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_ok, &QPushButton::clicked, this, [this] {
    emit buttonsChosen(m_buttons);
    accept();
  });
  Fill();
}

void ToolbarDialog::Fill() {
  const int availableRow = std::max(0, m_available->currentRow());
  const int chosenRow = std::max(0, m_chosen->currentRow());
  m_available->clear();
  m_chosen->clear();
  const auto item = [this](int id, QListWidget* list) {
    auto* it = new QListWidgetItem(ButtonText(id), list);
    it->setData(Qt::UserRole, id);
    if (m_iconOf && id != kToolbarSeparator) it->setIcon(m_iconOf(id));
  };
  // The separator can always be added once more.
  item(kToolbarSeparator, m_available);
  for (const lang::CommandName& c : lang::CommandTable()) {
    const int id = lang::ToInt(c.id);
    if (std::find(m_buttons.begin(), m_buttons.end(), id) == m_buttons.end() && !MenuText(id).isEmpty()) item(id, m_available);
  }
  for (const int id : m_buttons) item(id, m_chosen);
  // Wide enough for the longest name of either list, so that no name is cut.
  const int width = std::max(m_available->sizeHintForColumn(0), m_chosen->sizeHintForColumn(0)) +
                    2 * m_available->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
  m_available->setMinimumWidth(width);
  m_chosen->setMinimumWidth(width);
  m_available->setCurrentRow(std::min(availableRow, m_available->count() - 1));
  if (m_chosen->count() > 0) m_chosen->setCurrentRow(std::min(chosenRow, m_chosen->count() - 1));
}

void ToolbarDialog::Add() {
  QListWidgetItem* it = m_available->currentItem();
  if (it == nullptr) return;
  const int at = m_chosen->currentRow() < 0 ? static_cast<int>(m_buttons.size()) : m_chosen->currentRow() + 1;
  m_buttons.insert(m_buttons.begin() + at, it->data(Qt::UserRole).toInt());
  Fill();
  m_chosen->setCurrentRow(at);
}

void ToolbarDialog::Remove() {
  const int row = m_chosen->currentRow();
  if (row < 0 || row >= static_cast<int>(m_buttons.size())) return;
  m_buttons.erase(m_buttons.begin() + row);
  Fill();
}

void ToolbarDialog::Move(int by) {
  const int row = m_chosen->currentRow();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= static_cast<int>(m_buttons.size())) return;
  std::swap(m_buttons[static_cast<size_t>(row)], m_buttons[static_cast<size_t>(to)]);
  Fill();
  m_chosen->setCurrentRow(to);
}

void ToolbarDialog::Reset() {
  m_buttons = DefaultToolbarButtons();
  Fill();
}

}  // namespace tarnq::ui
