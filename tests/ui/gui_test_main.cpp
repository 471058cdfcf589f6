// SPDX-License-Identifier: GPL-3.0-or-later
// The GUI tests' entry: Qt's offscreen platform (no display needed) with a private runtime folder,
// one QApplication for all cases, then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ui/theme.h"

// Under LeakSanitizer: the media framework behind the player window (Qt Multimedia on GStreamer
// and PulseAudio) keeps a connection context and a GLib allocation for the life of the process;
// everything else it holds hangs off those two. Nothing of ours is suppressed. (Read by the
// sanitizer at exit; an ordinary build never calls it.)
extern "C" const char* __lsan_default_suppressions() { return "leak:libpulse.so\nleak:libglib-2.0.so\n"; }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The update check talks to a server on this machine; no proxy may stand in between.
  qputenv("no_proxy", "127.0.0.1,localhost");
  qunsetenv("http_proxy");
  qunsetenv("HTTP_PROXY");
  QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/tarnq-gui-run-XXXXXX"));
  if (!runtime.isValid()) return 1;
  QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  // Anything the program would keep per user (the information cache) stays in the scratch area.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(runtime.path()));
  QApplication app(argc, argv);
  tarnq::ui::RememberPlatformPalette(app.palette());
  return RUN_ALL_TESTS();
}
