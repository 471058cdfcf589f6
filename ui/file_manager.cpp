// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_manager.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <string>

#include "platform/files.h"
#include "platform/text.h"

namespace tarnq::ui {

namespace {

constexpr int kCallTimeoutMs = 5000;

void CallFileManager(const QString& method, const QStringList& uris, QObject* context,
                     std::function<void(bool)> done) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    done(false);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), method);
  call << uris << QString();
  // Asynchronous: a file manager that hangs must not freeze the window.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [watcher, done = std::move(done)](QDBusPendingCallWatcher*) {
                     watcher->deleteLater();
                     done(!watcher->isError());
                   });
}

}  // namespace

QString FileUri(std::u16string_view path) {
  std::string bytes;
  if (path.empty() || !platform::Utf16ToNameBytes(path, bytes)) return {};
  const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return QStringLiteral("file://") + QString::fromLatin1(raw.toPercentEncoding(QByteArrayLiteral("/")));
}

QUrl FileUrl(std::u16string_view path) {
  const QString uri = FileUri(path);
  if (uri.isEmpty()) return {};
  return QUrl::fromEncoded(uri.toLatin1(), QUrl::StrictMode);
}

std::u16string PathOfFileUrl(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  // The encoded path keeps the name's bytes as percent escapes; QString would lose those that
  // are not UTF-8.
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (bytes.isEmpty() || bytes.front() != '/') return {};
  return platform::NameBytesToUtf16(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

std::u16string ContainingFolder(std::u16string_view path) {
  if (platform::FolderExists(path)) return std::u16string(path);
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos) return {};
  if (slash == 0) return u"/";
  return std::u16string(path.substr(0, slash));
}

void ShowItemsInFileManager(const QStringList& uris, QObject* context, std::function<void(bool)> done) {
  CallFileManager(QStringLiteral("ShowItems"), uris, context, std::move(done));
}

void ShowItemPropertiesInFileManager(const QStringList& uris, QObject* context, std::function<void(bool)> done) {
  CallFileManager(QStringLiteral("ShowItemProperties"), uris, context, std::move(done));
}

}  // namespace tarnq::ui
