// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/file_manager.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>

#include <string>

#include "platform/files.h"
#include "platform/text.h"

namespace tarnq::ui {

namespace {

constexpr int kCallTimeoutMs = 5000;

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

std::u16string ContainingFolder(std::u16string_view path) {
  if (platform::FolderExists(path)) return std::u16string(path);
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos) return {};
  if (slash == 0) return u"/";
  return std::u16string(path.substr(0, slash));
}

bool ShowItemsInFileManager(const QStringList& uris) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << uris << QString();
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace tarnq::ui
