// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/properties_dialog.h"

#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "lang/format.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/time.h"
#include "results/columns.h"
#include "ui/qt_text.h"

namespace tarnq::ui {

namespace {

// The row's texts the window shows, in this order.
constexpr uint16_t kAudioColumns[] = {
    results::column::kType,  results::column::kDuration, results::column::kBitrate, results::column::kArtist,
    results::column::kTitle, results::column::kAlbum,    results::column::kTrack,   results::column::kGenre,
    results::column::kBpm,   results::column::kComment,
};

QString TimeText(platform::FileTime time) {
  if (time == 0) return {};
  const QDateTime local = QDateTime::fromSecsSinceEpoch(platform::FileTimeToUnix(time)).toLocalTime();
  return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// "rw-r--r-- (0644)", with the set-id and sticky bits where ls shows them.
QString PermissionText(uint32_t mode) {
  QString text(9, QLatin1Char('-'));
  const char letters[] = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i) {
    if (mode & (0400u >> i)) text[i] = QLatin1Char(letters[i]);
  }
  const auto special = [&](int at, uint32_t bit, char on, char off) {
    if (mode & bit) text[at] = QLatin1Char(text[at] == QLatin1Char('x') ? on : off);
  };
  special(2, 04000, 's', 'S');
  special(5, 02000, 's', 'S');
  special(8, 01000, 't', 'T');
  return QStringLiteral("%1 (%2)").arg(text).arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

QString NameOrNumber(const std::u16string& name, uint32_t number) {
  return name.empty() ? QString::number(number) : ToQString(name);
}

QString CellOf(const PropertiesFile& file, uint16_t column) {
  for (const auto& [id, text] : file.cells) {
    if (id == column) return ToQString(text);
  }
  return {};
}

}  // namespace

PropertiesFile PropertiesFileOfRow(const results::ResultList& list, size_t index) {
  PropertiesFile file;
  file.path = list.FullPathAt(index);
  file.cells.emplace_back(results::column::kSize, list.CellTextAt(index, results::column::kSize));
  file.cells.emplace_back(results::column::kModified, list.CellTextAt(index, results::column::kModified));
  for (const uint16_t column : kAudioColumns) file.cells.emplace_back(column, list.CellTextAt(index, column));
  return file;
}

std::vector<std::pair<QString, QString>> PropertyLines(const PropertiesFile& file, QString* error) {
  std::vector<std::pair<QString, QString>> lines;
  const std::u16string_view path = file.path;
  const size_t slash = path.rfind(u'/');
  const std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
  const std::u16string_view folder =
      slash == std::u16string_view::npos ? std::u16string_view() : (slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
  lines.emplace_back(Text(results::column::kFilename), ToQString(name));
  lines.emplace_back(Text(12213), ToQString(folder));

  platform::FileStatus status;
  const uint32_t code = platform::GetFileStatus(path, status, true);
  if (code != 0) {
    // Gone or unreadable: what the list knew of it.
    if (error) {
      *error = ToQString(lang::FormatText(lang::GetTextOrEnglish(12207),
                                          {std::u16string_view(ToU16(QString::fromStdString(platform::ErrorMessage(code))))}));
    }
    lines.emplace_back(Text(results::column::kSize), CellOf(file, results::column::kSize));
    lines.emplace_back(Text(results::column::kModified), CellOf(file, results::column::kModified));
  } else {
    if (error) error->clear();
    // Digits grouped as the catalogue's language groups them.
    const QLocale locale(lang::ActiveLanguageCode() == u"DE" ? QLocale::German : QLocale::English);
    lines.emplace_back(Text(results::column::kSize),
                       status.size == platform::kUnknownSize ? CellOf(file, results::column::kSize)
                                                             : locale.toString(static_cast<qulonglong>(status.size)));
    lines.emplace_back(Text(results::column::kModified), TimeText(status.lastWriteTime));
    lines.emplace_back(Text(12202), TimeText(status.lastAccessTime));
    if (status.creationTime != 0) lines.emplace_back(Text(12203), TimeText(status.creationTime));
    lines.emplace_back(Text(12204), QStringLiteral("%1, %2").arg(NameOrNumber(platform::UserName(status.userId), status.userId),
                                                                 NameOrNumber(platform::GroupName(status.groupId), status.groupId)));
    lines.emplace_back(Text(12205), PermissionText(status.mode));
  }
  for (const uint16_t column : kAudioColumns) lines.emplace_back(Text(column), CellOf(file, column));
  return lines;
}

PropertiesDialog::PropertiesDialog(std::vector<PropertiesFile> files, QWidget* parent)
    : QDialog(parent), m_files(std::move(files)) {
  setWindowTitle(Text(12201));
  auto* layout = new QVBoxLayout(this);

  m_fileBox = new QComboBox(this);
  m_fileBox->setObjectName(QStringLiteral("PropertiesFiles"));
  m_fileBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_fileBox->setMinimumContentsLength(30);
  for (const PropertiesFile& file : m_files) {
    const size_t slash = file.path.rfind(u'/');
    m_fileBox->addItem(ToQString(slash == std::u16string::npos ? file.path : file.path.substr(slash + 1)));
  }
  auto* fileLabel = new QLabel(Text(12206) + QLatin1Char(':'), this);
  fileLabel->setBuddy(m_fileBox);
  auto* chooser = new QHBoxLayout;
  chooser->addWidget(fileLabel);
  chooser->addWidget(m_fileBox, 1);
  layout->addLayout(chooser);
  fileLabel->setVisible(m_files.size() > 1);
  m_fileBox->setVisible(m_files.size() > 1);

  m_error = new QLabel(this);
  m_error->setWordWrap(true);
  m_error->hide();
  layout->addWidget(m_error);

  m_form = new QFormLayout;
  m_form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  layout->addLayout(m_form, 1);

  m_close = new QPushButton(Text(2408), this);
  m_close->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_close);
  layout->addLayout(buttons);
  connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_fileBox, &QComboBox::currentIndexChanged, this, &PropertiesDialog::ShowFile);

  setMinimumWidth(fontMetrics().averageCharWidth() * 70);
  ShowFile(0);
}

void PropertiesDialog::ShowFile(int index) {
  while (m_form->rowCount() > 0) m_form->removeRow(0);
  if (index < 0 || static_cast<size_t>(index) >= m_files.size()) return;
  QString error;
  for (const auto& [label, value] : PropertyLines(m_files[static_cast<size_t>(index)], &error)) {
    // Read-only fields: the values can be selected and copied, and Tab reaches each.
    auto* field = new QLineEdit(value, this);
    field->setReadOnly(true);
    field->setCursorPosition(0);
    auto* caption = new QLabel(label + QLatin1Char(':'), this);
    caption->setBuddy(field);
    m_form->addRow(caption, field);
  }
  m_error->setText(error);
  m_error->setVisible(!error.isEmpty());
}

QString PropertiesDialog::ValueOf(const QString& label) const {
  for (int row = 0; row < m_form->rowCount(); ++row) {
    const auto* caption = qobject_cast<QLabel*>(m_form->itemAt(row, QFormLayout::LabelRole)->widget());
    const auto* field = qobject_cast<QLineEdit*>(m_form->itemAt(row, QFormLayout::FieldRole)->widget());
    if (caption && field && caption->text() == label + QLatin1Char(':')) return field->text();
  }
  return {};
}

}  // namespace tarnq::ui
