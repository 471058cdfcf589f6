// SPDX-License-Identifier: GPL-3.0-or-later
// The "Preset" dialog: the folders to search and to skip, recursion, the comparison (similarity
// percentages, duration tolerance, further equal fields) and the file filter (masks, date and size
// conditions, attributes). It edits a copy of a preset; OK checks every field, stores the preset
// where it lives (its .tnq file, or the main settings when the file field is empty) and only then
// closes. A field that cannot be stored is named in a message, keeps its text and gets the focus.
//
// Every control carries its catalogue number as object name (Control(2383) is the Artist box), so
// tests and the help can find it.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QSpinBox>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/preset.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QToolButton;

namespace tarnq::platform {
class UiDispatcher;
}
namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::ui {

// What the dialog asks of its owner. Empty answers mean Cancel.
struct PresetDialogHooks {
  // A folder to add ("Add New").
  std::function<QString(const QString& caption, const QString& start)> askFolder;
  // The preset file to save to (the "..." next to the file field).
  std::function<QString(const QString& caption, const QString& folder, const QString& filters)> askSaveFile;
  // A refusal or a failure; the dialog stays open. Must not block (tests, the scripted mode).
  std::function<void(const QString& text)> showMessage;
  std::function<void()> showHelp;        // F1
  std::function<void()> showSimilarity;  // the "?" next to the percentages
  // The places offered by "Select drives"; runs on a background thread. Empty: the mounted file
  // systems.
  std::function<std::vector<std::u16string>()> listMounts;
};

// A number box that keeps whatever number was typed (so OK can name a value out of range instead of
// silently changing it); the arrows and keys step within [minimum, stepMaximum]. With `allowEmpty`
// an empty box reads as -1.
class NumberBox final : public QSpinBox {
  Q_OBJECT
 public:
  NumberBox(int stepMaximum, bool allowEmpty, QWidget* parent = nullptr);
  int StepMaximum() const { return m_stepMaximum; }
  // The typed value, -1 when empty (with allowEmpty), nullopt when it is no number at all.
  std::optional<long long> TypedValue() const;

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  int valueFromText(const QString& text) const override;
  QString textFromValue(int value) const override;
  void stepBy(int steps) override;
  StepEnabled stepEnabled() const override;

 private:
  int m_stepMaximum;
  bool m_allowEmpty;
};

// "Select drives": the mounted file systems, listed on a background thread, several selectable.
class MountSelectionDialog final : public QDialog {
  Q_OBJECT
 public:
  MountSelectionDialog(std::function<std::vector<std::u16string>()> listMounts,
                       platform::UiDispatcher& dispatcher, QWidget* parent = nullptr);
  ~MountSelectionDialog() override;
  QListWidget* List() const { return m_list; }
  // The selected places, in list order.
  std::vector<std::u16string> Selected() const;
  // The listing has arrived.
  bool Filled() const { return m_filled; }

 signals:
  void filled();

 private:
  void Fill(const std::vector<std::u16string>& places);

  QListWidget* m_list = nullptr;
  QPushButton* m_ok = nullptr;
  bool m_filled = false;
  std::thread m_worker;
};

class PresetDialog final : public QDialog {
  Q_OBJECT
 public:
  PresetDialog(const engine::SearchPreset& preset, settings::SettingsStore& mainSettings,
               platform::UiDispatcher& dispatcher, PresetDialogHooks hooks, QWidget* parent = nullptr);

  // The preset as OK stored it (after accepted()).
  const engine::SearchPreset& Preset() const { return m_preset; }
  // The control with catalogue number `id` (nullptr when there is none).
  QWidget* Control(int id) const;
  template <class W>
  W* ControlAs(int id) const {
    return qobject_cast<W*>(Control(id));
  }
  // The folder list's entries as stored: "+folder" or "-folder".
  std::vector<std::u16string> FolderEntries() const;
  // Adds a folder to search unless the list holds it already; true when added.
  bool AddFolder(const QString& folder);
  // The open "Select drives" dialog, if any.
  MountSelectionDialog* MountDialog() const { return m_mountDialog.data(); }

  // Checks every field and builds the preset; on a refusal returns the field and the message.
  struct Refusal {
    QWidget* field = nullptr;
    QString text;
  };
  std::optional<Refusal> ReadControls(engine::SearchPreset& out) const;

  void accept() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct DateRow {
    QCheckBox* on = nullptr;
    QComboBox* unit = nullptr;
    QLineEdit* count = nullptr;
    QLineEdit* date = nullptr;
    QLineEdit* time = nullptr;
    QToolButton* more = nullptr;
  };
  struct SizeRow {
    QCheckBox* on = nullptr;
    QLineEdit* number = nullptr;
    QComboBox* unit = nullptr;
  };

  QWidget* BuildFolders();
  QWidget* BuildComparison();
  QWidget* BuildFilter();
  DateRow MakeDateRow(int checkId, int unitId, int countId, int dateId, int timeId, int moreId, const QString& sign);
  SizeRow MakeSizeRow(int checkId, int numberId, int unitId, const QString& sign);
  void Fill(const engine::SearchPreset& preset);
  void FillDateRow(DateRow& row, const engine::FilterBound& bound);
  void FillSizeRow(SizeRow& row, const engine::FilterBound& bound);
  std::optional<Refusal> ReadDateRow(const DateRow& row, const QString& field, engine::FilterBound& bound) const;
  std::optional<Refusal> ReadSizeRow(const SizeRow& row, const QString& field, engine::FilterBound& bound) const;
  void UpdateDateRow(DateRow& row);
  void UpdateFolderButtons();
  void AddFolderEntry(const QString& folder, bool excluded);
  void SetExcluded(QListWidgetItem* item, bool excluded);
  void MoveSelected(int by);
  void ChooseFolder();
  void ChooseDrives();
  void ChoosePresetFile();

  settings::SettingsStore& m_settings;
  platform::UiDispatcher& m_dispatcher;
  PresetDialogHooks m_hooks;
  engine::SearchPreset m_preset;

  QLineEdit* m_file = nullptr;
  QListWidget* m_folders = nullptr;
  QCheckBox* m_recurse = nullptr;
  QGroupBox* m_similarity = nullptr;
  NumberBox* m_artist = nullptr;
  NumberBox* m_title = nullptr;
  NumberBox* m_duration = nullptr;
  QListWidget* m_limits = nullptr;
  QGroupBox* m_filter = nullptr;
  QLineEdit* m_mask = nullptr;
  QLineEdit* m_exclude = nullptr;
  QComboBox* m_dateKind = nullptr;
  DateRow m_lowerDate;
  DateRow m_upperDate;
  SizeRow m_lowerSize;
  SizeRow m_upperSize;
  std::vector<QCheckBox*> m_attributes;
  QPointer<MountSelectionDialog> m_mountDialog;
};

}  // namespace tarnq::ui
