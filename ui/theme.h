// SPDX-License-Identifier: GPL-3.0-or-later
// Light and dark drawing. The stored choice `DM`: 0 light, 1 follow the desktop, 2 dark. Qt 6.4
// cannot ask the desktop for its colour scheme, so "follow" reads the lightness of the platform's
// window colour; dark is drawn with the Fusion style and a dark palette.
#pragma once

#include <QPalette>

class QApplication;

namespace tarnq::ui {

enum DarkModeChoice : int { kDarkDisabled = 0, kDarkAllowed = 1, kDarkForced = 2 };

// The desktop's palette as the platform gave it, taken once before any theme is applied.
void RememberPlatformPalette(const QPalette& palette);
bool DesktopIsDark();
// Whether `choice` draws dark on this desktop.
bool IsDark(int choice);
// Applies the light or dark drawing to the whole program.
void ApplyTheme(QApplication& app, bool dark);
QPalette DarkPalette();

}  // namespace tarnq::ui
