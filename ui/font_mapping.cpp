// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/font_mapping.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ui/qt_text.h"

namespace tarnq::ui {

QFont FontFromLogFont(const settings::LogFont& stored, const QFont& base) {
  QFont font = base;
  if (!stored.faceName.empty()) font.setFamily(ToQString(stored.faceName));
  // Sizes outside what a list can show are taken as damaged and leave the size alone.
  const int32_t height = std::abs(stored.height);
  if (height >= 4 && height <= 200) font.setPixelSize(height);
  if (stored.weight >= 100 && stored.weight <= 900) font.setWeight(static_cast<QFont::Weight>(stored.weight));
  font.setItalic(stored.italic != 0);
  font.setUnderline(stored.underline != 0);
  font.setStrikeOut(stored.strikeOut != 0);
  return font;
}

settings::LogFont LogFontFromFont(const QFont& font, double pixelsPerInch) {
  settings::LogFont out;
  const int pixels = font.pixelSize() > 0
                         ? font.pixelSize()
                         : static_cast<int>(std::lround(font.pointSizeF() * pixelsPerInch / 72.0));
  out.height = -std::max(1, pixels);
  out.weight = static_cast<int32_t>(font.weight());
  out.italic = font.italic() ? 1 : 0;
  out.underline = font.underline() ? 1 : 0;
  out.strikeOut = font.strikeOut() ? 1 : 0;
  out.charSet = 1;  // DEFAULT_CHARSET
  out.faceName = ToU16(font.family()).substr(0, 31);
  return out;
}

}  // namespace tarnq::ui
