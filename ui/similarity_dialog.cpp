// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/similarity_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "engine/similarity.h"
#include "platform/text.h"
#include "ui/qt_text.h"

namespace tarnq::ui {

SimilarityDialog::SimilarityDialog(std::function<void()> showHelp, QWidget* parent)
    : QDialog(parent), m_showHelp(std::move(showHelp)) {
  setWindowTitle(ShortText(2400));

  m_first = new QLineEdit(this);
  m_second = new QLineEdit(this);
  for (QLineEdit* field : {m_first, m_second}) {
    field->setMaxLength(kMaxLength);
    field->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
  }
  m_result = new QLineEdit(this);
  m_result->setReadOnly(true);
  m_result->setFocusPolicy(Qt::NoFocus);
  m_result->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_result->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);

  auto* firstLabel = new QLabel(Text(2401), this);
  auto* secondLabel = new QLabel(Text(2402), this);
  auto* resultLabel = new QLabel(Text(2405), this);
  firstLabel->setBuddy(m_first);
  secondLabel->setBuddy(m_second);

  auto* grid = new QGridLayout;
  grid->addWidget(firstLabel, 0, 0);
  grid->addWidget(m_first, 0, 1, 1, 3);
  grid->addWidget(secondLabel, 1, 0);
  grid->addWidget(m_second, 1, 1, 1, 3);
  grid->addWidget(resultLabel, 2, 0);
  grid->addWidget(m_result, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("%"), this), 2, 2);
  grid->setColumnStretch(3, 1);

  m_test = new QPushButton(Text(2407), this);
  m_test->setDefault(true);
  m_test->setAutoDefault(true);
  m_close = new QPushButton(Text(2408), this);
  m_close->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_test);
  buttons->addWidget(m_close);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(m_first, &QLineEdit::textChanged, this, [this] { Measure(false); });
  connect(m_second, &QLineEdit::textChanged, this, [this] { Measure(false); });
  connect(m_test, &QPushButton::clicked, this, [this] { Measure(true); });
  connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
  m_first->setFocus(Qt::OtherFocusReason);
}

QString SimilarityDialog::ResultText(const QString& first, const QString& second) {
  if (first.isEmpty() || second.isEmpty()) return {};
  // The search compares the texts upper-cased unit by unit; so does the dialog.
  const std::u16string a = platform::UpperUnits(ToU16(first.left(kMaxLength)));
  const std::u16string b = platform::UpperUnits(ToU16(second.left(kMaxLength)));
  return QString::number(engine::SimilarityPercent(a, b));
}

void SimilarityDialog::Measure(bool beepWhenEmpty) {
  const QString text = ResultText(m_first->text(), m_second->text());
  if (text.isEmpty()) {
    // Typing that empties a field clears the result; "Test" with an empty field only beeps.
    if (beepWhenEmpty) {
      QApplication::beep();
    } else {
      m_result->clear();
    }
    return;
  }
  m_result->setText(text);
}

void SimilarityDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    if (m_showHelp) m_showHelp();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace tarnq::ui
