// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/shell_drag.h"

#include <QByteArray>
#include <QMimeData>
#include <QStringList>

#include "ui/file_manager.h"
#include "ui/qt_text.h"

namespace tarnq::ui {

QMimeData* FilesMimeData(const std::vector<std::u16string>& paths) {
  QByteArray uris;
  QStringList texts;
  for (const std::u16string& path : paths) {
    const QString uri = FileUri(path);
    if (uri.isEmpty()) continue;
    // Written as bytes: QMimeData::setUrls would decode the names through QString.
    uris += uri.toLatin1() + QByteArrayLiteral("\r\n");
    texts << ToQString(path);
  }
  auto* data = new QMimeData;
  data->setData(QStringLiteral("text/uri-list"), uris);
  data->setText(texts.join(QLatin1Char('\n')));
  return data;
}

}  // namespace tarnq::ui
