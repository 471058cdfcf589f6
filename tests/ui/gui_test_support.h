// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the desktop program's tests: the language library, waiting on the event loop with a
// bound, and scratch folders.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include "results_test_support.h"

namespace tarnq::ui::testing {

// The real language library, installed once (the results tests' helper); the catalogue is
// chosen per window or per test.
inline void InstallLanguageLibrary() { results::testing::InstallEnglish(); }

// Runs the event loop until `done` holds or `milliseconds` passed; returns `done()`. The bound is
// generous: it only keeps a broken program from hanging the suite.
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds = 30000) {
  QDeadlineTimer deadline(milliseconds);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

// Lets everything already posted to the event loop run (zero-delay timers, queued calls).
inline void DrainEvents() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A folder of its own, removed afterwards.
class Scratch {
 public:
  Scratch() { EXPECT_TRUE(m_dir.isValid()); }
  QString Path(const QString& name = {}) const { return name.isEmpty() ? m_dir.path() : m_dir.filePath(name); }
  std::u16string Path16(const QString& name = {}) const {
    const QString path = Path(name);
    return std::u16string(reinterpret_cast<const char16_t*>(path.utf16()), static_cast<size_t>(path.size()));
  }

 private:
  QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/tarnq-gui-XXXXXX")};
};

}  // namespace tarnq::ui::testing
