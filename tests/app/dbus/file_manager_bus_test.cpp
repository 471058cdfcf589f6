// SPDX-License-Identifier: GPL-3.0-or-later
// Go to and Properties against a file manager on a private session bus: a stand-in for
// org.freedesktop.FileManager1 records what it is asked to show; without it, the window falls back
// to opening the folder and to its own properties window.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QStringList>

#include <filesystem>

#include "window_test.h"
#include "ui/file_manager.h"
#include "ui/properties_dialog.h"
#include "ui/result_model.h"
#include "ui/result_view.h"

namespace tarnq::app {
namespace {

using ui::testing::DrainEvents;
using ui::testing::WaitUntil;

class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  QStringList methods;
  QList<QStringList> uris;

 public slots:
  void ShowItems(const QStringList& items, const QString&) { Record(QStringLiteral("ShowItems"), items); }
  void ShowItemProperties(const QStringList& items, const QString&) { Record(QStringLiteral("ShowItemProperties"), items); }

 private:
  void Record(const QString& method, const QStringList& items) {
    methods << method;
    uris << items;
  }
};

constexpr char kFakeConnection[] = "fake-file-manager";

class OnTheBus : public testing::WindowTest {
 protected:
  void SetUp() override {
    testing::WindowTest::SetUp();
    // A name whose byte 0xFF is no UTF-8: its URI must carry the byte as it is.
    const std::string raw = m_library.toStdString() + "/\xff.mp3";
    std::filesystem::copy_file(std::string(TARNQ_TESTDATA) + "same-song.mp3", raw);
  }
  void TearDown() override {
    if (m_registered) {
      QDBusConnection bus(QString::fromLatin1(kFakeConnection));
      bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
      bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
      QDBusConnection::disconnectFromBus(QString::fromLatin1(kFakeConnection));
    }
    testing::WindowTest::TearDown();
  }

  void RegisterFake() {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromLatin1(kFakeConnection));
    ASSERT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &m_fake, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    m_registered = true;
  }

  // The display index of the row named `name`.
  int RowOf(std::u16string_view name) const {
    const results::ResultList& list = m_core->List();
    for (size_t i = 0; i < list.RowCount(); ++i) {
      if (list.RowAt(i).Name() == name) return static_cast<int>(i);
    }
    return -1;
  }

  FakeFileManager m_fake;
  bool m_registered = false;
};

TEST_F(OnTheBus, GoToShowsTheFocusedFileByItsRawBytes) {
  RegisterFake();
  OpenSearched();
  const int row = RowOf(u"\xDCFF.mp3");
  ASSERT_GE(row, 0) << "the search found the file with the byte 0xFF in its name";
  ui::ResultView* view = m_window->View();
  view->setCurrentIndex(view->Model()->index(row, 0));
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kGoTo)));
  ASSERT_TRUE(WaitUntil([this] { return !m_fake.methods.isEmpty(); }, 10000));
  EXPECT_EQ(m_fake.methods, QStringList{QStringLiteral("ShowItems")});
  const QString expected = QUrl::fromLocalFile(m_library).toString(QUrl::FullyEncoded) + QStringLiteral("/%FF.mp3");
  EXPECT_EQ(m_fake.uris.front(), QStringList{expected});
  DrainEvents();
  EXPECT_TRUE(m_opened.empty()) << "the file manager answered: nothing else opens";
}

TEST_F(OnTheBus, PropertiesAsksTheFileManagerForTheSelectedFiles) {
  RegisterFake();
  OpenSearched();
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kSelectDupes)));
  QStringList expected;
  const results::ResultList& list = m_core->List();
  for (size_t i = 0; i < list.RowCount(); ++i) {
    if (list.SelectedRowAt(i)) expected << ui::FileUri(list.FullPathAt(i));
  }
  ASSERT_EQ(expected.size(), 3);
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kProperties)));
  ASSERT_TRUE(WaitUntil([this] { return !m_fake.methods.isEmpty(); }, 10000));
  EXPECT_EQ(m_fake.methods, QStringList{QStringLiteral("ShowItemProperties")});
  EXPECT_EQ(m_fake.uris.front(), expected);
  DrainEvents();
  EXPECT_EQ(m_window->findChild<ui::PropertiesDialog*>(), nullptr) << "no window of our own";
}

TEST_F(OnTheBus, WithNoFileManagerOnTheBusTheWindowFallsBack) {
  OpenSearched();
  ui::ResultView* view = m_window->View();
  view->setCurrentIndex(view->Model()->index(0, 0));
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kGoTo)));
  ASSERT_TRUE(WaitUntil([this] { return !m_opened.empty(); }, 10000));
  EXPECT_EQ(m_opened.front(), ui::FileUrl(ui::ToU16(m_library)));
  ASSERT_TRUE(m_window->RunCommand(ToInt(lang::CommandId::kProperties)));
  ui::PropertiesDialog* dialog = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (dialog = m_window->findChild<ui::PropertiesDialog*>()) && dialog->isVisible(); }, 10000));
}

}  // namespace
}  // namespace tarnq::app

#include "file_manager_bus_test.moc"
