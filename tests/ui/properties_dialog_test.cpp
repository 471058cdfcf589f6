// SPDX-License-Identifier: GPL-3.0-or-later
// Our own properties window: the file read now, the row's texts, and a file that is gone.
#include "ui/properties_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>

#include "gui_test_support.h"
#include "results_test_support.h"
#include "ui/qt_text.h"

namespace tarnq::ui {
namespace {

TEST(PropertiesDialog, ShowsTheFileAsItIsNowAndTheRowsTags) {
  testing::InstallLanguageLibrary();
  testing::Scratch scratch;
  QFile file(scratch.Path(QStringLiteral("song.mp3")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(12345, 'x'));
  file.close();
  ASSERT_TRUE(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));

  results::ResultList list;
  const uint32_t folder = list.FindFolder(scratch.Path16());
  results::testing::Add(list, {.name = u"song.mp3", .folder = folder, .artist = u"Band", .size = 1});
  results::testing::Add(list, {.name = u"gone.mp3", .folder = folder, .artist = u"Other", .size = 2048});

  PropertiesDialog dialog({PropertiesFileOfRow(list, 0), PropertiesFileOfRow(list, 1)});
  ASSERT_EQ(dialog.FileBox()->count(), 2);
  EXPECT_EQ(dialog.ValueOf(Text(12213)), scratch.Path());
  EXPECT_EQ(dialog.ValueOf(Text(52)), QStringLiteral("12,345")) << "the size on disk, not the row's";
  EXPECT_EQ(dialog.ValueOf(Text(12205)), QStringLiteral("rw-r----- (0640)"));
  EXPECT_EQ(dialog.ValueOf(Text(42)), QStringLiteral("Band"));

  // A file that is gone: the reason, and what its row knew.
  QString error;
  const auto lines = PropertyLines(PropertiesFileOfRow(list, 1), &error);
  EXPECT_FALSE(error.isEmpty());
  dialog.FileBox()->setCurrentIndex(1);
  EXPECT_EQ(dialog.ValueOf(Text(40)), QStringLiteral("gone.mp3"));
  EXPECT_EQ(dialog.ValueOf(Text(42)), QStringLiteral("Other"));
  EXPECT_EQ(dialog.ValueOf(Text(52)), ToQString(list.CellTextAt(1, results::column::kSize)));
  EXPECT_TRUE(dialog.ValueOf(Text(12205)).isEmpty());
  EXPECT_EQ(lines.size(), 14u);
}

}  // namespace
}  // namespace tarnq::ui
