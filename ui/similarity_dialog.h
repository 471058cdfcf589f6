// SPDX-License-Identifier: GPL-3.0-or-later
// The "Similarity" dialog: two texts and the percentage the search's Artist and Title comparison
// would give them. The result follows every change of either text; "Test" measures again and
// beeps when a text is empty.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLineEdit;
class QPushButton;

namespace tarnq::ui {

class SimilarityDialog final : public QDialog {
  Q_OBJECT
 public:
  // `showHelp` opens the help at this dialog's page (F1); it may be empty.
  explicit SimilarityDialog(std::function<void()> showHelp, QWidget* parent = nullptr);

  QLineEdit* FirstText() const { return m_first; }
  QLineEdit* SecondText() const { return m_second; }
  QLineEdit* ResultField() const { return m_result; }
  QPushButton* TestButton() const { return m_test; }
  QPushButton* CloseButton() const { return m_close; }

  // The percentage of the two texts, both upper-cased first, as the result field shows it; empty
  // when either text is empty.
  static QString ResultText(const QString& first, const QString& second);

  // Texts longer than this are cut by the fields.
  static constexpr int kMaxLength = 255;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Shows the percentage; with `beepWhenEmpty` ("Test") an empty text sounds the beep.
  void Measure(bool beepWhenEmpty);

  std::function<void()> m_showHelp;
  QLineEdit* m_first = nullptr;
  QLineEdit* m_second = nullptr;
  QLineEdit* m_result = nullptr;
  QPushButton* m_test = nullptr;
  QPushButton* m_close = nullptr;
};

}  // namespace tarnq::ui
