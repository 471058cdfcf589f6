// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "lang/format.h"
#include "lang/languages.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

constexpr int kTextCopyTitle = 6203, kTextCopyTo = 6204, kTextMoveTitle = 6205, kTextMoveTo = 6206;
constexpr int kTextDelete = 6600, kTextUseTrash = 6603, kTextWipe = 6604;
constexpr int kTextOk = 99, kTextCancel = 2, kTextClose = 2408;
constexpr int kTextBrowse = 12100, kTextExists = 12101, kTextSource = 12102, kTextOverwrite = 12103,
              kTextSkip = 12104, kTextKeepBoth = 12105, kTextForAll = 12106, kTextFilesOf = 12107,
              kTextErrors = 12108, kTextErrorColumn = 12109, kTextFileColumn = 12110, kTextNewName = 12111;
constexpr int kFitIntervalMs = 4000;

// A label for a path: selectable, wrapped anywhere (paths have few spaces), never elided.
QLabel* PathLabel(const QString& path, QWidget* parent) {
  auto* label = new QLabel(path, parent);
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setWordWrap(true);
  return label;
}

// OK (default) and Cancel, right-aligned.
QHBoxLayout* OkCancel(QDialog* dialog, QPushButton*& ok) {
  ok = new QPushButton(Text(kTextOk), dialog);
  ok->setDefault(true);
  auto* cancel = new QPushButton(Text(kTextCancel), dialog);
  cancel->setAutoDefault(false);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

int WidthOfCharacters(const QWidget* widget, int count) { return widget->fontMetrics().averageCharWidth() * count; }

}  // namespace

// --- Copy and Move --------------------------------------------------------------------------------

TransferDialog::TransferDialog(bool move, const QStringList& history, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(move ? kTextMoveTitle : kTextCopyTitle));
  m_target = new QComboBox(this);
  m_target->setEditable(true);
  m_target->setInsertPolicy(QComboBox::NoInsert);
  m_target->addItems(history);
  m_target->setCurrentIndex(history.isEmpty() ? -1 : 0);
  m_target->lineEdit()->setMaxLength(kMaxTarget);
  m_target->setMinimumWidth(WidthOfCharacters(this, 50));
  m_target->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  auto* label = new QLabel(Text(move ? kTextMoveTo : kTextCopyTo), this);
  label->setBuddy(m_target);
  m_browse = new QPushButton(Text(kTextBrowse), this);
  m_browse->setAutoDefault(false);

  chooseFolder = [this](const QString& start) {
    return QFileDialog::getExistingDirectory(this, windowTitle(), start);
  };
  connect(m_browse, &QPushButton::clicked, this, [this] {
    const QString start = Target().isEmpty() ? QDir::homePath() : Target();
    const QString chosen = chooseFolder ? chooseFolder(start) : QString();
    if (!chosen.isEmpty()) m_target->setEditText(QDir::toNativeSeparators(chosen));
  });

  auto* row = new QHBoxLayout;
  row->addWidget(m_target, 1);
  row->addWidget(m_browse);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addLayout(row);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(OkCancel(this, m_ok));
  setTabOrder(m_target, m_browse);
  setTabOrder(m_browse, m_ok);
  m_target->setFocus(Qt::OtherFocusReason);
  m_target->lineEdit()->selectAll();
}

QString TransferDialog::Target() const { return m_target->currentText().trimmed().left(kMaxTarget); }

// --- The existing target ------------------------------------------------------------------------

ExistsDialog::ExistsDialog(bool move, const QString& source, const QString& target, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(Text(move ? kTextMoveTitle : kTextCopyTitle));
  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(iconSize, iconSize));
  icon->setAlignment(Qt::AlignTop);

  auto* texts = new QVBoxLayout;
  texts->addWidget(new QLabel(Text(kTextExists), this));
  texts->addWidget(PathLabel(target, this));
  texts->addSpacing(fontMetrics().height() / 2);
  texts->addWidget(new QLabel(Text(kTextSource), this));
  texts->addWidget(PathLabel(source, this));
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addLayout(texts, 1);

  m_forAll = new QCheckBox(Text(kTextForAll), this);
  m_overwrite = new QPushButton(Text(kTextOverwrite), this);
  m_skip = new QPushButton(Text(kTextSkip), this);
  m_keepBoth = new QPushButton(Text(kTextKeepBoth), this);
  m_cancel = new QPushButton(Text(kTextCancel), this);
  // Skip changes nothing: it is what Enter does.
  m_skip->setDefault(true);
  for (QPushButton* button : {m_overwrite, m_keepBoth, m_cancel}) button->setAutoDefault(false);
  connect(m_overwrite, &QPushButton::clicked, this, [this] { Answer(platform::ExistsChoice::kOverwrite); });
  connect(m_skip, &QPushButton::clicked, this, [this] { Answer(platform::ExistsChoice::kSkip); });
  connect(m_keepBoth, &QPushButton::clicked, this, [this] { Answer(platform::ExistsChoice::kKeepBoth); });
  connect(m_cancel, &QPushButton::clicked, this, [this] { Answer(platform::ExistsChoice::kCancel); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* button : {m_overwrite, m_skip, m_keepBoth, m_cancel}) buttons->addWidget(button);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_forAll);
  layout->addLayout(buttons);
  setMinimumWidth(WidthOfCharacters(this, 60));
  m_skip->setFocus(Qt::OtherFocusReason);
}

QPushButton* ExistsDialog::ButtonFor(platform::ExistsChoice choice) const {
  switch (choice) {
    case platform::ExistsChoice::kOverwrite: return m_overwrite;
    case platform::ExistsChoice::kSkip: return m_skip;
    case platform::ExistsChoice::kKeepBoth: return m_keepBoth;
    case platform::ExistsChoice::kCancel: return m_cancel;
  }
  return nullptr;
}

void ExistsDialog::Answer(platform::ExistsChoice choice) {
  if (!m_answered) {
    m_answered = true;
    emit answered(choice, m_forAll->isChecked());
  }
  QDialog::done(choice == platform::ExistsChoice::kCancel ? Rejected : Accepted);
}

void ExistsDialog::done(int result) {
  // Escape or the window's close button: the rest of the operation is cancelled.
  if (!m_answered) {
    Answer(platform::ExistsChoice::kCancel);
    return;
  }
  QDialog::done(result);
}

// --- Rename -------------------------------------------------------------------------------------

RenameDialog::RenameDialog(const QString& name, QWidget* parent) : QDialog(parent) {
  setWindowTitle(ShortText(110).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
  m_name = new QLineEdit(name, this);
  m_name->setMinimumWidth(WidthOfCharacters(this, 50));
  auto* label = new QLabel(Text(kTextNewName), this);
  label->setBuddy(m_name);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_name);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(OkCancel(this, m_ok));
  // The name without its extension is selected, as file managers do.
  const int dot = name.lastIndexOf(QLatin1Char('.'));
  m_name->setSelection(0, dot > 0 ? dot : name.size());
  m_name->setFocus(Qt::OtherFocusReason);
}

void RenameDialog::accept() {
  if (onAccept && !onAccept(m_name->text())) {
    m_name->setFocus(Qt::OtherFocusReason);
    return;
  }
  QDialog::accept();
}

// --- Delete -------------------------------------------------------------------------------------

DeleteDialog::DeleteDialog(const QString& question, bool useTrash, bool wipe, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(kTextDelete));
  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
  icon->setAlignment(Qt::AlignTop);
  m_question = new QLabel(question, this);
  m_question->setTextFormat(Qt::PlainText);
  m_question->setWordWrap(true);
  m_question->setMinimumWidth(WidthOfCharacters(this, 45));
  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(m_question, 1);

  m_trash = new QCheckBox(Text(kTextUseTrash), this);
  m_trash->setChecked(useTrash);
  m_wipe = new QCheckBox(Text(kTextWipe), this);
  m_wipe->setChecked(wipe);
  m_wipe->setEnabled(!useTrash);
  connect(m_trash, &QCheckBox::toggled, m_wipe, [this](bool trash) { m_wipe->setEnabled(!trash); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addWidget(m_trash);
  layout->addWidget(m_wipe);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(OkCancel(this, m_ok));
  layout->setSizeConstraint(QLayout::SetFixedSize);
  m_ok->setFocus(Qt::OtherFocusReason);
}

// --- Progress -----------------------------------------------------------------------------------

FileProgressDialog::FileProgressDialog(const QString& title, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title);
  m_file = new QLabel(this);
  m_file->setTextFormat(Qt::PlainText);
  m_file->setMinimumWidth(WidthOfCharacters(this, 60));
  m_count = new QLabel(this);
  m_bar = new QProgressBar(this);
  m_bar->setRange(0, 1000);
  m_bar->setValue(0);
  m_cancel = new QPushButton(Text(kTextCancel), this);
  connect(m_cancel, &QPushButton::clicked, this, &FileProgressDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_file);
  layout->addWidget(m_bar);
  layout->addWidget(m_count);
  layout->addLayout(buttons);
  SetProgress(0, 0, 0, 0);
}

void FileProgressDialog::SetProgress(uint64_t files, uint64_t filesTotal, uint64_t bytes, uint64_t bytesTotal) {
  m_count->setText(ToQString(lang::FormatText(lang::GetTextOrEnglish(kTextFilesOf), {files, filesTotal})));
  const double part = bytesTotal > 0  ? static_cast<double>(std::min(bytes, bytesTotal)) / static_cast<double>(bytesTotal)
                      : filesTotal > 0 ? static_cast<double>(std::min(files, filesTotal)) / static_cast<double>(filesTotal)
                                       : 0.0;
  m_bar->setValue(static_cast<int>(part * m_bar->maximum()));
}

void FileProgressDialog::SetCurrentFile(const QString& path) {
  // Long paths lose their middle rather than widening the dialog.
  m_file->setText(fontMetrics().elidedText(path, Qt::ElideMiddle, std::max(m_file->width(), m_file->minimumWidth())));
  m_file->setToolTip(path);
}

void FileProgressDialog::Finish() { QDialog::done(Accepted); }

void FileProgressDialog::reject() {
  // The dialog stays until the operation has really stopped; the owner closes it then.
  m_cancel->setEnabled(false);
  emit cancelRequested();
}

// --- The error list -----------------------------------------------------------------------------

ErrorListDialog::ErrorListDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(kTextErrors));
  setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
  m_list = new QTreeWidget(this);
  m_list->setColumnCount(2);
  m_list->setHeaderLabels({Text(kTextErrorColumn), Text(kTextFileColumn)});
  m_list->setRootIsDecorated(false);
  m_list->setUniformRowHeights(true);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setMinimumSize(WidthOfCharacters(this, 80), fontMetrics().height() * 12);
  m_summary = new QLabel(this);
  auto* close = new QPushButton(Text(kTextClose), this);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_summary, 1);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list, 1);
  layout->addLayout(bottom);

  m_fitTimer = new QTimer(this);
  m_fitTimer->setSingleShot(true);
  connect(m_fitTimer, &QTimer::timeout, this, &ErrorListDialog::FitColumns);
}

void ErrorListDialog::AddError(const QString& message, const QString& path) {
  auto* item = new QTreeWidgetItem(m_list, {message, path});
  item->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this));
  item->setToolTip(0, message);
  item->setToolTip(1, path);
  if (!m_fitTimer->isActive()) {
    const qint64 since = m_lastFit.isValid() ? m_lastFit.elapsed() : kFitIntervalMs;
    m_fitTimer->start(static_cast<int>(std::max<qint64>(0, kFitIntervalMs - since)));
  }
}

void ErrorListDialog::SetSummary(const QString& text) { m_summary->setText(text); }

int ErrorListDialog::Count() const { return m_list->topLevelItemCount(); }

void ErrorListDialog::FitColumns() {
  m_list->resizeColumnToContents(0);
  m_list->resizeColumnToContents(1);
  m_lastFit.start();
}

}  // namespace tarnq::ui
