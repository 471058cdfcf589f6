// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of the file commands: the target folder of Copy and Move, the question for a target
// that exists, Rename, Delete with its Trash and wipe choices, the progress of a running operation
// and the list of the files that failed. They only show and collect; the main window runs the
// commands. Every one opens without blocking its caller (open() or show()).
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

#include "platform/file_ops.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace tarnq::ui {

// Copy (108) or Move (109): the target folder, with the `Copy` history.
class TransferDialog final : public QDialog {
  Q_OBJECT
 public:
  TransferDialog(bool move, const QStringList& history, QWidget* parent = nullptr);

  // The folder chooser of the browse button (start folder in, chosen folder out, empty: none);
  // tests replace it.
  std::function<QString(const QString& start)> chooseFolder;

  // The target as typed or chosen, without surrounding blanks; at most 1024 characters.
  QString Target() const;
  QComboBox* TargetBox() const { return m_target; }
  QPushButton* BrowseButton() const { return m_browse; }
  QPushButton* OkButton() const { return m_ok; }

  static constexpr int kMaxTarget = 1024;

 private:
  QComboBox* m_target = nullptr;
  QPushButton* m_browse = nullptr;
  QPushButton* m_ok = nullptr;
};

// A target of a running copy or move exists: overwrite, skip, keep both, or cancel the rest; the
// answer may stand for every further target of the operation.
class ExistsDialog final : public QDialog {
  Q_OBJECT
 public:
  ExistsDialog(bool move, const QString& source, const QString& target, QWidget* parent = nullptr);

  QPushButton* ButtonFor(platform::ExistsChoice choice) const;
  QCheckBox* ForAllBox() const { return m_forAll; }

 signals:
  // Exactly once: the choice, or cancel when the dialog is closed otherwise.
  void answered(tarnq::platform::ExistsChoice choice, bool forAll);

 protected:
  void done(int result) override;

 private:
  void Answer(platform::ExistsChoice choice);

  QPushButton* m_overwrite = nullptr;
  QPushButton* m_skip = nullptr;
  QPushButton* m_keepBoth = nullptr;
  QPushButton* m_cancel = nullptr;
  QCheckBox* m_forAll = nullptr;
  bool m_answered = false;
};

// Rename (110): the new name of one file, within its folder.
class RenameDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit RenameDialog(const QString& name, QWidget* parent = nullptr);

  // Called on OK with the new name: true closes the dialog, false keeps it open with what the
  // user typed (the caller has said why).
  std::function<bool(const QString& name)> onAccept;

  QLineEdit* NameField() const { return m_name; }
  QPushButton* OkButton() const { return m_ok; }

  void accept() override;

 private:
  QLineEdit* m_name = nullptr;
  QPushButton* m_ok = nullptr;
};

// Delete (111): the question with the name or the count, and the two choices. "Wipe" can be
// changed only while the Trash is not used (it keeps its check mark meanwhile).
class DeleteDialog final : public QDialog {
  Q_OBJECT
 public:
  DeleteDialog(const QString& question, bool useTrash, bool wipe, QWidget* parent = nullptr);

  QCheckBox* TrashBox() const { return m_trash; }
  QCheckBox* WipeBox() const { return m_wipe; }
  QPushButton* OkButton() const { return m_ok; }
  QLabel* Question() const { return m_question; }

 private:
  QLabel* m_question = nullptr;
  QCheckBox* m_trash = nullptr;
  QCheckBox* m_wipe = nullptr;
  QPushButton* m_ok = nullptr;
};

// The progress of a running file operation; Cancel (or closing it) asks the operation to stop.
class FileProgressDialog final : public QDialog {
  Q_OBJECT
 public:
  FileProgressDialog(const QString& title, QWidget* parent = nullptr);

  // Files handled of the total, and bytes when the total is known (else the bar follows the files).
  void SetProgress(uint64_t files, uint64_t filesTotal, uint64_t bytes, uint64_t bytesTotal);
  // The file being worked on.
  void SetCurrentFile(const QString& path);
  // The operation has ended: the dialog closes.
  void Finish();

  QProgressBar* Bar() const { return m_bar; }
  QPushButton* CancelButton() const { return m_cancel; }
  QLabel* CountLabel() const { return m_count; }

 signals:
  void cancelRequested();

 protected:
  void reject() override;

 private:
  QLabel* m_file = nullptr;
  QLabel* m_count = nullptr;
  QProgressBar* m_bar = nullptr;
  QPushButton* m_cancel = nullptr;
};

// The files that failed: the system's reason (with the error icon) and the file's path.
class ErrorListDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit ErrorListDialog(QWidget* parent = nullptr);

  void AddError(const QString& message, const QString& path);
  // The line under the list ("3 errors occured").
  void SetSummary(const QString& text);
  int Count() const;
  QTreeWidget* List() const { return m_list; }

 private:
  // Fits the columns to their contents, at most every few seconds while lines keep coming.
  void FitColumns();

  QTreeWidget* m_list = nullptr;
  QLabel* m_summary = nullptr;
  QTimer* m_fitTimer = nullptr;
  QElapsedTimer m_lastFit;
};

}  // namespace tarnq::ui
