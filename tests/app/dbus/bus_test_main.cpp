// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of the tests on a private session bus: Qt connects to the session bus once per process,
// so the bus is started here, before any test runs, and its address put where Qt looks for it. The
// bus knows no services of the machine: only what a test registers answers on it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include "ui/theme.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/tarnq-bus-run-XXXXXX"));
  if (!runtime.isValid()) return 1;
  QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(runtime.path()));
  QApplication app(argc, argv);
  tarnq::ui::RememberPlatformPalette(app.palette());

  QProcess daemon;
  if (!GTEST_FLAG_GET(list_tests)) {
    const QString config = runtime.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>\n"
                              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>\n"
                              "</busconfig>\n")
                   .arg(runtime.path())
                   .toUtf8());
    file.close();
    daemon.start(QStringLiteral(TARNQ_DBUS_DAEMON),
                 {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!daemon.waitForStarted(10000) || !daemon.waitForReadyRead(10000)) {
      std::fprintf(stderr, "the private session bus did not start: %s\n", daemon.errorString().toUtf8().constData());
      return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
  }
  const int result = RUN_ALL_TESTS();
  if (daemon.state() != QProcess::NotRunning) {
    daemon.terminate();
    daemon.waitForFinished(5000);
  }
  return result;
}
