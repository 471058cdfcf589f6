// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

#include "lang/format.h"
#include "platform/errors.h"
#include "settings/colors.h"
#include "settings/path_macros.h"
#include "settings/settings_store.h"
#include "ui/config_file_types.h"
#include "ui/config_shortcuts.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

constexpr std::string_view kMain = settings::SettingsStore::kMainSection;
constexpr std::string_view kColorSection = "Color";
constexpr uint32_t kOptionNoCache = 0x10;

// A label's text without its colon and mnemonic, for messages that name the field.
QString FieldName(int id) {
  QString text = Text(id);
  text.remove(QLatin1Char('&'));
  while (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text;
}

QString Format(int id, std::initializer_list<lang::FormatArg> args) {
  return ToQString(lang::FormatText(ToU16(Text(id)), args));
}

QString LineBreakError(int fieldId) { return Format(12409, {ToU16(FieldName(fieldId))}); }

bool HasLineBreak(const QString& text) {
  return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

QPushButton* Button(int id, QWidget* parent) { return new QPushButton(Text(id), parent); }

}  // namespace

std::optional<uint32_t> ParseColorText(const QString& text) {
  QString t = text.trimmed();
  if (t.startsWith(QLatin1Char('#'))) t.remove(0, 1);
  if (t.size() != 6) return std::nullopt;
  bool ok = false;
  const uint32_t rgb = t.toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  // The settings hold 0x00BBGGRR.
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

QString ColorText(uint32_t colorRef) {
  const uint32_t rgb = ((colorRef & 0xFF) << 16) | (colorRef & 0xFF00) | ((colorRef >> 16) & 0xFF);
  return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
}

// --- General Options ------------------------------------------------------------------------------

GeneralPage::GeneralPage(uint32_t options, QWidget* parent) : ConfigPage(parent) {
  auto* layout = new QVBoxLayout(this);
  for (const OptionBox& box : kOptionBoxes) {
    auto* check = new QCheckBox(Text(box.textId), this);
    check->setChecked(((options & box.bit) != 0) != box.inverse);
    layout->addWidget(check);
    m_boxes.push_back(check);
  }
  layout->addStretch(1);
}

void GeneralPage::Store(settings::SettingsStore&, uint32_t& options) {
  for (size_t i = 0; i < m_boxes.size(); ++i) {
    const OptionBox& box = kOptionBoxes[i];
    const bool set = m_boxes[i]->isChecked() != box.inverse;
    options = set ? (options | box.bit) : (options & ~box.bit);
  }
}

QCheckBox* GeneralPage::Box(int textId) const {
  for (size_t i = 0; i < m_boxes.size(); ++i) {
    if (kOptionBoxes[i].textId == textId) return m_boxes[i];
  }
  return nullptr;
}

// --- Columns ----------------------------------------------------------------------------------------

ColumnsPage::ColumnsPage(results::ColumnLayout layout, QWidget* parent) : ConfigPage(parent), m_layout(std::move(layout)) {
  m_available = new QListWidget(this);
  m_shown = new QListWidget(this);
  auto* availableLabel = new QLabel(Text(5301), this);
  auto* shownLabel = new QLabel(Text(5302), this);
  availableLabel->setBuddy(m_available);
  shownLabel->setBuddy(m_shown);

  auto* add = new QPushButton(Text(12403), this);
  auto* remove = Button(6997, this);
  auto* up = Button(6991, this);
  auto* down = Button(6992, this);
  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  for (QPushButton* b : {add, remove, up, down}) middle->addWidget(b);
  middle->addStretch(1);

  m_left = new QRadioButton(Text(6999), this);
  m_center = new QRadioButton(Text(7000), this);
  m_right = new QRadioButton(Text(7001), this);
  m_width = new QLineEdit(this);
  m_width->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
  auto* widthLabel = new QLabel(Text(12405), this);
  widthLabel->setBuddy(m_width);
  auto* details = new QHBoxLayout;
  for (QRadioButton* r : {m_left, m_center, m_right}) details->addWidget(r);
  details->addStretch(1);
  details->addWidget(widthLabel);
  details->addWidget(m_width);

  auto* grid = new QGridLayout(this);
  grid->addWidget(availableLabel, 0, 0);
  grid->addWidget(shownLabel, 0, 2);
  grid->addWidget(m_available, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(m_shown, 1, 2);
  grid->addLayout(details, 2, 0, 1, 3);

  connect(add, &QPushButton::clicked, this, &ColumnsPage::Add);
  connect(remove, &QPushButton::clicked, this, &ColumnsPage::Remove);
  connect(up, &QPushButton::clicked, this, [this] { Move(-1); });
  connect(down, &QPushButton::clicked, this, [this] { Move(1); });
  connect(m_available, &QListWidget::itemDoubleClicked, this, &ColumnsPage::Add);
  connect(m_shown, &QListWidget::itemDoubleClicked, this, &ColumnsPage::Remove);
  connect(m_shown, &QListWidget::currentRowChanged, this, &ColumnsPage::ShowCurrent);
  connect(m_width, &QLineEdit::editingFinished, this, &ColumnsPage::TakeWidth);
  connect(m_left, &QRadioButton::clicked, this, [this] { SetAlignment(0); });
  connect(m_center, &QRadioButton::clicked, this, [this] { SetAlignment(results::kAlignCenter); });
  connect(m_right, &QRadioButton::clicked, this, [this] { SetAlignment(results::kAlignRight); });
  Fill();
}

void ColumnsPage::Fill() {
  const int current = m_shown->currentRow();
  m_row = -1;  // the rows change: the width was taken already
  m_available->clear();
  m_shown->clear();
  for (const results::LayoutColumn& c : m_layout) m_shown->addItem(Text(results::kColumns[static_cast<size_t>(c.tableIndex)].textId));
  for (size_t i = 0; i < results::kColumns.size(); ++i) {
    const bool shown = std::any_of(m_layout.begin(), m_layout.end(),
                                   [i](const results::LayoutColumn& c) { return c.tableIndex == static_cast<int>(i); });
    if (!shown) {
      auto* item = new QListWidgetItem(Text(results::kColumns[i].textId), m_available);
      item->setData(Qt::UserRole, static_cast<int>(i));
    }
  }
  if (m_shown->count() > 0) m_shown->setCurrentRow(std::clamp(current, 0, m_shown->count() - 1));
  if (m_available->count() > 0) m_available->setCurrentRow(0);
  ShowCurrent();
}

void ColumnsPage::ShowCurrent() {
  TakeWidth();  // what was typed for the row shown so far
  const int row = m_shown->currentRow();
  m_row = row;
  const bool any = row >= 0 && row < static_cast<int>(m_layout.size());
  for (QWidget* w : {static_cast<QWidget*>(m_left), static_cast<QWidget*>(m_center), static_cast<QWidget*>(m_right),
                     static_cast<QWidget*>(m_width)}) {
    w->setEnabled(any);
  }
  if (!any) {
    m_width->clear();
    return;
  }
  const results::LayoutColumn& c = m_layout[static_cast<size_t>(row)];
  m_width->setText(QString::number(c.width));
  m_widthError.clear();
  const uint16_t align = c.flags & results::kAlignMask;
  (align == results::kAlignRight ? m_right : align == results::kAlignCenter ? m_center : m_left)->setChecked(true);
}

void ColumnsPage::TakeWidth() {
  const int row = m_row;
  if (row < 0 || row >= static_cast<int>(m_layout.size())) return;
  bool ok = false;
  const int width = m_width->text().trimmed().toInt(&ok);
  if (!ok || width < kMinWidth || width > kMaxWidth) {
    m_widthError = Format(12406, {ToU16(FieldName(12405)), static_cast<uint64_t>(kMinWidth), static_cast<uint64_t>(kMaxWidth)});
    return;
  }
  m_widthError.clear();
  m_layout[static_cast<size_t>(row)].width = width;
}

void ColumnsPage::Add() {
  QListWidgetItem* item = m_available->currentItem();
  if (item == nullptr) return;
  TakeWidth();
  const int index = item->data(Qt::UserRole).toInt();
  m_widthError.clear();
  const results::ColumnDef& def = results::kColumns[static_cast<size_t>(index)];
  m_layout.push_back({index, def.defaultWidth, def.flags});
  Fill();
  m_shown->setCurrentRow(m_shown->count() - 1);
}

void ColumnsPage::Remove() {
  const int row = m_shown->currentRow();
  if (row < 0 || row >= static_cast<int>(m_layout.size())) return;
  m_layout.erase(m_layout.begin() + row);
  m_widthError.clear();
  Fill();
}

void ColumnsPage::Move(int by) {
  const int row = m_shown->currentRow();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= static_cast<int>(m_layout.size())) return;
  TakeWidth();
  std::swap(m_layout[static_cast<size_t>(row)], m_layout[static_cast<size_t>(to)]);
  Fill();
  m_shown->setCurrentRow(to);
}

void ColumnsPage::SetAlignment(uint16_t flags) {
  const int row = m_shown->currentRow();
  if (row < 0 || row >= static_cast<int>(m_layout.size())) return;
  results::LayoutColumn& c = m_layout[static_cast<size_t>(row)];
  c.flags = static_cast<uint16_t>((c.flags & ~results::kAlignMask) | flags);
}

QString ColumnsPage::Check() {
  TakeWidth();
  if (!m_widthError.isEmpty()) {
    m_width->setFocus();
    m_width->selectAll();
    return m_widthError;
  }
  if (m_layout.empty()) {
    m_available->setFocus();
    return Text(12408);
  }
  return {};
}

void ColumnsPage::Store(settings::SettingsStore& store, uint32_t&) { results::WriteLayout(store, m_layout); }

// --- Cache ------------------------------------------------------------------------------------------

CachePage::CachePage(uint32_t options, QString currentPath, const ConfigHooks& hooks, QWidget* parent)
    : ConfigPage(parent), m_hooks(hooks), m_currentPath(std::move(currentPath)) {
  m_noCache = new QCheckBox(Text(5401), this);
  m_noCache->setChecked((options & kOptionNoCache) != 0);
  m_location = new QLineEdit(m_currentPath, this);
  m_location->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
  auto* locationLabel = new QLabel(Text(5402) + QLatin1Char(':'), this);
  locationLabel->setBuddy(m_location);
  auto* browse = new QPushButton(QStringLiteral("..."), this);
  browse->setMaximumWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3 + 16);
  m_delete = new QPushButton(Text(5405), this);

  auto* row = new QHBoxLayout;
  row->addWidget(m_location, 1);
  row->addWidget(browse);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_noCache);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addWidget(locationLabel);
  layout->addLayout(row);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_delete);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->addStretch(1);

  connect(browse, &QPushButton::clicked, this, [this] {
    if (!m_hooks.askSaveFile) return;
    const QString path = m_hooks.askSaveFile(Text(5402), m_location->text());
    if (!path.isEmpty()) m_location->setText(path);
  });
  connect(m_delete, &QPushButton::clicked, this, &CachePage::DeleteNow);
}

void CachePage::DeleteNow() {
  const QString path = m_hooks.cachePath ? m_hooks.cachePath() : m_currentPath;
  if (!m_hooks.ask || !m_hooks.ask(Format(12410, {ToU16(path)}))) return;
  for (;;) {
    const uint32_t error = m_hooks.deleteCache ? m_hooks.deleteCache() : 0;
    if (error == 0) return;
    const QString reason = Format(12411, {ToU16(path + QStringLiteral(": ") + QString::fromStdString(platform::ErrorMessage(error)))});
    if (!m_hooks.ask(reason + QLatin1Char('\n') + Text(12412))) return;
  }
}

QString CachePage::Check() {
  if (HasLineBreak(m_location->text())) {
    m_location->setFocus();
    return LineBreakError(5402);
  }
  return {};
}

void CachePage::Store(settings::SettingsStore& store, uint32_t& options) {
  options = m_noCache->isChecked() ? (options | kOptionNoCache) : (options & ~kOptionNoCache);
  const QString text = m_location->text().trimmed();
  if (text != m_currentPath) {
    store.WritePath(kMain, "MP3Cache", text.isEmpty() ? std::u16string() : settings::MakePortablePath(ToU16(text)));
    m_currentPath = text;
  }
}

// --- Colors -----------------------------------------------------------------------------------------

ColorsPage::ColorsPage(settings::SettingsStore& store, const ConfigHooks& hooks, QWidget* parent)
    : ConfigPage(parent), m_hooks(hooks) {
  for (const settings::ColorPair& pair : settings::ReadColorScheme(store, kColorSection)) {
    m_entries.push_back({ColorText(pair.first), ColorText(pair.second)});
  }
  m_list = new QListWidget(this);
  auto* listLabel = new QLabel(Text(5600) + QLatin1Char(':'), this);
  listLabel->setBuddy(m_list);
  m_background = new QLineEdit(this);
  m_text = new QLineEdit(this);
  for (QLineEdit* field : {m_background, m_text}) {
    field->setMaxLength(7);
    field->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("#DDDDDDD")) + 16);
  }
  auto* backgroundLabel = new QLabel(Text(5608) + QLatin1Char(':'), this);
  auto* textLabel = new QLabel(Text(5607) + QLatin1Char(':'), this);
  backgroundLabel->setBuddy(m_background);
  textLabel->setBuddy(m_text);
  auto* chooseBackground = new QPushButton(QStringLiteral("..."), this);
  auto* chooseText = new QPushButton(QStringLiteral("..."), this);
  for (QPushButton* b : {chooseBackground, chooseText}) {
    b->setMaximumWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3 + 16);
  }
  auto* add = new QPushButton(Text(12403), this);
  auto* remove = Button(6997, this);
  auto* defaults = Button(5606, this);

  auto* fields = new QGridLayout;
  fields->addWidget(backgroundLabel, 0, 0);
  fields->addWidget(m_background, 0, 1);
  fields->addWidget(chooseBackground, 0, 2);
  fields->addWidget(textLabel, 1, 0);
  fields->addWidget(m_text, 1, 1);
  fields->addWidget(chooseText, 1, 2);
  fields->setColumnStretch(3, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {add, remove, defaults}) buttons->addWidget(b);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(listLabel);
  layout->addWidget(m_list, 1);
  layout->addLayout(fields);
  layout->addLayout(buttons);

  connect(m_list, &QListWidget::currentRowChanged, this, [this] {
    TakeFields();
    ShowCurrent();
  });
  connect(m_background, &QLineEdit::textEdited, this, &ColorsPage::TakeFields);
  connect(m_text, &QLineEdit::textEdited, this, &ColorsPage::TakeFields);
  connect(chooseBackground, &QPushButton::clicked, this, [this] { Choose(m_background, 5608); });
  connect(chooseText, &QPushButton::clicked, this, [this] { Choose(m_text, 5607); });
  connect(add, &QPushButton::clicked, this, [this] {
    TakeFields();
    m_entries.push_back({QStringLiteral("#FFFFFF"), QStringLiteral("#000000")});
    m_current = -1;
    Fill();
    m_list->setCurrentRow(m_list->count() - 1);
  });
  connect(remove, &QPushButton::clicked, this, [this] {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_entries.size())) return;
    m_entries.erase(m_entries.begin() + row);
    m_current = -1;
    Fill();
  });
  // The list's own colours: no scheme at all.
  connect(defaults, &QPushButton::clicked, this, [this] {
    m_entries.clear();
    m_current = -1;
    Fill();
  });
  Fill();
}

void ColorsPage::Fill() {
  m_list->blockSignals(true);
  m_list->clear();
  for (size_t i = 0; i < m_entries.size(); ++i) {
    auto* item = new QListWidgetItem(QStringLiteral("%1 %2").arg(Text(5601)).arg(i + 1), m_list);
    const std::optional<uint32_t> background = ParseColorText(m_entries[i].background);
    const std::optional<uint32_t> text = ParseColorText(m_entries[i].text);
    if (background) item->setBackground(QColor(ColorText(*background)));
    if (text) item->setForeground(QColor(ColorText(*text)));
  }
  m_list->blockSignals(false);
  if (!m_entries.empty()) m_list->setCurrentRow(0);
  ShowCurrent();
}

void ColorsPage::ShowCurrent() {
  m_current = m_list->currentRow();
  const bool any = m_current >= 0 && m_current < static_cast<int>(m_entries.size());
  m_background->setEnabled(any);
  m_text->setEnabled(any);
  m_background->setText(any ? m_entries[static_cast<size_t>(m_current)].background : QString());
  m_text->setText(any ? m_entries[static_cast<size_t>(m_current)].text : QString());
}

void ColorsPage::TakeFields() {
  if (m_current < 0 || m_current >= static_cast<int>(m_entries.size())) return;
  Entry& e = m_entries[static_cast<size_t>(m_current)];
  e.background = m_background->text();
  e.text = m_text->text();
  if (QListWidgetItem* item = m_list->item(m_current)) {
    if (const auto bg = ParseColorText(e.background)) item->setBackground(QColor(ColorText(*bg)));
    if (const auto fg = ParseColorText(e.text)) item->setForeground(QColor(ColorText(*fg)));
  }
}

void ColorsPage::Choose(QLineEdit* field, int titleId) {
  if (!m_hooks.askColor || !field->isEnabled()) return;
  const std::optional<uint32_t> now = ParseColorText(field->text());
  const std::optional<QColor> chosen = m_hooks.askColor(now ? QColor(ColorText(*now)) : QColor(Qt::white), Text(titleId));
  if (!chosen || !chosen->isValid()) return;
  field->setText(chosen->name(QColor::HexRgb).toUpper());
  TakeFields();
}

QString ColorsPage::Check() {
  TakeFields();
  for (size_t i = 0; i < m_entries.size(); ++i) {
    for (const auto& [text, id, field] : {std::tuple{m_entries[i].background, 5608, m_background},
                                          std::tuple{m_entries[i].text, 5607, m_text}}) {
      if (ParseColorText(text)) continue;
      m_list->setCurrentRow(static_cast<int>(i));
      field->setFocus();
      field->selectAll();
      return Format(12407, {ToU16(QStringLiteral("%1 %2, %3").arg(Text(5601)).arg(i + 1).arg(FieldName(id)))});
    }
  }
  return {};
}

void ColorsPage::Store(settings::SettingsStore& store, uint32_t&) {
  std::vector<settings::ColorPair> pairs;
  for (const Entry& e : m_entries) pairs.push_back({*ParseColorText(e.background), *ParseColorText(e.text)});
  if (pairs != settings::ReadColorScheme(store, kColorSection)) settings::WriteColorScheme(store, kColorSection, pairs);
}

// --- The dialog -------------------------------------------------------------------------------------

ConfigDialog::ConfigDialog(settings::SettingsStore& store, uint32_t options, results::ColumnLayout layout,
                           const appcore::ShortcutTable& shortcuts, ConfigHooks hooks, int firstPage, QWidget* parent)
    : QDialog(parent), m_store(store), m_options(options), m_hooks(std::move(hooks)) {
  setWindowTitle(Text(5100));
  m_pages = new QTabWidget(this);
  m_general = new GeneralPage(options, m_pages);
  m_columns = new ColumnsPage(std::move(layout), m_pages);
  m_cache = new CachePage(options, m_hooks.cachePath ? m_hooks.cachePath() : QString(), m_hooks, m_pages);
  m_shortcuts = new ShortcutsPage(shortcuts, m_hooks, m_pages);
  m_fileTypes = new FileTypesPage(store, m_hooks, m_pages);
  m_colors = new ColorsPage(store, m_hooks, m_pages);
  m_pages->addTab(m_general, Text(5200));
  m_pages->addTab(m_columns, Text(5300));
  m_pages->addTab(m_cache, Text(5400));
  m_pages->addTab(m_shortcuts, Text(5450));
  m_pages->addTab(m_fileTypes, Text(5500));
  m_pages->addTab(m_colors, Text(5600));
  m_pages->setCurrentIndex(std::clamp(firstPage, 0, kPageCount - 1));

  m_ok = new QPushButton(Text(99), this);
  m_ok->setDefault(true);
  m_cancel = new QPushButton(Text(2), this);
  m_apply = new QPushButton(Text(12402), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {m_ok, m_cancel, m_apply}) buttons->addWidget(b);
  auto* main = new QVBoxLayout(this);
  main->addWidget(m_pages, 1);
  main->addLayout(buttons);

  connect(m_ok, &QPushButton::clicked, this, [this] {
    if (Apply()) accept();
  });
  connect(m_apply, &QPushButton::clicked, this, &ConfigDialog::Apply);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
  resize(sizeHint().expandedTo(QSize(fontMetrics().averageCharWidth() * 90, fontMetrics().height() * 30)));
}

bool ConfigDialog::Apply() {
  const std::vector<ConfigPage*> pages = {m_general, m_columns, m_cache, m_shortcuts, m_fileTypes, m_colors};
  for (ConfigPage* page : pages) {
    // Check first, so that a refusal leaves everything unwritten.
    const QString error = page->Check();
    if (error.isEmpty()) continue;
    m_pages->setCurrentIndex(m_pages->indexOf(page));
    page->Check();  // again, now that the page shows: the refused field gets the focus
    if (m_hooks.showMessage) m_hooks.showMessage(error);
    return false;
  }
  uint32_t options = m_options;
  for (ConfigPage* page : pages) page->Store(m_store, options);
  m_store.WriteOption(kMain, options);
  m_options = options;
  m_store.Flush();
  if (m_hooks.applied) m_hooks.applied();
  return true;
}

results::ColumnLayout ConfigDialog::Layout() const { return m_columns->Layout(); }

}  // namespace tarnq::ui
