// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands on the selected rows: Copy and Move to a folder, Rename the focused row's file,
// Delete (Trash, permanently or by wiping). Every operation runs on the core's worker; the window
// shows its progress (with Cancel), asks about targets that exist, and lists the files that failed
// with the system's reason. The rows whose files are gone leave the list; the rest keep their
// selection, so that what failed can be tried again.
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#include <memory>

#include "app/main_window.h"
#include "lang/format.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "results/file_operations.h"
#include "settings/settings_store.h"
#include "ui/file_dialogs.h"
#include "ui/qt_text.h"
#include "ui/result_model.h"
#include "ui/result_view.h"

namespace tarnq::app {
namespace {

using lang::CommandId;
using results::FileOperation;
using ui::Text;
using ui::ToQString;
using ui::ToU16;

constexpr int kTextCopy = 6203, kTextMove = 6205, kTextDelete = 6600;
constexpr int kTextLoseEveryCopy = 12112, kTextCancelled = 12113;
constexpr int kStatusMessageMs = 20000;

QString OperationMessage(uint32_t code) { return QString::fromStdString(results::OperationErrorMessage(code)); }

}  // namespace

bool MainWindow::RunFileCommand(int id) {
  switch (static_cast<CommandId>(id)) {
    case CommandId::kFileCopy: OpenTransferDialog(false); return true;
    case CommandId::kFileMove: OpenTransferDialog(true); return true;
    case CommandId::kFileRename: OpenRenameDialog(); return true;
    case CommandId::kFileDelete: OpenDeleteDialog(); return true;
    default: return false;
  }
}

ui::ErrorListDialog* MainWindow::FileErrorList() const { return m_errorList.data(); }

// --- The dialogs ----------------------------------------------------------------------------------

void MainWindow::OpenTransferDialog(bool move) {
  if (m_core.List().RowCount() == 0) return;
  QStringList history;
  for (const std::u16string& folder : results::ReadCopyHistory(m_core.Settings())) history << ToQString(folder);
  auto* dialog = new ui::TransferDialog(move, history, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, dialog, move] {
    const QString target = dialog->Target();
    if (target.isEmpty()) return;
    if (!platform::IsAbsolutePath(ToU16(target))) {
      ShowMessage(target + QStringLiteral(": ") + OperationMessage(platform::err::kInvalidName), true);
      return;
    }
    // The files as they are now, when the user confirmed.
    results::FileJob job = m_core.Snapshot();
    if (job.Empty()) return;
    StartFileJob(move ? FileOperation::kMove : FileOperation::kCopy, std::move(job), target,
                 Text(move ? kTextMove : kTextCopy));
  });
  dialog->open();
}

void MainWindow::OpenRenameDialog() {
  results::ResultList& list = m_core.List();
  const int64_t focused = list.FocusedRow();
  if (focused < 0 || static_cast<size_t>(focused) >= list.RowCount()) return;
  const std::u16string path = list.FullPathAt(static_cast<size_t>(focused));
  auto* dialog = new ui::RenameDialog(ToQString(platform::FileNameOf(path)), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->onAccept = [this, focused, path](const QString& name) {
    // The row may have moved meanwhile (a sort): rename it only while it still shows this file.
    results::ResultList& rows = m_core.List();
    if (static_cast<size_t>(focused) >= rows.RowCount() || rows.FullPathAt(static_cast<size_t>(focused)) != path) {
      ShowMessage(ToQString(path) + QStringLiteral(": ") + OperationMessage(results::op_error::kFileChanged), true);
      return true;
    }
    const uint32_t code = m_core.RenameRow(static_cast<size_t>(focused), ToU16(name));
    if (code == 0) {
      RefreshStatus();
      return true;
    }
    // Refused: say which name and why, and let the user correct it.
    const QString named = ToQString(platform::FolderOf(path)) + QStringLiteral("/") + name;
    ShowMessage(named + QStringLiteral(": ") + OperationMessage(code), true);
    return code == results::op_error::kRowDropped;
  };
  dialog->open();
}

void MainWindow::OpenDeleteDialog() {
  const results::FileJob preview = m_core.Snapshot();
  if (preview.Empty()) return;
  const uint32_t options = m_core.Options();
  auto* dialog = new ui::DeleteDialog(ToQString(results::DeleteQuestion(preview)),
                                      (options & results::kOptionNoTrash) == 0, (options & results::kOptionWipe) != 0,
                                      this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, dialog] {
    const bool trash = dialog->TrashBox()->isChecked();
    const bool wipe = dialog->WipeBox()->isChecked();
    uint32_t chosen = m_core.Options() & ~(results::kOptionNoTrash | results::kOptionWipe);
    if (!trash) chosen |= results::kOptionNoTrash;
    if (wipe) chosen |= results::kOptionWipe;
    m_core.SetOptions(chosen);
    m_core.Settings().WriteOption(settings::SettingsStore::kMainSection, chosen);
    // The Trash wins when both are checked.
    const FileOperation operation = trash ? FileOperation::kTrash : wipe ? FileOperation::kWipe : FileOperation::kDelete;
    auto job = std::make_shared<results::FileJob>(m_core.Snapshot());
    if (job->Empty()) return;
    auto start = [this, operation, job] { StartFileJob(operation, std::move(*job), {}, Text(kTextDelete)); };
    if (job->groupsLosingEveryCopy == 0) {
      start();
      return;
    }
    // Every copy of some group is selected: the user says so a second time.
    const QString text = ToQString(lang::FormatText(lang::GetTextOrEnglish(kTextLoseEveryCopy),
                                                    {static_cast<uint64_t>(job->groupsLosingEveryCopy)}));
    auto answer = [start](bool yes) {
      if (yes) start();
    };
    if (askConfirm) {
      askConfirm(text, answer);
      return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, answer](int) {
      answer(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
  });
  dialog->open();
}

// --- The operation --------------------------------------------------------------------------------

void MainWindow::StartFileJob(FileOperation operation, results::FileJob job, const QString& target,
                              const QString& title) {
  // The previous operation's error list makes room for this one's.
  if (m_errorList) m_errorList->close();
  m_errorList = nullptr;
  if (!m_core.StartFileOperation(operation, std::move(job), ToU16(target), true)) {
    QApplication::beep();
    return;
  }
  auto* progress = new ui::FileProgressDialog(title, this);
  progress->setAttribute(Qt::WA_DeleteOnClose);
  connect(progress, &ui::FileProgressDialog::cancelRequested, this, [this] { m_core.Stop(); });
  m_fileProgress = progress;
  progress->show();
}

void MainWindow::OnFileDone(appcore::FileCommand, std::u16string_view path) {
  if (m_fileProgress) m_fileProgress->SetCurrentFile(ToQString(path));
}

void MainWindow::OnFileError(appcore::FileCommand, const results::FileError& error) {
  if (!m_errorList) {
    auto* list = new ui::ErrorListDialog(this);
    list->setAttribute(Qt::WA_DeleteOnClose);
    m_errorList = list;
    list->show();
  }
  m_errorList->AddError(QString::fromStdString(error.Message()), ToQString(error.path));
  m_errorList->SetSummary(ToQString(results::ErrorCountText(static_cast<size_t>(m_errorList->Count()))));
}

void MainWindow::OnFileProgress(appcore::FileCommand, const appcore::FileProgress& progress) {
  if (m_fileProgress) m_fileProgress->SetProgress(progress.files, progress.filesTotal, progress.bytes, progress.bytesTotal);
}

void MainWindow::OnFileExists(appcore::FileCommand command, const appcore::ExistsQuestion& question) {
  QWidget* over = m_fileProgress ? static_cast<QWidget*>(m_fileProgress.data()) : this;
  auto* dialog = new ui::ExistsDialog(command == appcore::FileCommand::kFileMove, ToQString(question.Source()),
                                      ToQString(question.Target()), over);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  // The dialog holds the question: the worker waits until it is answered (Stop answers it too).
  connect(dialog, &ui::ExistsDialog::answered, this,
          [question](platform::ExistsChoice choice, bool forAll) { question.Answer(choice, forAll); });
  dialog->open();
}

void MainWindow::OnFileOperationFinished(appcore::FileCommand, const results::OperationOutcome& outcome) {
  // Closing from here would run inside the core's call: later, from the event loop.
  QTimer::singleShot(0, this, [this, progress = m_fileProgress] {
    if (progress) progress->Finish();
  });
  m_fileProgress = nullptr;
  QString message;
  if (m_errorList) {
    message = ToQString(results::ErrorCountText(static_cast<size_t>(m_errorList->Count())));
    m_errorList->SetSummary(message);
  } else if (outcome.Cancelled()) {
    message = Text(kTextCancelled);
  }
  if (!message.isEmpty()) statusBar()->showMessage(message, kStatusMessageMs);
  RefreshStatus();
  ApplyCommandStates(false);
}

}  // namespace tarnq::app
