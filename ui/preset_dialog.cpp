// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preset_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <charconv>
#include <memory>
#include <utility>

#include "lang/format.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/mounts.h"
#include "platform/threads.h"
#include "platform/time.h"
#include "settings/settings_store.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

constexpr int kPercentMaximum = 100;
constexpr int kToleranceMaximum = 1000;
constexpr int kFolderCapacity = 1023;  // what a stored folder key can hold
constexpr int kMaskLength = 259;
constexpr int kPresetFileLength = 1023;

// The attribute boxes: catalogue number and attribute bit.
struct AttributeBox {
  int id;
  uint16_t bit;
};
constexpr AttributeBox kAttributeBoxes[] = {{2350, 0x20}, {2351, 0x1}, {2352, 0x4},
                                            {2354, 0x2},  {2355, 0x800}, {2356, 0x4000}};

// "More limitations": the column name and the bit of each item.
struct LimitItem {
  int id;
  uint32_t bit;
};
constexpr LimitItem kLimitItems[] = {{44, engine::SearchPreset::kLimitAlbum},   {45, engine::SearchPreset::kLimitTrack},
                                     {46, engine::SearchPreset::kLimitGenre},   {47, engine::SearchPreset::kLimitBitrate},
                                     {51, engine::SearchPreset::kLimitBpm},     {49, engine::SearchPreset::kLimitType}};

// The unit boxes' texts, in the order of the unit letters.
constexpr int kDateUnitTexts[] = {2358, 2359, 2360, 2361, 2362, 2363, 2364, 2365, 2366};
constexpr int kSizeUnitTexts[] = {1229, 12301, 12302, 12303};

QString Format(int id, std::initializer_list<lang::FormatArg> args) {
  return ToQString(lang::FormatText(lang::GetTextOrEnglish(id), args));
}

// A label's text as a field name in a message: no mnemonic, no colon.
QString FieldName(const QString& label) {
  QString name = label;
  name.remove(QLatin1Char('&'));
  while (name.endsWith(QLatin1Char(':'))) name.chop(1);
  return name.trimmed();
}

bool HasLineBreak(const QString& text) {
  return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.contains(QChar(0));
}

QLineEdit* DigitsField(QWidget* parent, int digits) {
  auto* field = new QLineEdit(parent);
  field->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("\\d{0,%1}").arg(digits)), field));
  field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QString(12, QLatin1Char('0'))) + 12);
  return field;
}

std::optional<uint64_t> ParseCount(const QString& text) {
  const QByteArray digits = text.trimmed().toLatin1();
  if (digits.isEmpty()) return 0;
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
  if (error != std::errc() || end != digits.constData() + digits.size()) return std::nullopt;
  return value;
}

// "yyyy-mm-dd" and "hh:mm[:ss]" as the date and time fields show them (local time).
QString DateText(const platform::CalendarTime& t) {
  return QStringLiteral("%1-%2-%3").arg(t.year, 4, 10, QLatin1Char('0')).arg(t.month, 2, 10, QLatin1Char('0'))
      .arg(t.day, 2, 10, QLatin1Char('0'));
}
QString TimeText(const platform::CalendarTime& t) {
  return QStringLiteral("%1:%2:%3").arg(t.hour, 2, 10, QLatin1Char('0')).arg(t.minute, 2, 10, QLatin1Char('0'))
      .arg(t.second, 2, 10, QLatin1Char('0'));
}

bool ParseDate(const QString& text, platform::CalendarTime& t) {
  static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{4})-(\\d{1,2})-(\\d{1,2})\\s*$"));
  const QRegularExpressionMatch m = pattern.match(text);
  if (!m.hasMatch()) return false;
  t.year = m.captured(1).toInt();
  t.month = m.captured(2).toInt();
  t.day = m.captured(3).toInt();
  platform::CalendarTime check = t;
  check.hour = check.minute = check.second = check.milliseconds = 0;
  return t.year >= 1601 && platform::CalendarUtcToFileTime(check).has_value();
}

bool ParseTime(const QString& text, platform::CalendarTime& t) {
  static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*$"));
  const QRegularExpressionMatch m = pattern.match(text);
  if (!m.hasMatch()) return false;
  t.hour = m.captured(1).toInt();
  t.minute = m.captured(2).toInt();
  t.second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
  t.milliseconds = 0;
  return t.hour < 24 && t.minute < 60 && t.second < 60;
}

QPushButton* Button(int id, QWidget* parent) {
  auto* button = new QPushButton(Text(id), parent);
  button->setObjectName(QString::number(id));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

// --- NumberBox ----------------------------------------------------------------------------------

NumberBox::NumberBox(int stepMaximum, bool allowEmpty, QWidget* parent)
    : QSpinBox(parent), m_stepMaximum(stepMaximum), m_allowEmpty(allowEmpty) {
  // Wide enough to keep any typed number; the range check is OK's.
  setRange(allowEmpty ? -1 : 0, 999999);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(true);
}

std::optional<long long> NumberBox::TypedValue() const {
  const QString text = cleanText().trimmed();
  if (text.isEmpty()) return m_allowEmpty ? std::optional<long long>(-1) : std::nullopt;
  bool ok = false;
  const long long value = text.toLongLong(&ok);
  if (!ok) return std::nullopt;
  return value;
}

QValidator::State NumberBox::validate(QString& input, int& /*pos*/) const {
  const QString text = input.trimmed();
  if (text.isEmpty()) return m_allowEmpty ? QValidator::Acceptable : QValidator::Intermediate;
  if (text.size() > 6) return QValidator::Invalid;
  for (const QChar c : text)
    if (!c.isDigit()) return QValidator::Invalid;
  return QValidator::Acceptable;
}

void NumberBox::fixup(QString& /*input*/) const {}

int NumberBox::valueFromText(const QString& text) const {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return m_allowEmpty ? -1 : 0;
  return trimmed.toInt();
}

QString NumberBox::textFromValue(int value) const {
  if (value < 0) return QString();
  return QString::number(value);
}

void NumberBox::stepBy(int steps) {
  const long long typed = TypedValue().value_or(0);
  const long long next = std::clamp<long long>(typed + steps, 0, m_stepMaximum);
  setValue(static_cast<int>(next));
  selectAll();
}

QAbstractSpinBox::StepEnabled NumberBox::stepEnabled() const {
  const long long typed = TypedValue().value_or(0);
  StepEnabled enabled = StepNone;
  if (typed < m_stepMaximum) enabled |= StepUpEnabled;
  if (typed > 0) enabled |= StepDownEnabled;
  return enabled;
}

// --- MountSelectionDialog -------------------------------------------------------------------------

MountSelectionDialog::MountSelectionDialog(std::function<std::vector<std::u16string>()> listMounts,
                                           platform::UiDispatcher& dispatcher, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(Text(5509));
  m_list = new QListWidget(this);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
  auto* buttons = new QDialogButtonBox(this);
  m_ok = buttons->addButton(Text(99), QDialogButtonBox::AcceptRole);
  buttons->addButton(Text(2), QDialogButtonBox::RejectRole);
  m_ok->setEnabled(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_list, &QListWidget::itemSelectionChanged, this,
          [this] { m_ok->setEnabled(!m_list->selectedItems().isEmpty()); });
  connect(m_list, &QListWidget::itemActivated, this, [this] { accept(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list);
  layout->addWidget(buttons);

  // The listing may wait on a slow or hung file system: it runs on a thread of its own and hands
  // its result to this thread through the dispatcher. The call is built here, on this thread.
  auto places = std::make_shared<std::vector<std::u16string>>();
  std::function<void()> deliver = [self = QPointer<MountSelectionDialog>(this), places] {
    if (self) self->Fill(*places);
  };
  m_worker = std::thread([list = std::move(listMounts), places, deliver = std::move(deliver), &dispatcher]() mutable {
    try {
      *places = list ? list() : platform::MountedFileSystems();
    } catch (...) {
      places->clear();
    }
    dispatcher.Post(std::move(deliver));
  });
}

MountSelectionDialog::~MountSelectionDialog() {
  if (m_worker.joinable()) m_worker.join();
}

void MountSelectionDialog::Fill(const std::vector<std::u16string>& places) {
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (const std::u16string& place : places) m_list->addItem(new QListWidgetItem(icon, ToQString(place)));
  if (m_list->count() > 0) m_list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  m_filled = true;
  emit filled();
}

std::vector<std::u16string> MountSelectionDialog::Selected() const {
  std::vector<std::u16string> out;
  for (int i = 0; i < m_list->count(); ++i)
    if (m_list->item(i)->isSelected()) out.push_back(ToU16(m_list->item(i)->text()));
  return out;
}

// --- PresetDialog -------------------------------------------------------------------------------

PresetDialog::PresetDialog(const engine::SearchPreset& preset, settings::SettingsStore& mainSettings,
                           platform::UiDispatcher& dispatcher, PresetDialogHooks hooks, QWidget* parent)
    : QDialog(parent), m_settings(mainSettings), m_dispatcher(dispatcher), m_hooks(std::move(hooks)), m_preset(preset) {
  setWindowTitle(Text(2300));
  setObjectName(QStringLiteral("2300"));

  // The file the preset is saved to.
  auto* fileLabel = new QLabel(Text(2371), this);
  m_file = new QLineEdit(this);
  m_file->setObjectName(QStringLiteral("2373"));
  m_file->setMaxLength(kPresetFileLength);
  fileLabel->setBuddy(m_file);
  auto* fileButton = new QToolButton(this);
  fileButton->setText(QStringLiteral("..."));
  fileButton->setObjectName(QStringLiteral("2374"));
  fileButton->setToolTip(Text(12300));
  connect(fileButton, &QToolButton::clicked, this, &PresetDialog::ChoosePresetFile);
  auto* fileNote = new QLabel(Text(2372), this);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileLabel);
  fileRow->addWidget(m_file, 1);
  fileRow->addWidget(fileButton);
  fileRow->addWidget(fileNote);

  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(BuildFolders(), 1);
  left->addWidget(BuildComparison());
  columns->addLayout(left, 1);
  columns->addWidget(BuildFilter(), 1);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(Text(99), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("99"));
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton(Text(2), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("2"));
  connect(buttons, &QDialogButtonBox::accepted, this, &PresetDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addLayout(columns, 1);
  layout->addWidget(buttons);

  Fill(preset);
  m_folders->setFocus(Qt::OtherFocusReason);
}

QWidget* PresetDialog::BuildFolders() {
  auto* box = new QWidget(this);
  auto* label = new QLabel(Text(2375), box);
  m_folders = new QListWidget(box);
  m_folders->setObjectName(QStringLiteral("2377"));
  m_folders->setEditTriggers(QAbstractItemView::EditKeyPressed);
  m_folders->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
  m_folders->setMinimumHeight(fontMetrics().height() * 6);
  label->setBuddy(m_folders);
  connect(m_folders, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { SetExcluded(item, !item->data(Qt::UserRole).toBool()); });
  connect(m_folders, &QListWidget::currentRowChanged, this, [this] { UpdateFolderButtons(); });

  auto* buttons = new QVBoxLayout;
  for (const int id : {6990, 6993, 2379, 6997, 6991, 6992, 5509}) buttons->addWidget(Button(id, box));
  buttons->addStretch(1);
  connect(ControlAs<QPushButton>(6990), &QPushButton::clicked, this, &PresetDialog::ChooseFolder);
  connect(ControlAs<QPushButton>(6993), &QPushButton::clicked, this, [this] {
    if (QListWidgetItem* item = m_folders->currentItem()) m_folders->editItem(item);
  });
  connect(ControlAs<QPushButton>(2379), &QPushButton::clicked, this, [this] {
    if (QListWidgetItem* item = m_folders->currentItem()) SetExcluded(item, !item->data(Qt::UserRole).toBool());
  });
  connect(ControlAs<QPushButton>(6997), &QPushButton::clicked, this, [this] {
    delete m_folders->takeItem(m_folders->currentRow());
    UpdateFolderButtons();
  });
  connect(ControlAs<QPushButton>(6991), &QPushButton::clicked, this, [this] { MoveSelected(-1); });
  connect(ControlAs<QPushButton>(6992), &QPushButton::clicked, this, [this] { MoveSelected(1); });
  connect(ControlAs<QPushButton>(5509), &QPushButton::clicked, this, &PresetDialog::ChooseDrives);

  m_recurse = new QCheckBox(Text(2378), box);
  m_recurse->setObjectName(QStringLiteral("2378"));

  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(label, 0, 0);
  grid->addWidget(m_folders, 1, 0);
  grid->addLayout(buttons, 1, 1);
  grid->addWidget(m_recurse, 2, 0, 1, 2);
  grid->setRowStretch(1, 1);
  return box;
}

QWidget* PresetDialog::BuildComparison() {
  auto* box = new QWidget(this);
  m_similarity = new QGroupBox(Text(2381), box);
  m_similarity->setObjectName(QStringLiteral("2381"));
  m_similarity->setCheckable(true);
  m_artist = new NumberBox(kPercentMaximum, false, m_similarity);
  m_artist->setObjectName(QStringLiteral("2383"));
  m_title = new NumberBox(kPercentMaximum, false, m_similarity);
  m_title->setObjectName(QStringLiteral("2386"));
  auto* artistLabel = new QLabel(Text(42), m_similarity);
  artistLabel->setObjectName(QStringLiteral("42"));
  artistLabel->setBuddy(m_artist);
  auto* titleLabel = new QLabel(Text(43), m_similarity);
  titleLabel->setObjectName(QStringLiteral("43"));
  titleLabel->setBuddy(m_title);
  auto* test = new QToolButton(m_similarity);
  test->setText(QStringLiteral("?"));
  test->setObjectName(QStringLiteral("2388"));
  test->setToolTip(Text(2400));
  connect(test, &QToolButton::clicked, this, [this] {
    if (m_hooks.showSimilarity) m_hooks.showSimilarity();
  });
  auto* similarity = new QGridLayout(m_similarity);
  similarity->addWidget(artistLabel, 0, 0);
  similarity->addWidget(m_artist, 0, 1);
  similarity->addWidget(new QLabel(QStringLiteral("%"), m_similarity), 0, 2);
  similarity->addWidget(titleLabel, 1, 0);
  similarity->addWidget(m_title, 1, 1);
  similarity->addWidget(new QLabel(QStringLiteral("%"), m_similarity), 1, 2);
  similarity->addWidget(test, 0, 4, 2, 1, Qt::AlignTop);
  similarity->setColumnStretch(3, 1);

  m_duration = new NumberBox(kToleranceMaximum, true, box);
  m_duration->setObjectName(QStringLiteral("2391"));
  auto* durationLabel = new QLabel(Text(2390), box);
  durationLabel->setObjectName(QStringLiteral("2390"));
  durationLabel->setBuddy(m_duration);
  auto* duration = new QHBoxLayout;
  duration->addWidget(durationLabel);
  duration->addWidget(m_duration);
  duration->addWidget(new QLabel(Text(2360), box));
  duration->addStretch(1);

  auto* limitsLabel = new QLabel(Text(2395), box);
  m_limits = new QListWidget(box);
  m_limits->setObjectName(QStringLiteral("2394"));
  limitsLabel->setBuddy(m_limits);
  for (const LimitItem& item : kLimitItems) {
    auto* entry = new QListWidgetItem(Text(item.id), m_limits);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
  }
  // Tall enough for all six items: nothing scrolls.
  m_limits->setFixedHeight(m_limits->sizeHintForRow(0) * static_cast<int>(std::size(kLimitItems)) +
                           2 * m_limits->frameWidth() + 2);
  // Space toggles the focused item, a double click the clicked one; Enter stays the dialog's OK.
  connect(m_limits, &QListWidget::itemDoubleClicked, this, [](QListWidgetItem* item) {
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  });

  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_similarity);
  layout->addLayout(duration);
  layout->addWidget(limitsLabel);
  layout->addWidget(m_limits);
  return box;
}

PresetDialog::DateRow PresetDialog::MakeDateRow(int checkId, int unitId, int countId, int dateId, int timeId,
                                                int moreId, const QString& sign) {
  DateRow row;
  row.on = new QCheckBox(sign, m_filter);
  row.on->setObjectName(QString::number(checkId));
  row.unit = new QComboBox(m_filter);
  row.unit->setObjectName(QString::number(unitId));
  for (const int id : kDateUnitTexts) row.unit->addItem(Text(id));
  row.count = DigitsField(m_filter, 20);
  row.count->setObjectName(QString::number(countId));
  row.date = new QLineEdit(m_filter);
  row.date->setObjectName(QString::number(dateId));
  row.date->setPlaceholderText(Text(12313));
  row.date->setMaxLength(10);
  row.time = new QLineEdit(m_filter);
  row.time->setObjectName(QString::number(timeId));
  row.time->setPlaceholderText(Text(12314));
  row.time->setMaxLength(8);
  for (QLineEdit* field : {row.date, row.time})
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 16);
  row.more = new QToolButton(m_filter);
  row.more->setText(QStringLiteral("..."));
  row.more->setObjectName(QString::number(moreId));
  row.more->setToolTip(Text(2200));
  auto* menu = new QMenu(row.more);
  QLineEdit* date = row.date;
  QLineEdit* time = row.time;
  menu->addAction(Text(2211), this, [date, time] {
    const platform::CalendarTime now = platform::FileTimeToCalendarLocal(platform::FileTimeNow());
    date->setText(DateText(now));
    time->setText(TimeText(now));
  });
  menu->addAction(Text(2214), this, [date, time] {
    QApplication::clipboard()->setText(date->text() + QLatin1Char(' ') + time->text());
  });
  menu->addAction(Text(2215), this, [date, time] {
    const QStringList parts = QApplication::clipboard()->text().trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!parts.isEmpty()) date->setText(parts.front().left(10));
    if (parts.size() > 1) time->setText(parts.at(1).left(8));
  });
  // A menu of its own rather than the button's: the arrow a menu button draws would cover the dots.
  QToolButton* more = row.more;
  connect(more, &QToolButton::clicked, menu, [menu, more] { menu->popup(more->mapToGlobal(QPoint(0, more->height()))); });
  return row;
}

PresetDialog::SizeRow PresetDialog::MakeSizeRow(int checkId, int numberId, int unitId, const QString& sign) {
  SizeRow row;
  row.on = new QCheckBox(sign, m_filter);
  row.on->setObjectName(QString::number(checkId));
  row.number = DigitsField(m_filter, 20);
  row.number->setObjectName(QString::number(numberId));
  row.unit = new QComboBox(m_filter);
  row.unit->setObjectName(QString::number(unitId));
  for (const int id : kSizeUnitTexts) row.unit->addItem(Text(id));
  return row;
}

QWidget* PresetDialog::BuildFilter() {
  m_filter = new QGroupBox(Text(2370), this);
  m_filter->setObjectName(QStringLiteral("2370"));
  m_filter->setCheckable(true);

  auto* nameLabel = new QLabel(Text(2301), m_filter);
  auto* maskLabel = new QLabel(Text(2302), m_filter);
  maskLabel->setObjectName(QStringLiteral("2302"));
  m_mask = new QLineEdit(m_filter);
  m_mask->setObjectName(QStringLiteral("2304"));
  m_mask->setMaxLength(kMaskLength);
  maskLabel->setBuddy(m_mask);
  auto* excludeLabel = new QLabel(Text(2303), m_filter);
  excludeLabel->setObjectName(QStringLiteral("2303"));
  m_exclude = new QLineEdit(m_filter);
  m_exclude->setObjectName(QStringLiteral("2306"));
  m_exclude->setMaxLength(kMaskLength);
  excludeLabel->setBuddy(m_exclude);

  auto* dateLabel = new QLabel(Text(2308), m_filter);
  m_dateKind = new QComboBox(m_filter);
  m_dateKind->setObjectName(QStringLiteral("2315"));
  for (const int id : {2309, 2310, 2312}) m_dateKind->addItem(Text(id));
  dateLabel->setBuddy(m_dateKind);
  m_lowerDate = MakeDateRow(2316, 2317, 2321, 2318, 2319, 2320, QStringLiteral(">="));
  m_upperDate = MakeDateRow(2324, 2325, 2330, 2326, 2327, 2329, QStringLiteral("<="));
  for (DateRow* row : {&m_lowerDate, &m_upperDate}) {
    connect(row->on, &QCheckBox::toggled, this, [this, row] { UpdateDateRow(*row); });
    connect(row->unit, &QComboBox::currentIndexChanged, this, [this, row] { UpdateDateRow(*row); });
  }

  auto* lengthLabel = new QLabel(Text(2342), m_filter);
  m_lowerSize = MakeSizeRow(2343, 2344, 2345, QStringLiteral(">="));
  m_upperSize = MakeSizeRow(2346, 2347, 2348, QStringLiteral("<="));
  for (SizeRow* row : {&m_lowerSize, &m_upperSize}) {
    auto update = [row] {
      row->number->setEnabled(row->on->isChecked());
      row->unit->setEnabled(row->on->isChecked());
    };
    connect(row->on, &QCheckBox::toggled, this, update);
    update();
  }

  auto* attributesLabel = new QLabel(Text(2349), m_filter);
  auto* attributes = new QGridLayout;
  for (size_t i = 0; i < std::size(kAttributeBoxes); ++i) {
    auto* box = new QCheckBox(Text(kAttributeBoxes[i].id), m_filter);
    box->setObjectName(QString::number(kAttributeBoxes[i].id));
    box->setTristate(true);
    attributes->addWidget(box, static_cast<int>(i / 2), static_cast<int>(i % 2));
    m_attributes.push_back(box);
  }

  auto* grid = new QGridLayout(m_filter);
  int r = 0;
  grid->addWidget(nameLabel, r++, 0, 1, 2);
  grid->addWidget(maskLabel, r, 0);
  grid->addWidget(m_mask, r++, 1);
  grid->addWidget(excludeLabel, r, 0);
  grid->addWidget(m_exclude, r++, 1);
  grid->addWidget(dateLabel, r, 0);
  grid->addWidget(m_dateKind, r++, 1, Qt::AlignLeft);
  for (DateRow* row : {&m_lowerDate, &m_upperDate}) {
    auto* first = new QHBoxLayout;
    first->addWidget(row->unit);
    first->addWidget(row->count);
    first->addStretch(1);
    auto* second = new QHBoxLayout;
    second->addWidget(row->date);
    second->addWidget(row->time);
    second->addWidget(row->more);
    second->addStretch(1);
    grid->addWidget(row->on, r, 0);
    grid->addLayout(first, r++, 1);
    grid->addLayout(second, r++, 1);
  }
  grid->addWidget(lengthLabel, r++, 0, 1, 2);
  for (SizeRow* row : {&m_lowerSize, &m_upperSize}) {
    auto* line = new QHBoxLayout;
    line->addWidget(row->number);
    line->addWidget(row->unit);
    line->addStretch(1);
    grid->addWidget(row->on, r, 0);
    grid->addLayout(line, r++, 1);
  }
  grid->addWidget(attributesLabel, r++, 0, 1, 2);
  grid->addLayout(attributes, r++, 0, 1, 2);
  grid->setRowStretch(r, 1);
  grid->setColumnStretch(1, 1);
  return m_filter;
}

QWidget* PresetDialog::Control(int id) const { return findChild<QWidget*>(QString::number(id)); }

// --- Filling ------------------------------------------------------------------------------------

void PresetDialog::Fill(const engine::SearchPreset& preset) {
  m_file->setText(ToQString(preset.presetFile));
  for (const std::u16string& entry : preset.folderList) {
    if (entry.empty()) continue;
    AddFolderEntry(ToQString(std::u16string_view(entry).substr(1)), entry.front() == u'-');
  }
  if (m_folders->count() > 0) m_folders->setCurrentRow(0);
  UpdateFolderButtons();
  m_recurse->setChecked(preset.noRecursion == 0);

  m_similarity->setChecked(preset.useSimilarity != 0);
  m_artist->setValue(static_cast<int>(std::min<uint32_t>(preset.artistThreshold, 999999)));
  m_title->setValue(static_cast<int>(std::min<uint32_t>(preset.titleThreshold, 999999)));
  m_duration->setValue(preset.durationTolerance < 0 ? -1 : std::min(preset.durationTolerance, 999999));
  for (int i = 0; i < m_limits->count(); ++i) {
    m_limits->item(i)->setCheckState((preset.moreLimitations & kLimitItems[i].bit) ? Qt::Checked : Qt::Unchecked);
  }

  const engine::FileFilter& filter = preset.filter;
  m_filter->setChecked(preset.filterEnabled != 0);
  m_mask->setText(ToQString(filter.lower.mask));
  m_exclude->setText(ToQString(filter.upper.mask));
  m_dateKind->setCurrentIndex(std::min<int>(filter.dateKind, 2));
  FillDateRow(m_lowerDate, filter.lower);
  FillDateRow(m_upperDate, filter.upper);
  FillSizeRow(m_lowerSize, filter.lower);
  FillSizeRow(m_upperSize, filter.upper);
  for (size_t i = 0; i < m_attributes.size(); ++i) {
    const uint16_t bit = kAttributeBoxes[i].bit;
    m_attributes[i]->setCheckState((filter.lower.attributes & bit)   ? Qt::Checked
                                   : (filter.upper.attributes & bit) ? Qt::Unchecked
                                                                     : Qt::PartiallyChecked);
  }
}

void PresetDialog::FillDateRow(DateRow& row, const engine::FilterBound& bound) {
  const size_t unit = bound.dateUnit == 0 ? std::string_view::npos : engine::kDateUnits.find(bound.dateUnit);
  const bool on = unit != std::string_view::npos;
  row.on->setChecked(on);
  row.unit->setCurrentIndex(on ? static_cast<int>(unit) : 5);  // Days
  const bool absolute = on && (bound.dateUnit == 'D' || bound.dateUnit == 'T');
  const platform::CalendarTime now = platform::FileTimeToCalendarLocal(platform::FileTimeNow());
  const platform::CalendarTime stored = absolute ? platform::FileTimeToCalendarLocal(bound.dateValue) : now;
  row.date->setText(DateText(bound.dateUnit == 'D' ? stored : now));
  row.time->setText(absolute ? TimeText(stored) : QStringLiteral("00:00:00"));
  row.count->setText(on && !absolute ? QString::number(bound.dateValue) : QString());
  UpdateDateRow(row);
}

void PresetDialog::FillSizeRow(SizeRow& row, const engine::FilterBound& bound) {
  const size_t unit = bound.sizeUnit == 0 ? std::string_view::npos : engine::kSizeUnits.find(bound.sizeUnit);
  const bool on = unit != std::string_view::npos;
  row.on->setChecked(on);
  row.unit->setCurrentIndex(on ? static_cast<int>(unit) : 1);  // KB
  row.number->setText(on ? QString::number(bound.sizeValue) : QString());
}

void PresetDialog::UpdateDateRow(DateRow& row) {
  const bool on = row.on->isChecked();
  const int unit = row.unit->currentIndex();
  row.unit->setEnabled(on);
  row.count->setEnabled(on && unit >= 2);
  row.date->setEnabled(on && unit == 0);
  row.time->setEnabled(on && unit <= 1);
  row.more->setEnabled(on && unit <= 1);
}

// --- The folder list ----------------------------------------------------------------------------

void PresetDialog::AddFolderEntry(const QString& folder, bool excluded) {
  auto* item = new QListWidgetItem(folder, m_folders);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  SetExcluded(item, excluded);
}

void PresetDialog::SetExcluded(QListWidgetItem* item, bool excluded) {
  item->setData(Qt::UserRole, excluded);
  item->setIcon(style()->standardIcon(excluded ? QStyle::SP_DialogCancelButton : QStyle::SP_DirIcon));
  item->setToolTip(excluded ? FieldName(Text(2379)) : QString());
}

bool PresetDialog::AddFolder(const QString& folder) {
  if (folder.isEmpty()) return false;
  for (int i = 0; i < m_folders->count(); ++i)
    if (m_folders->item(i)->text() == folder) {
      m_folders->setCurrentRow(i);
      return false;
    }
  AddFolderEntry(folder, false);
  m_folders->setCurrentRow(m_folders->count() - 1);
  UpdateFolderButtons();
  return true;
}

std::vector<std::u16string> PresetDialog::FolderEntries() const {
  std::vector<std::u16string> entries;
  for (int i = 0; i < m_folders->count(); ++i) {
    const QListWidgetItem* item = m_folders->item(i);
    entries.push_back((item->data(Qt::UserRole).toBool() ? u"-" : u"+") + ToU16(item->text()));
  }
  return entries;
}

void PresetDialog::UpdateFolderButtons() {
  const int row = m_folders->currentRow();
  const bool selected = row >= 0 && row < m_folders->count();
  for (const int id : {6993, 2379, 6997}) Control(id)->setEnabled(selected);
  Control(6991)->setEnabled(selected && row > 0);
  Control(6992)->setEnabled(selected && row + 1 < m_folders->count());
}

void PresetDialog::MoveSelected(int by) {
  const int row = m_folders->currentRow();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= m_folders->count()) return;
  QListWidgetItem* item = m_folders->takeItem(row);
  m_folders->insertItem(to, item);
  m_folders->setCurrentRow(to);
  UpdateFolderButtons();
}

void PresetDialog::ChooseFolder() {
  if (!m_hooks.askFolder) return;
  const QListWidgetItem* current = m_folders->currentItem();
  const QString folder = m_hooks.askFolder(FieldName(Text(6990)), current ? current->text() : QString());
  AddFolder(folder);
  m_folders->setFocus();
}

void PresetDialog::ChooseDrives() {
  if (m_mountDialog) {
    m_mountDialog->raise();
    return;
  }
  m_mountDialog = new MountSelectionDialog(m_hooks.listMounts, m_dispatcher, this);
  m_mountDialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(m_mountDialog, &QDialog::accepted, this, [this] {
    for (const std::u16string& place : m_mountDialog->Selected()) AddFolder(ToQString(place));
  });
  m_mountDialog->open();
}

void PresetDialog::ChoosePresetFile() {
  if (!m_hooks.askSaveFile) return;
  const QString filters = QStringLiteral("%1 (*.tnq);;%2 (*)").arg(Text(12300), Text(12018));
  QString path = m_hooks.askSaveFile(FieldName(Text(2371)), m_file->text(), filters);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".tnq");
  m_file->setText(path);
  m_file->setFocus();
}

// --- Reading and storing ----------------------------------------------------------------------

std::optional<PresetDialog::Refusal> PresetDialog::ReadDateRow(const DateRow& row, const QString& field,
                                                               engine::FilterBound& bound) const {
  bound.dateUnit = 0;
  bound.dateValue = 0;
  if (!row.on->isChecked()) return std::nullopt;
  const int unit = std::clamp(row.unit->currentIndex(), 0, static_cast<int>(engine::kDateUnits.size()) - 1);
  const char letter = engine::kDateUnits[static_cast<size_t>(unit)];
  if (letter == 'D' || letter == 'T') {
    platform::CalendarTime t;
    if (letter == 'D' && !ParseDate(row.date->text(), t))
      return Refusal{row.date, Format(12306, {ToU16(field), ToU16(row.date->text())})};
    if (letter == 'T') {
      t.year = 1980;
      t.month = 1;
      t.day = 2;
    }
    if (!ParseTime(row.time->text(), t))
      return Refusal{row.time, Format(12307, {ToU16(field), ToU16(row.time->text())})};
    const std::optional<platform::FileTime> utc = platform::CalendarLocalToFileTime(t);
    if (!utc) return Refusal{row.date, Format(12306, {ToU16(field), ToU16(row.date->text())})};
    bound.dateUnit = letter;
    bound.dateValue = *utc;
    return std::nullopt;
  }
  const std::optional<uint64_t> count = ParseCount(row.count->text());
  if (!count) return Refusal{row.count, Format(12309, {ToU16(field)})};
  if (*count == 0) return std::nullopt;  // "within the last 0 days" is no condition
  bound.dateUnit = letter;
  bound.dateValue = *count;
  return std::nullopt;
}

std::optional<PresetDialog::Refusal> PresetDialog::ReadSizeRow(const SizeRow& row, const QString& field,
                                                               engine::FilterBound& bound) const {
  bound.sizeUnit = 0;
  bound.sizeValue = 0;
  if (!row.on->isChecked()) return std::nullopt;
  const int unit = std::clamp(row.unit->currentIndex(), 0, static_cast<int>(engine::kSizeUnits.size()) - 1);
  const std::optional<uint64_t> value = ParseCount(row.number->text());
  // The size in bytes must fit the 64 bits a file size has.
  const int shift = unit * 10;
  if (!value || (shift > 0 && *value > (~uint64_t{0} >> shift)))
    return Refusal{row.number, Format(12308, {ToU16(field), ToU16(row.number->text()), ToU16(row.unit->currentText())})};
  bound.sizeUnit = engine::kSizeUnits[static_cast<size_t>(unit)];
  bound.sizeValue = *value;
  return std::nullopt;
}

std::optional<PresetDialog::Refusal> PresetDialog::ReadControls(engine::SearchPreset& out) const {
  engine::SearchPreset preset = m_preset;

  const QString file = m_file->text().trimmed();
  if (HasLineBreak(file)) return Refusal{m_file, Format(12304, {ToU16(FieldName(Text(2371))), ToU16(file)})};
  preset.presetFile = ToU16(file);

  const QString folders = FieldName(Text(2375));
  for (int i = 0; i < m_folders->count(); ++i) {
    QListWidgetItem* item = m_folders->item(i);
    const QString folder = item->text();
    Refusal refusal{m_folders, {}};
    if (HasLineBreak(folder)) refusal.text = Format(12304, {ToU16(folders), ToU16(folder)});
    else if (folder.trimmed().isEmpty()) refusal.text = Format(12310, {ToU16(folders)});
    else if (folder.size() > kFolderCapacity)
      refusal.text = Format(12311, {ToU16(folders), static_cast<uint32_t>(kFolderCapacity)});
    if (!refusal.text.isEmpty()) {
      m_folders->setCurrentItem(item);
      return refusal;
    }
  }
  preset.SetFolderList(FolderEntries());
  preset.noRecursion = m_recurse->isChecked() ? 0 : 1;

  preset.useSimilarity = m_similarity->isChecked() ? 1 : 0;
  struct Percent {
    NumberBox* box;
    int label;
    uint32_t* target;
  };
  for (const Percent& p : {Percent{m_artist, 42, &preset.artistThreshold}, Percent{m_title, 43, &preset.titleThreshold}}) {
    const std::optional<long long> value = p.box->TypedValue();
    if (!value || *value < 0 || *value > kPercentMaximum)
      return Refusal{p.box, Format(12305, {ToU16(FieldName(Text(p.label))), 0u, static_cast<uint32_t>(kPercentMaximum)})};
    *p.target = static_cast<uint32_t>(*value);
  }
  const std::optional<long long> tolerance = m_duration->TypedValue();
  if (!tolerance || *tolerance > kToleranceMaximum)
    return Refusal{m_duration, Format(12305, {ToU16(FieldName(Text(2390))), 0u, static_cast<uint32_t>(kToleranceMaximum)})};
  preset.durationTolerance = static_cast<int32_t>(*tolerance);
  preset.moreLimitations = 0;
  for (int i = 0; i < m_limits->count(); ++i)
    if (m_limits->item(i)->checkState() == Qt::Checked) preset.moreLimitations |= kLimitItems[i].bit;

  preset.filterEnabled = m_filter->isChecked() ? 1 : 0;
  engine::FileFilter& filter = preset.filter;
  for (QLineEdit* mask : {m_mask, m_exclude}) {
    if (HasLineBreak(mask->text())) {
      const QString name = FieldName(Text(mask == m_mask ? 2302 : 2303));
      return Refusal{mask, Format(12304, {ToU16(name), ToU16(mask->text())})};
    }
  }
  filter.lower.mask = ToU16(m_mask->text());
  filter.upper.mask = ToU16(m_exclude->text());
  filter.dateKind = static_cast<uint8_t>(std::clamp(m_dateKind->currentIndex(), 0, 2));
  const QString dateField = FieldName(Text(2308));
  if (auto refusal = ReadDateRow(m_lowerDate, dateField + QStringLiteral(" >="), filter.lower)) return refusal;
  if (auto refusal = ReadDateRow(m_upperDate, dateField + QStringLiteral(" <="), filter.upper)) return refusal;
  const QString sizeField = FieldName(Text(2342));
  if (auto refusal = ReadSizeRow(m_lowerSize, sizeField + QStringLiteral(" >="), filter.lower)) return refusal;
  if (auto refusal = ReadSizeRow(m_upperSize, sizeField + QStringLiteral(" <="), filter.upper)) return refusal;
  // Attribute bits the dialog has no box for (the folder bit) stay as they were.
  uint16_t shown = 0;
  for (const AttributeBox& box : kAttributeBoxes) shown |= box.bit;
  filter.lower.attributes &= static_cast<uint16_t>(~shown);
  filter.upper.attributes &= static_cast<uint16_t>(~shown);
  for (size_t i = 0; i < m_attributes.size(); ++i) {
    const Qt::CheckState state = m_attributes[i]->checkState();
    if (state == Qt::Checked) filter.lower.attributes |= kAttributeBoxes[i].bit;
    else if (state == Qt::Unchecked) filter.upper.attributes |= kAttributeBoxes[i].bit;
  }
  out = std::move(preset);
  return std::nullopt;
}

void PresetDialog::accept() {
  engine::SearchPreset edited;
  if (const std::optional<Refusal> refusal = ReadControls(edited)) {
    // The field keeps what was typed; the message names it and the focus goes there.
    if (m_hooks.showMessage) m_hooks.showMessage(refusal->text);
    if (refusal->field != nullptr) {
      for (QWidget* w = refusal->field->parentWidget(); w != nullptr && w != this; w = w->parentWidget()) {
        if (auto* group = qobject_cast<QGroupBox*>(w); group && group->isCheckable()) group->setChecked(true);
      }
      refusal->field->setFocus(Qt::OtherFocusReason);
      if (auto* line = qobject_cast<QLineEdit*>(refusal->field)) line->selectAll();
      else if (auto* box = qobject_cast<QAbstractSpinBox*>(refusal->field)) box->selectAll();
    }
    return;
  }
  if (const uint32_t code = edited.SaveCurrent(m_settings); code != 0) {
    const QString path = edited.presetFile.empty() ? ToQString(m_settings.GetPath()) : ToQString(edited.presetFile);
    const QString reason = path + QStringLiteral(": ") + QString::fromStdString(platform::ErrorMessage(code));
    if (m_hooks.showMessage) m_hooks.showMessage(Format(12312, {ToU16(reason)}));
    m_file->setFocus(Qt::OtherFocusReason);
    return;
  }
  m_preset = std::move(edited);
  QDialog::accept();
}

void PresetDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    if (m_hooks.showHelp) m_hooks.showHelp();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace tarnq::ui
