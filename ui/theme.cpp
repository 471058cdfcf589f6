// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/theme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include <optional>

namespace tarnq::ui {
namespace {

std::optional<QPalette>& PlatformPalette() {
  static std::optional<QPalette> palette;
  return palette;
}

}  // namespace

void RememberPlatformPalette(const QPalette& palette) {
  if (!PlatformPalette()) PlatformPalette() = palette;
}

bool DesktopIsDark() {
  const QPalette palette = PlatformPalette() ? *PlatformPalette() : QPalette();
  return palette.color(QPalette::Window).lightness() < 128;
}

bool IsDark(int choice) {
  if (choice == kDarkForced) return true;
  if (choice == kDarkAllowed) return DesktopIsDark();
  return false;
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe6, 0xe6, 0xe6);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, QColor(0x33, 0x33, 0x36));
  p.setColor(QPalette::ToolTipBase, window);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::white);
  p.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4a));
  p.setColor(QPalette::Midlight, QColor(0x3c, 0x3c, 0x3c));
  p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x30));
  p.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
  p.setColor(QPalette::Shadow, Qt::black);
  p.setColor(QPalette::Highlight, QColor(0x2f, 0x65, 0xca));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Link, QColor(0x6c, 0xa8, 0xff));
  p.setColor(QPalette::LinkVisited, QColor(0xb0, 0x8c, 0xff));
  const QColor disabled(0x80, 0x80, 0x80);
  p.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
  p.setColor(QPalette::Disabled, QPalette::Text, disabled);
  p.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
  p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabled);
  return p;
}

void ApplyTheme(QApplication& app, bool dark) {
  RememberPlatformPalette(app.palette());
  app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  app.setPalette(dark ? DarkPalette() : app.style()->standardPalette());
}

}  // namespace tarnq::ui
