// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_text.h"

#include "lang/format.h"
#include "lang/languages.h"

namespace tarnq::ui {

QString Text(int identifier) { return ToQString(lang::GetTextOrEnglish(identifier)); }
QString MenuText(int identifier) { return ToQString(lang::MenuPart(lang::GetTextOrEnglish(identifier))); }
QString HelpText(int identifier) { return ToQString(lang::HelpPart(lang::GetTextOrEnglish(identifier))); }
QString ShortText(int identifier) { return ToQString(lang::ShortPart(lang::GetTextOrEnglish(identifier))); }

QString FormattedText(int identifier, const QString& value) {
  return ToQString(lang::FormatText(lang::GetTextOrEnglish(identifier), {ToU16(value)}));
}

}  // namespace tarnq::ui
