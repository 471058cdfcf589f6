// SPDX-License-Identifier: GPL-3.0-or-later
// The fixture of the window tests: a main window on a real application core over a private settings
// file and the fixture library, in scripted mode (no message box can block a case: messages arrive
// through messageShown and are collected), with the desktop's opener replaced.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <QTest>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app_test_support.h"
#include "appcore/app_core.h"
#include "appcore/restart.h"
#include "gui_test_support.h"
#include "settings/settings_store.h"
#include "ui/qt_dispatcher.h"
#include "ui/qt_text.h"

namespace tarnq::app::testing {

class SearchCounter : public appcore::AppCoreObserver {
 public:
  void OnSearchFinished(const engine::SearchOutcome&) override { ++finished; }
  int finished = 0;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::testing::InstallLanguageLibrary();
    m_library = MakeLibrary(m_scratch.Path(QStringLiteral("music")));
  }

  void TearDown() override {
    if (m_core) {
      m_core->Stop();
      EXPECT_TRUE(ui::testing::WaitUntil([this] { return !m_core->Busy(); }));
      m_core->RemoveObserver(&m_searches);
    }
    m_window.reset();
    m_core.reset();
    m_dispatcher.reset();
    m_store.reset();
  }

  QString SettingsPath() const { return m_scratch.Path(QStringLiteral("TARNQ.INI")); }

  // The window over a settings file holding `text`.
  void OpenWith(const std::string& text) {
    WriteFile(SettingsPath(), text);
    m_store = std::make_unique<settings::SettingsStore>(ui::ToU16(SettingsPath()), settings::SettingsStore::kExplicitFile);
    m_dispatcher = std::make_unique<ui::QtDispatcher>();
    m_core = std::make_unique<appcore::AppCore>(*m_store, *m_dispatcher);
    m_core->AddObserver(&m_searches);
    WindowOptions options;
    options.scripted = true;
    m_window = std::make_unique<MainWindow>(*m_core, m_restart, options);
    m_window->openUrl = [this](const QUrl& url) {
      m_opened.push_back(url);
      return true;
    };
    QObject::connect(m_window.get(), &MainWindow::messageShown, m_window.get(),
                     [this](const QString& message) { m_messages << message; });
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
  }

  // The window over settings made by SettingsText.
  void Open(const std::string& main = {}, const std::string& sections = {}, const std::string& language = "US") {
    OpenWith(SettingsText(m_library, main, sections, language));
  }

  // Find through the window's command, waited for until the core has delivered its end.
  void Search() {
    const int before = m_searches.finished;
    ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kFind)));
    ASSERT_TRUE(ui::testing::WaitUntil([&] { return m_searches.finished > before && !m_core->Busy(); }));
    ui::testing::DrainEvents();
  }

  // The window, its list filled by a search.
  void OpenSearched(const std::string& main = {}, const std::string& sections = {}) {
    Open(main, sections);
    if (!HasFatalFailure()) Search();
  }

  // The names of the selected rows, in display order.
  std::vector<std::u16string> SelectedNames() const {
    std::vector<std::u16string> names;
    const results::ResultList& list = m_core->List();
    for (size_t i = 0; i < list.RowCount(); ++i) {
      if (list.SelectedRowAt(i)) names.push_back(list.RowAt(i).Name());
    }
    return names;
  }

  ui::testing::Scratch m_scratch;
  QString m_library;
  std::unique_ptr<settings::SettingsStore> m_store;
  std::unique_ptr<ui::QtDispatcher> m_dispatcher;
  std::unique_ptr<appcore::AppCore> m_core;
  appcore::RestartRequest m_restart;
  SearchCounter m_searches;
  std::unique_ptr<MainWindow> m_window;
  std::vector<QUrl> m_opened;   // what the window gave the desktop's opener
  QStringList m_messages;       // the messages it showed
};

}  // namespace tarnq::app::testing
