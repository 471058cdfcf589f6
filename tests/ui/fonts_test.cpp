// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures the program makes need real letters: without a usable font every letter is drawn
// as the same box and nothing warns.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QTest>

namespace {

QImage Picture(const QString& text) {
  QLabel label(text);
  QFont font = label.font();
  font.setPixelSize(40);
  label.setFont(font);
  label.setAlignment(Qt::AlignCenter);
  label.setStyleSheet(QStringLiteral("QLabel { background: white; color: black; }"));
  label.resize(80, 80);
  return label.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int DarkPixels(const QImage& image) {
  int dark = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
  }
  return dark;
}

TEST(Fonts, DrawDifferentLettersDifferently) {
  const QImage a = Picture(QStringLiteral("A"));
  const QImage b = Picture(QStringLiteral("B"));
  ASSERT_FALSE(a.isNull());
  ASSERT_EQ(a.size(), b.size());
  EXPECT_GT(DarkPixels(a), 20) << "no ink for A";
  EXPECT_GT(DarkPixels(b), 20) << "no ink for B";
  EXPECT_NE(a, b) << "A and B look the same: the letters are boxes (is a font installed?)";
}

}  // namespace
