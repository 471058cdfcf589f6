// SPDX-License-Identifier: GPL-3.0-or-later
// Files dragged out of the list: URIs from the raw name bytes, paths as text.
#include "ui/shell_drag.h"

#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>

#include <memory>

namespace tarnq::ui {
namespace {

TEST(FilesMimeData, UriListKeepsNameBytesThatAreNotUtf8) {
  // 0xFF is no UTF-8: the list holds it as the unit 0xDCFF and the URI gets the byte back.
  const std::unique_ptr<QMimeData> data(FilesMimeData({u"/music/\xDCFF.mp3", u"/music/a b/\u00c4rger.flac"}));
  EXPECT_EQ(data->data(QStringLiteral("text/uri-list")),
            QByteArrayLiteral("file:///music/%FF.mp3\r\nfile:///music/a%20b/%C3%84rger.flac\r\n"));
  EXPECT_EQ(data->text().split(QLatin1Char('\n')).size(), 2);
  EXPECT_TRUE(data->text().endsWith(QStringLiteral("/music/a b/\u00c4rger.flac")));
  ASSERT_EQ(data->urls().size(), 2);
  EXPECT_EQ(data->urls().at(0).toEncoded(), QByteArrayLiteral("file:///music/%FF.mp3"));
}

}  // namespace
}  // namespace tarnq::ui
