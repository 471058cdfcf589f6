// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the main window's and the program's tests: a small music library made from the
// committed fixtures, and settings files.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>

#include <string>

namespace tarnq::app::testing {

// One song three times: a.mp3, b.flac and c.mp3 (one group of three).
inline QString MakeLibrary(const QString& folder) {
  const QString data = QStringLiteral(TARNQ_TESTDATA);
  EXPECT_TRUE(QDir().mkpath(folder));
  EXPECT_TRUE(QFile::copy(data + QStringLiteral("same-song.mp3"), folder + QStringLiteral("/a.mp3")));
  EXPECT_TRUE(QFile::copy(data + QStringLiteral("same-song.flac"), folder + QStringLiteral("/b.flac")));
  EXPECT_TRUE(QFile::copy(data + QStringLiteral("same-song.mp3"), folder + QStringLiteral("/c.mp3")));
  return folder;
}

// A settings file: English unless said otherwise, the information cache off, no sort order, the
// duration compared within 2 s, the library as the one folder; `main` adds lines to the main
// section, `sections` whole sections.
inline std::string SettingsText(const QString& library, const std::string& main = {},
                                const std::string& sections = {}, const std::string& language = "US") {
  return "[TARNQ]\nLanguage=" + language + "\nOpt=80\nSort=0\nOption=0;0;0;0;0;2\n" + main +
         "\n[Folder]\n1=+" + library.toStdString() + "\n" + sections;
}

inline void WriteFile(const QString& path, const std::string& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text.data(), static_cast<qint64>(text.size()));
}

}  // namespace tarnq::app::testing
