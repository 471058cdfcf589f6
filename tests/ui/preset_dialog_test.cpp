// SPDX-License-Identifier: GPL-3.0-or-later
// The preset dialog on its own: what OK stores (read back from the .tnq file it wrote), the fields
// it refuses (named, kept, focused, nothing written), and the place list of "Select drives" filled
// from a background thread.
#include "ui/preset_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "gui_test_support.h"
#include "settings/settings_store.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

using settings::SettingsStore;
using testing::WaitUntil;

class PresetDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::InstallLanguageLibrary();
    m_store = std::make_unique<SettingsStore>(m_scratch.Path16(QStringLiteral("TARNQ.INI")), SettingsStore::kExplicitFile);
  }

  // A dialog over `preset`, shown and active; messages are collected.
  std::unique_ptr<PresetDialog> Open(const engine::SearchPreset& preset, PresetDialogHooks hooks = {}) {
    hooks.showMessage = [this](const QString& text) { m_messages << text; };
    auto dialog = std::make_unique<PresetDialog>(preset, *m_store, m_dispatcher, std::move(hooks));
    dialog->show();
    dialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    return dialog;
  }

  engine::SearchPreset ReadFile(const QString& name) {
    SettingsStore file(m_scratch.Path16(name), SettingsStore::kExplicitFile);
    EXPECT_EQ(file.Load(), 0u);
    engine::SearchPreset preset;
    preset.Load(file);
    return preset;
  }

  testing::Scratch m_scratch;
  QtDispatcher m_dispatcher;
  std::unique_ptr<SettingsStore> m_store;
  QStringList m_messages;
};

template <class W>
W* Get(const PresetDialog& dialog, int id) {
  W* widget = dialog.ControlAs<W>(id);
  EXPECT_NE(widget, nullptr) << id;
  return widget;
}

TEST_F(PresetDialogTest, OkStoresEveryFieldInThePresetFile) {
  engine::SearchPreset start;
  start.SetFolderList({u"+/music/old"});
  auto dialog = Open(start);
  const QString file = m_scratch.Path(QStringLiteral("songs.tnq"));
  Get<QLineEdit>(*dialog, 2373)->setText(file);
  ASSERT_TRUE(dialog->AddFolder(QStringLiteral("/music/new")));
  EXPECT_FALSE(dialog->AddFolder(QStringLiteral("/music/new"))) << "a folder is listed once";
  ASSERT_TRUE(dialog->AddFolder(QStringLiteral("/music/new/live")));
  Get<QPushButton>(*dialog, 2379)->click();  // the selected (last added) entry is skipped
  Get<QPushButton>(*dialog, 6991)->click();  // and moved above /music/new
  Get<QCheckBox>(*dialog, 2378)->setChecked(false);
  Get<QGroupBox>(*dialog, 2381)->setChecked(true);
  Get<NumberBox>(*dialog, 2383)->findChild<QLineEdit*>()->setText(QStringLiteral("80"));
  Get<NumberBox>(*dialog, 2386)->findChild<QLineEdit*>()->setText(QStringLiteral("90"));
  Get<NumberBox>(*dialog, 2391)->findChild<QLineEdit*>()->clear();  // the duration is not compared
  auto* limits = Get<QListWidget>(*dialog, 2394);
  limits->item(0)->setCheckState(Qt::Checked);  // Album
  limits->item(1)->setCheckState(Qt::Checked);  // Track
  Get<QGroupBox>(*dialog, 2370)->setChecked(true);
  Get<QLineEdit>(*dialog, 2304)->setText(QStringLiteral("*.mp3;*.flac"));
  Get<QLineEdit>(*dialog, 2306)->setText(QStringLiteral("*live*"));
  Get<QComboBox>(*dialog, 2315)->setCurrentIndex(1);  // Created
  Get<QCheckBox>(*dialog, 2316)->setChecked(true);
  Get<QComboBox>(*dialog, 2317)->setCurrentIndex(0);  // Date
  Get<QLineEdit>(*dialog, 2318)->setText(QStringLiteral("2024-02-29"));
  Get<QLineEdit>(*dialog, 2319)->setText(QStringLiteral("13:45:10"));
  Get<QCheckBox>(*dialog, 2324)->setChecked(true);
  Get<QComboBox>(*dialog, 2325)->setCurrentIndex(5);  // Days
  Get<QLineEdit>(*dialog, 2330)->setText(QStringLiteral("7"));
  Get<QCheckBox>(*dialog, 2343)->setChecked(true);
  Get<QLineEdit>(*dialog, 2344)->setText(QStringLiteral("1"));
  Get<QComboBox>(*dialog, 2345)->setCurrentIndex(2);  // MB
  Get<QCheckBox>(*dialog, 2350)->setCheckState(Qt::Checked);    // archive must be set
  Get<QCheckBox>(*dialog, 2354)->setCheckState(Qt::Unchecked);  // hidden must be clear

  dialog->accept();
  ASSERT_EQ(dialog->result(), QDialog::Accepted) << m_messages.join(QLatin1Char('\n')).toStdString();
  const engine::SearchPreset& stored = dialog->Preset();
  EXPECT_EQ(stored.folderList, (std::vector<std::u16string>{u"+/music/old", u"-/music/new/live", u"+/music/new"}));
  EXPECT_EQ(stored.excludedFolders, (std::vector<std::u16string>{u"/music/new/live"}));
  EXPECT_EQ(stored.noRecursion, 1);
  EXPECT_EQ(stored.useSimilarity, 1);
  EXPECT_EQ(stored.artistThreshold, 80u);
  EXPECT_EQ(stored.titleThreshold, 90u);
  EXPECT_EQ(stored.durationTolerance, -1);
  EXPECT_EQ(stored.moreLimitations, 3u);
  EXPECT_EQ(stored.filterEnabled, 1);
  EXPECT_EQ(stored.filter.dateKind, 1);
  EXPECT_EQ(stored.filter.lower.dateUnit, 'D');
  EXPECT_EQ(stored.filter.lower.dateValue, platform::CalendarLocalToFileTime({2024, 2, 4, 29, 13, 45, 10, 0}).value());
  EXPECT_EQ(stored.filter.upper.dateUnit, 'Z');
  EXPECT_EQ(stored.filter.upper.dateValue, 7u);
  EXPECT_EQ(stored.filter.lower.sizeUnit, 'M');
  EXPECT_EQ(stored.filter.lower.sizeValue, 1u);
  EXPECT_EQ(stored.filter.upper.sizeUnit, 0);
  EXPECT_EQ(stored.filter.lower.attributes, 0x20);
  EXPECT_EQ(stored.filter.upper.attributes, 0x2);
  EXPECT_EQ(stored.presetFile, ToU16(file));
  // The file holds the same preset (the file name is the caller's business).
  engine::SearchPreset reread = ReadFile(QStringLiteral("songs.tnq"));
  reread.presetFile = stored.presetFile;
  EXPECT_EQ(reread, stored);
  // And the dialog opened on it shows it again as it was stored.
  auto again = Open(reread);
  EXPECT_EQ(Get<QLineEdit>(*again, 2318)->text(), QStringLiteral("2024-02-29"));
  EXPECT_EQ(Get<QLineEdit>(*again, 2319)->text(), QStringLiteral("13:45:10"));
  EXPECT_EQ(Get<NumberBox>(*again, 2391)->text(), QString());
  EXPECT_EQ(Get<QCheckBox>(*again, 2351)->checkState(), Qt::PartiallyChecked);
}

struct Refused {
  const char* name;
  int field;            // the control that is refused and focused
  const char* typed;    // what the user typed there
  const char* named;    // the field's name in the message
  std::function<void(PresetDialog&)> prepare;  // switches the field on
};

class PresetDialogRefusal : public PresetDialogTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(PresetDialogRefusal, NamesTheFieldKeepsTheTextAndStoresNothing) {
  const Refused& c = GetParam();
  engine::SearchPreset start;
  start.presetFile = m_scratch.Path16(QStringLiteral("kept.tnq"));
  start.SetFolderList({u"+/music"});
  auto dialog = Open(start);
  c.prepare(*dialog);
  QWidget* field = dialog->Control(c.field);
  ASSERT_NE(field, nullptr);
  auto* line = qobject_cast<QLineEdit*>(field);
  if (auto* box = qobject_cast<NumberBox*>(field)) line = box->findChild<QLineEdit*>();
  if (line != nullptr) line->setText(QString::fromUtf8(c.typed));
  // Folders: one whose name holds a line break, as a folder chooser may return.
  if (c.field == 2377) {
    ASSERT_TRUE(dialog->AddFolder(QString::fromUtf8(c.typed)));
  }

  dialog->accept();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_NE(dialog->result(), QDialog::Accepted);
  ASSERT_EQ(m_messages.size(), 1);
  EXPECT_TRUE(m_messages.front().startsWith(QString::fromUtf8(c.named))) << m_messages.front().toStdString();
  EXPECT_TRUE(field->hasFocus());
  const QString kept = line != nullptr ? line->text() : qobject_cast<QListWidget*>(field)->currentItem()->text();
  EXPECT_EQ(kept, QString::fromUtf8(c.typed));
  EXPECT_FALSE(QFile::exists(m_scratch.Path(QStringLiteral("kept.tnq"))));
}

void FilterOn(PresetDialog& d) { d.ControlAs<QGroupBox>(2370)->setChecked(true); }

INSTANTIATE_TEST_SUITE_P(
    Fields, PresetDialogRefusal,
    ::testing::Values(
        Refused{"FolderWithLineBreak", 2377, "/music/two\nlines", "Folders", [](PresetDialog&) {}},
        Refused{"PercentOver100", 2383, "150", "Artist",
                [](PresetDialog& d) { d.ControlAs<QGroupBox>(2381)->setChecked(true); }},
        Refused{"ToleranceOver1000", 2391, "1001", "Deviation title length max.", [](PresetDialog&) {}},
        Refused{"DateThatDoesNotExist", 2318, "2026-02-30", "Date/Time >=",
                [](PresetDialog& d) {
                  FilterOn(d);
                  d.ControlAs<QCheckBox>(2316)->setChecked(true);
                  d.ControlAs<QComboBox>(2317)->setCurrentIndex(0);
                }},
        Refused{"TimeThatDoesNotExist", 2327, "24:10", "Date/Time <=",
                [](PresetDialog& d) {
                  FilterOn(d);
                  d.ControlAs<QCheckBox>(2324)->setChecked(true);
                  d.ControlAs<QComboBox>(2325)->setCurrentIndex(1);
                }},
        Refused{"SizeBeyond64Bits", 2344, "18446744073709551616", "Length >=",
                [](PresetDialog& d) {
                  FilterOn(d);
                  d.ControlAs<QCheckBox>(2343)->setChecked(true);
                }},
        Refused{"SizeThatOverflowsInItsUnit", 2347, "17179869184", "Length <=",
                [](PresetDialog& d) {
                  FilterOn(d);
                  d.ControlAs<QCheckBox>(2346)->setChecked(true);
                  d.ControlAs<QComboBox>(2348)->setCurrentIndex(3);  // GB
                }}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

TEST_F(PresetDialogTest, CancelLeavesThePresetAndTheFileAlone) {
  engine::SearchPreset start;
  start.presetFile = m_scratch.Path16(QStringLiteral("kept.tnq"));
  start.SetFolderList({u"+/music"});
  auto dialog = Open(start);
  dialog->AddFolder(QStringLiteral("/more"));
  Get<QCheckBox>(*dialog, 2378)->setChecked(false);
  dialog->reject();
  EXPECT_EQ(dialog->Preset(), start);
  EXPECT_FALSE(QFile::exists(m_scratch.Path(QStringLiteral("kept.tnq"))));
}

TEST_F(PresetDialogTest, SelectDrivesListsThePlacesOnAnotherThreadAndAddsTheChosenOnes) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> onOtherThread{false};
  const std::thread::id uiThread = std::this_thread::get_id();
  PresetDialogHooks hooks;
  hooks.listMounts = [&, released] {
    onOtherThread = std::this_thread::get_id() != uiThread;
    // A slow file system: the dialog must stay usable meanwhile. (Bounded, so that a listing on
    // this thread fails the case instead of hanging it.)
    released.wait_for(std::chrono::seconds(10));
    return std::vector<std::u16string>{u"/", u"/media/usb", u"/mnt/backup"};
  };
  engine::SearchPreset start;
  start.SetFolderList({u"+/media/usb"});
  auto dialog = Open(start, std::move(hooks));
  Get<QPushButton>(*dialog, 5509)->click();
  MountSelectionDialog* mounts = dialog->MountDialog();
  ASSERT_NE(mounts, nullptr);
  // The click returned while the listing waits: nothing blocked this thread.
  EXPECT_EQ(mounts->List()->count(), 0);
  release.set_value();
  ASSERT_TRUE(WaitUntil([mounts] { return mounts->Filled(); }));
  EXPECT_TRUE(onOtherThread);
  ASSERT_EQ(mounts->List()->count(), 3);
  mounts->List()->item(1)->setSelected(true);
  mounts->List()->item(2)->setSelected(true);
  mounts->accept();
  EXPECT_EQ(dialog->FolderEntries(), (std::vector<std::u16string>{u"+/media/usb", u"+/mnt/backup"}));
}

}  // namespace
}  // namespace tarnq::ui
