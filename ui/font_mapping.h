// SPDX-License-Identifier: GPL-3.0-or-later
// The window font between the settings' stored form (the numbers of a Windows LOGFONTW and the face
// name) and Qt. A negative height is the characters' height in pixels, a positive one the cell's;
// the weight keeps its 100-900 scale, which Qt shares.
#pragma once

#include <QFont>

#include "settings/font.h"

namespace tarnq::ui {

QFont FontFromLogFont(const settings::LogFont& stored, const QFont& base);
// `pixelsPerInch` turns a size in points into pixels.
settings::LogFont LogFontFromFont(const QFont& font, double pixelsPerInch);

}  // namespace tarnq::ui
