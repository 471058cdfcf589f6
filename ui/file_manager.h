// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's file manager, reached over the session D-Bus (org.freedesktop.FileManager1), and
// file URIs made from a path's raw bytes.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <string_view>

namespace tarnq::ui {

// "file://" and the path's bytes, percent-encoded except for the unreserved characters and '/'.
// Names that are not UTF-8 keep their bytes (never decoded through QString). Empty when the path
// cannot be turned into bytes.
QString FileUri(std::u16string_view path);
// The same as a QUrl that gives the identical text with QUrl::FullyEncoded.
QUrl FileUrl(std::u16string_view path);
// The path of a local file URL (a dropped file) from its raw bytes, so a name that is not UTF-8
// names the same file again. Empty for anything but a local file.
std::u16string PathOfFileUrl(const QUrl& url);

// The folder a path shows in: the path itself when it is a folder, else the path without its
// last name.
std::u16string ContainingFolder(std::u16string_view path);

// Asks the file manager to show `uris` in their folders (ShowItems) without waiting for it; `done`
// hears, on `context`'s thread, true when it answered, false when there is no session bus, no file
// manager answers, or it answers with an error (at once when there is no bus).
void ShowItemsInFileManager(const QStringList& uris, QObject* context, std::function<void(bool)> done);
// The same for the file manager's properties window of `uris` (ShowItemProperties).
void ShowItemPropertiesInFileManager(const QStringList& uris, QObject* context, std::function<void(bool)> done);

}  // namespace tarnq::ui
