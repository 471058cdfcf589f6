// SPDX-License-Identifier: GPL-3.0-or-later
// The "Configuration" dialog: its pages General Options, Columns, Cache, Keyboard Shortcuts, File
// Types and Colors. OK and Apply check every page first: a value that cannot be stored is refused
// with a message naming its field, the page comes to the front and the input stays. Then each page
// writes its keys, the settings are flushed and the window hears `applied` to take them at once.
// Cancel writes nothing.
#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "appcore/shortcuts.h"
#include "results/columns.h"

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::ui {

// What the dialog cannot do itself; the window fills these, tests replace them. Questions and
// messages come back at once (no nested window in the tests).
struct ConfigHooks {
  std::function<void(const QString& text)> showMessage;
  std::function<bool(const QString& question)> ask;
  std::function<QString(const QString& caption, const QString& file, const QString& filters)> askOpenFile;
  std::function<QString(const QString& caption, const QString& file)> askSaveFile;
  std::function<std::optional<QColor>(const QColor& start, const QString& title)> askColor;
  // "Delete now": 0 or the error code.
  std::function<uint32_t()> deleteCache;
  // The cache file in use now.
  std::function<QString()> cachePath;
  // After OK or Apply stored the pages.
  std::function<void()> applied;
};

// Pages in the order the dialog shows them.
enum ConfigPageIndex : int {
  kPageGeneral = 0,
  kPageColumns = 1,
  kPageCache = 2,
  kPageShortcuts = 3,
  kPageFileTypes = 4,
  kPageColors = 5,
  kPageCount = 6,
};

// One page: Check() refuses what it cannot store, Store() writes it.
class ConfigPage : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  // Empty when the page can store what it shows; else the message naming the field, which gets
  // the focus.
  virtual QString Check() { return {}; }
  // Writes the page's keys; the general options travel through `options`.
  virtual void Store(settings::SettingsStore& store, uint32_t& options) = 0;
};

// The general options' check boxes: catalogue id, option bit, checked when the bit is clear.
struct OptionBox {
  int textId;
  uint32_t bit;
  bool inverse;
};
inline constexpr OptionBox kOptionBoxes[] = {
    {5201, 0x40, false},    {5202, 0x10000, false}, {5203, 0x80, false},  {5204, 0x20000, true},
    {5205, 0x200, false},   {5206, 0x20, false},    {5207, 0x100, true},  {5210, 0x4000, true},
    {5211, 0x8000, false},  {5212, 0x1000, false},  {5214, 0x8, true},
};

class GeneralPage final : public ConfigPage {
  Q_OBJECT
 public:
  GeneralPage(uint32_t options, QWidget* parent);
  void Store(settings::SettingsStore& store, uint32_t& options) override;
  QCheckBox* Box(int textId) const;

 private:
  std::vector<QCheckBox*> m_boxes;  // as kOptionBoxes
};

class ColumnsPage final : public ConfigPage {
  Q_OBJECT
 public:
  ColumnsPage(results::ColumnLayout layout, QWidget* parent);
  QString Check() override;
  void Store(settings::SettingsStore& store, uint32_t& options) override;
  results::ColumnLayout Layout() const { return m_layout; }
  QListWidget* Available() const { return m_available; }
  QListWidget* Shown() const { return m_shown; }
  QLineEdit* WidthField() const { return m_width; }

  static constexpr int kMinWidth = 8;
  static constexpr int kMaxWidth = 4000;

 private:
  void Fill();
  void ShowCurrent();
  void TakeWidth();
  void Add();
  void Remove();
  void Move(int by);
  void SetAlignment(uint16_t flags);

  results::ColumnLayout m_layout;
  QListWidget* m_available = nullptr;
  QListWidget* m_shown = nullptr;
  QLineEdit* m_width = nullptr;
  QRadioButton* m_left = nullptr;
  QRadioButton* m_center = nullptr;
  QRadioButton* m_right = nullptr;
  int m_row = -1;  // the layout row the fields show
  QString m_widthError;
};

class CachePage final : public ConfigPage {
  Q_OBJECT
 public:
  CachePage(uint32_t options, QString currentPath, const ConfigHooks& hooks, QWidget* parent);
  QString Check() override;
  void Store(settings::SettingsStore& store, uint32_t& options) override;
  QCheckBox* NoCacheBox() const { return m_noCache; }
  QLineEdit* LocationField() const { return m_location; }
  QPushButton* DeleteButton() const { return m_delete; }

 private:
  void DeleteNow();

  const ConfigHooks& m_hooks;
  QString m_currentPath;
  QCheckBox* m_noCache = nullptr;
  QLineEdit* m_location = nullptr;
  QPushButton* m_delete = nullptr;
};

class ColorsPage final : public ConfigPage {
  Q_OBJECT
 public:
  ColorsPage(settings::SettingsStore& store, const ConfigHooks& hooks, QWidget* parent);
  QString Check() override;
  void Store(settings::SettingsStore& store, uint32_t& options) override;
  QListWidget* List() const { return m_list; }
  QLineEdit* BackgroundField() const { return m_background; }
  QLineEdit* TextField() const { return m_text; }

 private:
  struct Entry {
    QString background;  // "#RRGGBB" as typed
    QString text;
  };
  void Fill();
  void ShowCurrent();
  void TakeFields();
  void Choose(QLineEdit* field, int titleId);

  const ConfigHooks& m_hooks;
  std::vector<Entry> m_entries;
  int m_current = -1;
  QListWidget* m_list = nullptr;
  QLineEdit* m_background = nullptr;
  QLineEdit* m_text = nullptr;
};

class ShortcutsPage;
class FileTypesPage;

class ConfigDialog final : public QDialog {
  Q_OBJECT
 public:
  ConfigDialog(settings::SettingsStore& store, uint32_t options, results::ColumnLayout layout,
               const appcore::ShortcutTable& shortcuts, ConfigHooks hooks, int firstPage,
               QWidget* parent = nullptr);

  // Checks and stores every page; false (nothing written) when a page refused its input.
  bool Apply();
  // What runs after OK or Apply stored the pages (replaces the hooks' `applied`).
  void SetApplied(std::function<void()> applied) { m_hooks.applied = std::move(applied); }
  // The general options as last stored.
  uint32_t Options() const { return m_options; }
  results::ColumnLayout Layout() const;

  QTabWidget* Pages() const { return m_pages; }
  GeneralPage* General() const { return m_general; }
  ColumnsPage* Columns() const { return m_columns; }
  CachePage* Cache() const { return m_cache; }
  ShortcutsPage* Shortcuts() const { return m_shortcuts; }
  FileTypesPage* FileTypes() const { return m_fileTypes; }
  ColorsPage* Colors() const { return m_colors; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* ApplyButton() const { return m_apply; }
  QPushButton* CancelButton() const { return m_cancel; }

 private:
  settings::SettingsStore& m_store;
  uint32_t m_options;
  ConfigHooks m_hooks;
  QTabWidget* m_pages = nullptr;
  GeneralPage* m_general = nullptr;
  ColumnsPage* m_columns = nullptr;
  CachePage* m_cache = nullptr;
  ShortcutsPage* m_shortcuts = nullptr;
  FileTypesPage* m_fileTypes = nullptr;
  ColorsPage* m_colors = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_apply = nullptr;
  QPushButton* m_cancel = nullptr;
};

// "#RRGGBB" (or "RRGGBB") as a colour value of the settings (0x00BBGGRR); nothing for anything else.
std::optional<uint32_t> ParseColorText(const QString& text);
QString ColorText(uint32_t colorRef);

}  // namespace tarnq::ui
